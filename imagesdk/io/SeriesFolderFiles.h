#pragma once

#include <string>

namespace isImageSDK {

// What a series folder holds besides its DICOM files: the program's thumbnails "thrumb0" to
// "thrumb5" (each written under its name + ".part" first) and hidden files, whose names begin
// with '.'. Scans and archives of a series pass these over. `name` is a file name without its
// folder.
bool isSeriesCompanionFile(const std::string& name);

}  // namespace isImageSDK
