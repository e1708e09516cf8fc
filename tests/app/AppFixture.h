#pragma once

#include <functional>
#include <string>

#include "engine/base/UserDefault.h"
#include "studydb/LocalNetwork.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"

namespace apptest {

// A writable folder of the test's own, with user defaults that start empty.
class FreshWritable {
public:
    FreshWritable() : dir("apptest") {
        cocos2d::UserDefault::destroyInstance();
        dir.useAsWritablePath();
    }
    ~FreshWritable() { cocos2d::UserDefault::destroyInstance(); }

    std::string str() const { return dir.str(); }

    bvtest::TempDir dir;
};

// Keeps the discovery and echo sweeps of the services on loopback, with no neighbours.
class LoopbackOnly {
public:
    LoopbackOnly() {
        studydb::LocalNetwork::Source source;
        source.info = [](std::string& host, std::string& addresses) {
            host = "apptest";
            addresses = "127.0.0.2";
        };
        source.subnetAddresses = [](std::vector<std::string>& addresses) { addresses.clear(); };
        source.hasColon = [] { return false; };
        previous = studydb::LocalNetwork::setSource(source);
    }
    ~LoopbackOnly() { studydb::LocalNetwork::setSource(previous); }

private:
    studydb::LocalNetwork::Source previous;
};

// Runs frames until the condition holds or about `seconds` have passed.
inline bool pumpUntil(const std::function<bool()>& condition, double seconds = 20.0) {
    return bvtest::runFramesUntil(condition, seconds, 0.05f);
}

inline void pumpFrames(int frames) {
    bvtest::runFrames(frames, 0.6f);
}

}  // namespace apptest
