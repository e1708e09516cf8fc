// The DICOM layer's DCMTK-facing helpers are its own business.
#include "dcmsdk/internal/DcmFileLoader.h"
