#pragma once

#include "dcmsdk/LanguageType.h"

namespace studydb {

// The application's current language as the DICOM library numbers it; English when no
// application runs (tools and tests).
dcmSDK::LanguageType currentLanguage();

}  // namespace studydb
