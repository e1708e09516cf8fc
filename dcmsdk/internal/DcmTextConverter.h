#pragma once

#include "dcmsdk/LanguageType.h"

#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcspchrs.h>
#include <dcmtk/dcmdata/dcvr.h>

#include <string>

namespace dcmSDK {

// Turns the text values of one data set into UTF-8. The data set's Specific Character Set decides;
// without one, valid UTF-8 is kept and anything else is read in the character set the language
// suggests (Chinese through the application's GB conversion when it has registered one).
class DcmTextConverter {
public:
    DcmTextConverter();
    DcmTextConverter(const DcmTextConverter&) = delete;
    DcmTextConverter& operator=(const DcmTextConverter&) = delete;

    // Takes the character set of the item (a data set or a sequence item) for the texts that
    // follow.
    void reset(DcmItem& item, LanguageType language);

    // A value of the given VR as stored, converted to UTF-8 when the VR is affected by the
    // character set.
    std::string toUtf8(const std::string& raw, DcmEVR vr);

private:
    std::string convertDeclared(const std::string& raw, DcmEVR vr);
    std::string convertFallback(const std::string& raw, DcmEVR vr);

    std::string declared_;
    bool hasDeclared_ = false;
    bool japanese_ = false;
    LanguageType language_ = LanguageType::ENGLISH;
    DcmSpecificCharacterSet declaredSet_;
    bool declaredReady_ = false;
    DcmSpecificCharacterSet fallbackSet_;
    bool fallbackReady_ = false;
};

}  // namespace dcmSDK
