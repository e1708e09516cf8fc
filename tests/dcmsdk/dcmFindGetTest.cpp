#include "dcmsdk/dcmFind.h"
#include "dcmsdk/dcmGet.h"

#include "LibraryEvents.h"
#include "OrthancPeer.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/dcmReader.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"

#include <arpa/inet.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/assoc.h>
#include <dcmtk/dcmnet/dimse.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using bvtest::ChildProcess;
using bvtest::DicomFixture;
using bvtest::LibraryEvents;

namespace {

// The bracketed value that follows a tag in a find answer, as the application's parser reads it.
std::string valueOf(const std::string& answer, const std::string& tag) {
    const std::size_t at = answer.find(tag);
    if (at == std::string::npos) {
        return "<absent>";
    }
    const std::size_t open = answer.find('[', at);
    const std::size_t close = answer.find(']', open);
    return answer.substr(open + 1, close - open - 1);
}

// Orthanc holding one study of two series for a patient whose name has a comma, a quote and a
// bracket.
class RemoteNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        LibraryEvents::install();
        dcmSDK::DcmNetwork::setDefaultCalledAETitle("ORTHANC");
        ASSERT_TRUE(orthanc_.start(bvtest::freeLoopbackPort()));
        DicomFixture fixture;
        fixture.patientName = "O'Neil, \"Ann\" [2]";
        fixture.patientID = "P-7";
        fixture.studyInstanceUID = "1.3.1";
        fixture.studyDate = "20240315";
        fixture.studyTime = "081530";
        std::vector<std::string> files;
        for (int series = 1; series <= 2; ++series) {
            fixture.seriesInstanceUID = "1.3.1." + std::to_string(series);
            fixture.seriesNumber = std::to_string(series);
            fixture.modality = series == 1 ? "CT" : "MR";
            for (int i = 1; i <= 3; ++i) {
                fixture.instanceNumber = i;
                fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i);
                const std::string path = (sources_ / (fixture.sopInstanceUID + ".dcm")).string();
                ASSERT_TRUE(fixture.write(path));
                files.push_back(path);
            }
        }
        ASSERT_TRUE(orthanc_.store(files));
        ASSERT_EQ(orthanc_.instancesOf("1.3.1", "1.3.1.1").size(), 3u);
        port_ = std::to_string(orthanc_.port());
    }

    bvtest::TempDir sources_;
    bvtest::OrthancPeer orthanc_;
    std::string port_;
};

TEST(dcmGet, ListedTasksAreCutBetweenCharacters) {
    LibraryEvents::install();
    dcmSDK::DcmNetwork::setTimeouts(5, 3);
    // A node that accepts connections but never answers keeps the task in the list.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(silent, 8), 0);
    socklen_t length = sizeof(address);
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));
    // Three bytes a character: the name's 64-byte cut and the folder's cut both fall inside one.
    std::string name;
    std::string folder;
    for (int i = 0; i < 22; ++i) {
        name += "\xe4\xb8\xad";
    }
    for (int i = 0; i < 400; ++i) {
        folder += "\xe4\xb8\xad";
    }
    const auto wholeCharacters = [](const std::string& text) {
        for (std::size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t width = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if ((lead & 0xC0) == 0x80 || i + width > text.size()) {
                return false;
            }
            for (std::size_t k = 1; k < width; ++k) {
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                    return false;
                }
            }
            i += width;
        }
        return true;
    };
    {
        dcmSDK::dcmGet get;
        ASSERT_TRUE(get.getSeriesByUID("127.0.0.1", port.c_str(), "", "", "1.2", "1.2.1",
                                       folder.c_str(), name.c_str(), "1", "CT"));
        std::vector<char> buffer(2 * dcmSDK::dcmGet::kTaskTextSize);
        ASSERT_TRUE(get.getList(buffer.data(), static_cast<int>(buffer.size())));
        const std::string listed(buffer.data());
        EXPECT_LT(listed.size(), static_cast<std::size_t>(dcmSDK::dcmGet::kTaskTextSize));
        EXPECT_TRUE(wholeCharacters(listed)) << listed;
        EXPECT_NE(listed.find("," + name.substr(0, 63) + ",1,CT"), std::string::npos);
        EXPECT_TRUE(get.removeTask("1.2.1"));
    }
    close(silent);
    dcmSDK::DcmNetwork::setTimeouts(5, 30);
}

}  // namespace

TEST_F(RemoteNodeTest, FindsStudiesByPatientNameAndSeriesByStudy) {
    dcmSDK::dcmFind find;
    ASSERT_TRUE(find.findPatientByName("127.0.0.1", port_.c_str(), "", "", "*Neil*"));
    ASSERT_TRUE(LibraryEvents::waitForCount(5, 1));
    const std::string study = LibraryEvents::ofType(5)[0].text;
    EXPECT_EQ(valueOf(study, "0010,0010"), "O'Neil, \"Ann\" (2)");
    EXPECT_EQ(valueOf(study, "0010,0020"), "P-7");
    EXPECT_EQ(valueOf(study, "0020,000d"), "1.3.1");
    EXPECT_EQ(valueOf(study, "0008,0020"), "20240315");
    EXPECT_EQ(valueOf(study, "0008,0030"), "081530");
    EXPECT_EQ(study.find("0008,0060"), std::string::npos);
    for (const char* tag : {"0008,0080", "0010,0030", "0010,0040", "0020,0010", "0008,1030"}) {
        EXPECT_NE(valueOf(study, tag), "<absent>") << tag;
    }

    LibraryEvents::install();
    ASSERT_TRUE(find.findStudyByUID("127.0.0.1", port_.c_str(), "", "", "1.3.1"));
    ASSERT_TRUE(find.findPatientByName("127.0.0.1", port_.c_str(), "", "", "Nobody*"));
    ASSERT_TRUE(LibraryEvents::waitForCount(5, 2));
    find.stopThreads();
    std::vector<std::string> series;
    for (const auto& event : LibraryEvents::ofType(5)) {
        series.push_back(valueOf(event.text, "0020,000e") + " " + valueOf(event.text, "0008,0060") +
                         " " + valueOf(event.text, "0020,1209"));
    }
    std::sort(series.begin(), series.end());
    EXPECT_EQ(series, (std::vector<std::string>{"1.3.1.1 CT 3", "1.3.1.2 MR 3"}));
    EXPECT_TRUE(LibraryEvents::ofType(6).empty());
}

TEST_F(RemoteNodeTest, FindFailsWithAnEventWhenTheNodeIsUnreachable) {
    dcmSDK::dcmFind find;
    const std::string closed = std::to_string(bvtest::freeLoopbackPort());
    ASSERT_TRUE(find.findPatientByName("127.0.0.1", closed.c_str(), "", "", "*"));
    ASSERT_TRUE(LibraryEvents::waitForCount(6, 1));
    EXPECT_TRUE(LibraryEvents::ofType(5).empty());
}

TEST_F(RemoteNodeTest, RetrievesASeriesIntoTheDownloadFolderWithEventsInOrder) {
    bvtest::TempDir download;
    dcmSDK::dcmGet get;
    ASSERT_TRUE(get.getSeriesByUID("127.0.0.1", port_.c_str(), "", "", "1.3.1", "1.3.1.2",
                                   download.str().c_str(), "O'Neil, \"Ann\" [2]", "2", "MR"));
    ASSERT_TRUE(LibraryEvents::waitFor([](const std::vector<LibraryEvents::Event>& events) {
        return !events.empty() && (events.back().type == 10 || events.back().type == 11);
    }));
    const std::vector<LibraryEvents::Event> events = LibraryEvents::all();
    ASSERT_GE(events.size(), 6u);
    EXPECT_EQ(events.front().type, 9u);
    EXPECT_EQ(events.front().text, "1.3.1.2");
    EXPECT_EQ(events.back().type, 10u);
    EXPECT_EQ(events.back().text, "O'Neil, \"Ann\" [2]");
    const LibraryEvents::Event& final = events[events.size() - 2];
    EXPECT_EQ(final.type, 7u);
    EXPECT_EQ(final.text, "1.3.1.2|0|3|0|0");
    std::vector<std::string> stored;
    for (const auto& event : events) {
        if (event.type == 8) {
            ASSERT_EQ(event.text.rfind(download.str(), 0), 0u) << event.text;
            dcmSDK::dcmReader reader;
            ASSERT_TRUE(reader.setFile(event.text.c_str()));
            char uid[256];
            ASSERT_TRUE(reader.readDicomTagString(0x0008, 0x0018, uid, sizeof(uid)));
            stored.push_back(uid);
        }
    }
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, orthanc_.instancesOf("1.3.1", "1.3.1.2"));
    EXPECT_EQ(get.getListSize(), 0);
    EXPECT_EQ(LibraryEvents::ofType(9).size(), 1u);
}

TEST_F(RemoteNodeTest, RetrievalOfAnUnknownSeriesEndsWithFinalProgressThenFailure) {
    bvtest::TempDir download;
    dcmSDK::dcmGet get;
    ASSERT_TRUE(get.getSeriesByUID("127.0.0.1", port_.c_str(), "", "", "1.3.1", "1.3.1.9",
                                   download.str().c_str(), "Doe, Jo", "9", "CT"));
    ASSERT_TRUE(LibraryEvents::waitForCount(11, 1));
    const std::vector<LibraryEvents::Event> events = LibraryEvents::all();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().type, 9u);
    EXPECT_EQ(events[events.size() - 2].type, 7u);
    EXPECT_EQ(events[events.size() - 2].text.substr(0, 10), "1.3.1.9|0|");
    EXPECT_EQ(events.back().text,
              "127.0.0.1," + port_ + ",,,1.3.1,1.3.1.9," + download.str() + ",Doe  Jo,9,CT");
    EXPECT_TRUE(LibraryEvents::ofType(8).empty());
}

namespace {

// A C-GET peer on loopback that sends one object of the series, takes its response and then
// freezes: it neither answers nor reads until it is released.
class FreezingPeer {
public:
    explicit FreezingPeer(const std::string& file) : file_(file) {
        DcmFileFormat format;
        OFString sopClass;
        OFString sopInstance;
        if (format.loadFile(file.c_str()).good()) {
            format.getDataset()->findAndGetOFString(DCM_SOPClassUID, sopClass);
            format.getDataset()->findAndGetOFString(DCM_SOPInstanceUID, sopInstance);
        }
        sopClass_ = sopClass.c_str();
        sopInstance_ = sopInstance.c_str();
        port_ = bvtest::freeLoopbackPort();
        std::string error;
        if (dcmSDK::DcmNetwork::initializeNetwork(true, port_, &network_, error)) {
            thread_ = std::thread(&FreezingPeer::serve, this);
        }
    }
    ~FreezingPeer() {
        release();
        if (thread_.joinable()) {
            thread_.join();
        }
        ASC_dropNetwork(&network_);
    }

    int port() const { return port_; }
    void release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        wake_.notify_all();
    }

private:
    void serve() {
        T_ASC_Association* association = nullptr;
        if (ASC_receiveAssociation(network_, &association, ASC_DEFAULTMAXPDU).bad()) {
            ASC_destroyAssociation(&association);
            return;
        }
        const char* model[] = {UID_GETStudyRootQueryRetrieveInformationModel};
        const char* storage[] = {sopClass_.c_str()};
        const char* syntaxes[] = {UID_LittleEndianExplicitTransferSyntax,
                                  UID_LittleEndianImplicitTransferSyntax};
        ASC_acceptContextsWithPreferredTransferSyntaxes(association->params, model, 1, syntaxes, 2);
        ASC_acceptContextsWithPreferredTransferSyntaxes(association->params, storage, 1, syntaxes,
                                                        2, ASC_SC_ROLE_SCUSCP);
        T_ASC_PresentationContextID context = 0;
        T_DIMSE_Message message{};
        DcmDataset* identifiers = nullptr;
        if (ASC_acknowledgeAssociation(association).good() &&
            DIMSE_receiveCommand(association, DIMSE_BLOCKING, 0, &context, &message, nullptr)
                .good() &&
            DIMSE_receiveDataSetInMemory(association, DIMSE_BLOCKING, 0, &context, &identifiers,
                                         nullptr, nullptr)
                .good()) {
            T_DIMSE_C_StoreRQ request{};
            request.MessageID = association->nextMsgID++;
            OFStandard::strlcpy(request.AffectedSOPClassUID, sopClass_.c_str(),
                                sizeof(request.AffectedSOPClassUID));
            OFStandard::strlcpy(request.AffectedSOPInstanceUID, sopInstance_.c_str(),
                                sizeof(request.AffectedSOPInstanceUID));
            request.DataSetType = DIMSE_DATASET_PRESENT;
            request.Priority = DIMSE_PRIORITY_MEDIUM;
            T_DIMSE_C_StoreRSP response{};
            DcmDataset* detail = nullptr;
            DIMSE_storeUser(association,
                            ASC_findAcceptedPresentationContextID(association, sopClass_.c_str()),
                            &request, file_.c_str(), nullptr, nullptr, nullptr, DIMSE_BLOCKING, 0,
                            &response, &detail);
            delete detail;
        }
        delete identifiers;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return released_; });
        }
        shutdown(dcmSDK::DcmNetwork::socketOf(association), SHUT_RDWR);
        ASC_dropSCPAssociation(association);
        ASC_destroyAssociation(&association);
    }

    std::string file_;
    std::string sopClass_;
    std::string sopInstance_;
    int port_ = 0;
    T_ASC_Network* network_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool released_ = false;
};

}  // namespace

TEST(dcmGet, APeerThatFreezesIsGivenUpAfterTheMessageTimeoutAndItsObjectIsAnnounced) {
    LibraryEvents::install();
    dcmSDK::DcmNetwork::setTimeouts(5, 5);
    bvtest::TempDir sources;
    bvtest::TempDir download;
    DicomFixture fixture;
    fixture.studyInstanceUID = "1.3.2";
    fixture.seriesInstanceUID = "1.3.2.1";
    fixture.sopInstanceUID = "1.3.2.1.1";
    const std::string file = sources.str() + "one.dcm";
    ASSERT_TRUE(fixture.write(file));
    FreezingPeer peer(file);
    dcmSDK::dcmGet get;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(get.getSeriesByUID("127.0.0.1", std::to_string(peer.port()).c_str(), "", "",
                                   "1.3.2", "1.3.2.1", download.str().c_str(), "Doe^John", "1",
                                   "CT"));
    ASSERT_TRUE(LibraryEvents::waitForCount(11, 1));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    peer.release();
    // The message timeout and a few polls, not a second wait on a peer that never answers.
    EXPECT_LT(seconds, 1.5 * dcmSDK::DcmNetwork::messageTimeout());
    const std::vector<LibraryEvents::Event> announced = LibraryEvents::ofType(8);
    ASSERT_EQ(announced.size(), 1u);
    dcmSDK::dcmReader reader;
    ASSERT_TRUE(reader.setFile(announced[0].text.c_str()));
    char uid[256];
    ASSERT_TRUE(reader.readDicomTagString(0x0008, 0x0018, uid, sizeof(uid)));
    EXPECT_STREQ(uid, "1.3.2.1.1");
    dcmSDK::DcmNetwork::setTimeouts(5, 30);
}

TEST(dcmGet, ListsQueuedTasksAndDropsOrCancelsThemByKey) {
    LibraryEvents::install();
    dcmSDK::DcmNetwork::setTimeouts(5, 3);
    // A node that accepts connections but never answers keeps the first task running.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(silent, 8), 0);
    socklen_t length = sizeof(address);
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));
    bvtest::TempDir download;
    {
        dcmSDK::dcmGet get;
        ASSERT_TRUE(get.getSeriesByUID("127.0.0.1", port.c_str(), "", "", "1.2", "1.2.1",
                                       download.str().c_str(), "A@B,C", "1", "CT"));
        ASSERT_TRUE(get.getSeriesByUID("127.0.0.1", port.c_str(), "", "", "1.2", "1.2.2",
                                       download.str().c_str(), "D", "2", "MR"));
        EXPECT_FALSE(get.getSeriesByUID("127.0.0.1", port.c_str(), "", "", "1.2", "1.2.2",
                                        download.str().c_str(), "D", "2", "MR"));
        EXPECT_FALSE(get.getSeriesByUID("127.0.0.1", port.c_str(), "", "", "1.2", "../x",
                                        download.str().c_str(), "D", "2", "MR"));
        ASSERT_EQ(get.getListSize(), 2);
        std::vector<char> buffer(2 * dcmSDK::dcmGet::kTaskTextSize);
        ASSERT_TRUE(get.getList(buffer.data(), static_cast<int>(buffer.size())));
        const std::string prefix = "127.0.0.1," + port + ",,,1.2,";
        EXPECT_EQ(std::string(buffer.data()), prefix + "1.2.1," + download.str() + ",A B C,1,CT@" +
                                                  prefix + "1.2.2," + download.str() + ",D,2,MR");
        char small[8];
        ASSERT_TRUE(get.getList(small, sizeof(small)));
        EXPECT_STREQ(small, "");

        EXPECT_TRUE(get.removeTask("1.2.2"));
        EXPECT_FALSE(get.removeTask("1.2.2"));
        EXPECT_EQ(get.getListSize(), 1);
        ASSERT_TRUE(LibraryEvents::waitForCount(9, 1));
        EXPECT_TRUE(get.removeTask("1.2.1"));
        ASSERT_TRUE(LibraryEvents::waitForCount(11, 1));
    }
    close(silent);
    dcmSDK::DcmNetwork::setTimeouts(5, 30);
    const std::vector<LibraryEvents::Event> events = LibraryEvents::all();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].text, "1.2.1");
    EXPECT_EQ(events[1].text, "1.2.1|0|0|0|0");
    EXPECT_EQ(events[2].type, 11u);
}
