#include "dcmsdk/DcmThreadRegistry.h"

namespace dcmSDK {

std::mutex& DcmThreadRegistry::mutex() {
    static std::mutex instance;
    return instance;
}

std::set<DcmThreadOwner*>& DcmThreadRegistry::owners() {
    static std::set<DcmThreadOwner*> instance;
    return instance;
}

void DcmThreadRegistry::add(DcmThreadOwner* owner) {
    std::lock_guard<std::mutex> lock(mutex());
    owners().insert(owner);
}

void DcmThreadRegistry::remove(DcmThreadOwner* owner) {
    std::lock_guard<std::mutex> lock(mutex());
    owners().erase(owner);
}

void DcmThreadRegistry::stopAll() {
    // Held while stopping so that no owner is torn down half-way; stopping only joins the owner's
    // own threads, which never come back here.
    std::lock_guard<std::mutex> lock(mutex());
    for (DcmThreadOwner* owner : owners()) {
        owner->stopThreads();
    }
}

}  // namespace dcmSDK
