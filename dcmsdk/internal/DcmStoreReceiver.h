#pragma once

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/LanguageType.h"

#include <memory>
#include <string>

struct T_ASC_Association;
struct T_DIMSE_C_StoreRQ;

namespace dcmSDK {

// Receives the data set of one C-STORE request and files it under a root folder: first into a
// partial file in the root's ".incoming" folder, then, once it proved a sound object with valid
// UIDs within the single-buffer limit, moved into its series folder beside, never over, a file
// there (DcmFilePlacer). A refused object leaves nothing behind.
class DcmStoreReceiver {
public:
    struct Result {
        unsigned short status = 0;  // the C-STORE response status
        bool broken = false;        // the association can no longer be used
        std::string path;           // the stored file
        std::unique_ptr<DCM_MESSAGE> record;
        std::string error;
    };

    // root ends with a separator; texts without Specific Character Set are read in language.
    static Result receive(T_ASC_Association* association, unsigned char presentationContext,
                          const T_DIMSE_C_StoreRQ& request, const std::string& root,
                          LanguageType language);
    // Sends the response to request with the result's status.
    static bool respond(T_ASC_Association* association, unsigned char presentationContext,
                        const T_DIMSE_C_StoreRQ& request, unsigned short status);

private:
    static void file(const std::string& partial, const T_DIMSE_C_StoreRQ& request,
                     const std::string& root, LanguageType language, Result& result);
};

}  // namespace dcmSDK
