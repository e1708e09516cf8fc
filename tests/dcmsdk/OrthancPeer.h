#pragma once

#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/TempDir.h"

#include <string>
#include <vector>

namespace bvtest {

// An Orthanc server on loopback with its own temporary configuration and storage, knowing the
// local node as modality "rivodavo".
class OrthancPeer {
public:
    // False when Orthanc did not start accepting associations.
    bool start(int localNodePort);
    int port() const { return port_; }

    // Stores files with storescu; true when every file was accepted.
    bool store(const std::vector<std::string>& files);
    // SOP Instance UIDs the server holds for a series, as findscu reports them.
    std::vector<std::string> instancesOf(const std::string& studyUid, const std::string& seriesUid);

private:
    TempDir dir_;
    ChildProcess process_;
    int port_ = 0;
};

}  // namespace bvtest
