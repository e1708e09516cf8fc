#include "OrthancPeer.h"

#include <fstream>
#include <sstream>

#include "tests/support/lib/LoopbackPort.h"

namespace bvtest {

bool OrthancPeer::start(int localNodePort) {
    port_ = bvtest::freeLoopbackPort();
    const int httpPort = bvtest::freeLoopbackPort();
    const std::string config = (dir_ / "config.json").string();
    std::ofstream out(config);
    out << "{\n"
        << "  \"Name\": \"bvtest\",\n"
        << "  \"DicomAet\": \"ORTHANC\",\n"
        << "  \"DicomPort\": " << port_ << ",\n"
        << "  \"HttpPort\": " << httpPort << ",\n"
        << "  \"HttpServerEnabled\": false,\n"
        << "  \"RemoteAccessAllowed\": false,\n"
        << "  \"StorageDirectory\": \"" << (dir_ / "storage").string() << "\",\n"
        << "  \"IndexDirectory\": \"" << (dir_ / "index").string() << "\",\n"
        << "  \"Plugins\": [],\n"
        << "  \"DicomCheckCalledAet\": false,\n"
        << "  \"DicomAlwaysAllowEcho\": true,\n"
        << "  \"DicomAlwaysAllowStore\": true,\n"
        << "  \"DicomAlwaysAllowFind\": true,\n"
        << "  \"DicomAlwaysAllowGet\": true,\n"
        << "  \"DicomModalities\": { \"rivodavo\": [ \"rivodavo\", \"127.0.0.1\", " << localNodePort
        << " ] }\n"
        << "}\n";
    out.close();
    if (!process_.start({"Orthanc", config}, (dir_ / "orthanc.log").string())) {
        return false;
    }
    return bvtest::waitForLoopbackPort(port_);
}

bool OrthancPeer::store(const std::vector<std::string>& files) {
    std::vector<std::string> arguments = {"storescu", "-aec",      "ORTHANC",
                                          "-xs",      "127.0.0.1", std::to_string(port_)};
    arguments.insert(arguments.end(), files.begin(), files.end());
    std::string output;
    return ChildProcess::run(arguments, output) == 0;
}

std::vector<std::string> OrthancPeer::instancesOf(const std::string& studyUid,
                                                  const std::string& seriesUid) {
    std::string output;
    ChildProcess::run({"findscu", "-S", "-aec", "ORTHANC", "-k", "QueryRetrieveLevel=IMAGE", "-k",
                       "StudyInstanceUID=" + studyUid, "-k", "SeriesInstanceUID=" + seriesUid, "-k",
                       "SOPInstanceUID", "127.0.0.1", std::to_string(port_)},
                      output);
    std::vector<std::string> uids;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("(0008,0018)") == std::string::npos) {
            continue;
        }
        const std::size_t open = line.find('[');
        const std::size_t close = line.find(']', open);
        if (open != std::string::npos && close != std::string::npos) {
            std::string uid = line.substr(open + 1, close - open - 1);
            while (!uid.empty() && (uid.back() == '\0' || uid.back() == ' ')) {
                uid.pop_back();
            }
            uids.push_back(uid);
        }
    }
    return uids;
}

}  // namespace bvtest
