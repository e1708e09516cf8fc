// The DICOM layer's public headers bring no DCMTK type to their users.
#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/dcmConvertor.h"
#include "dcmsdk/dcmEcho.h"
#include "dcmsdk/dcmFind.h"
#include "dcmsdk/dcmGet.h"
#include "dcmsdk/dcmReadTag.h"
#include "dcmsdk/dcmReader.h"
#include "dcmsdk/dcmSender.h"
#include "dcmsdk/dcmServer.h"

void readFile() {
    DcmFileFormat file;
}
