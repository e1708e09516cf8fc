#pragma once

#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/ofstd/ofcond.h>

#include <string>

namespace dcmSDK {

// Loads one DICOM file into a DCMTK file format object under the library's safety rules: an
// unknown transfer syntax is refused rather than guessed, a deflated data set that would inflate
// past 256 MiB, or past 64 MiB at over a hundred times its compressed size, is refused before it
// is inflated, large values stay on disk until
// they are asked for, and a file without any real data element is not a data set.
class DcmFileLoader {
public:
    static OFCondition load(const std::string& path, DcmFileFormat& file);
};

}  // namespace dcmSDK
