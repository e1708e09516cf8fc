#pragma once

#include <mutex>
#include <set>

namespace dcmSDK {

// An object of the library that runs threads of its own.
class DcmThreadOwner {
public:
    virtual ~DcmThreadOwner() = default;
    // Ends the object's work and joins its threads; the object stays usable afterwards.
    virtual void stopThreads() = 0;
};

// Every live thread owner of the process, so that dcmsdk_destroy can end them all. Owners add
// themselves when built and remove themselves before they are torn down.
class DcmThreadRegistry {
public:
    static void add(DcmThreadOwner* owner);
    static void remove(DcmThreadOwner* owner);
    static void stopAll();

private:
    static std::mutex& mutex();
    static std::set<DcmThreadOwner*>& owners();
};

}  // namespace dcmSDK
