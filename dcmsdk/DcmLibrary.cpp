#include "dcmsdk/DcmLibrary.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmThreadRegistry.h"

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
    });
}

void dcmsdk_destroy() {
    DcmThreadRegistry::stopAll();
    clearCallbacks();
}

}  // namespace dcmSDK
