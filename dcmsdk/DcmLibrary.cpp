#include "dcmsdk/DcmLibrary.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmThreadRegistry.h"
#include "dcmsdk/internal/DcmLogAppender.h"

#include <dcmtk/dcmdata/dcobject.h>
#include <dcmtk/dcmdata/dcrledrg.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/dcmjpls/djdecode.h>

#include <mutex>

namespace dcmSDK {

void dcmsdk_init() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        DJDecoderRegistration::registerCodecs();
        DJLSDecoderRegistration::registerCodecs();
        DcmRLEDecoderRegistration::registerCodecs();
        // Some writers label an implicit VR data set as explicit VR (or the other way round) in
        // the meta header: the data set's own encoding is taken instead of the label. Compressed
        // data sets keep their label, and an unknown label is still refused by the file loader.
        dcmAutoDetectDatasetXfer.set(OFTrue);
        DcmLogAppender::install();
    });
}

void dcmsdk_destroy() {
    DcmThreadRegistry::stopAll();
    clearCallbacks();
}

}  // namespace dcmSDK
