#include "dcmsdk/dcmServer.h"

#include "LibraryEvents.h"
#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "dcmsdk/dcmSender.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/dimse.h>
#include <dcmtk/dcmnet/dul.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

using bvtest::ChildProcess;
using bvtest::DicomFixture;
using bvtest::LibraryEvents;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A plain TCP connection to the node on loopback; -1 when it cannot be made.
int connectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Waits until the node closes the connection; false when it is still open after `seconds`.
bool closedByPeer(int fd, double seconds) {
    const auto start = std::chrono::steady_clock::now();
    char buffer[512];
    while (secondsSince(start) < seconds) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, 100) > 0 && recv(fd, buffer, sizeof(buffer), 0) <= 0) {
            return true;
        }
    }
    return false;
}

// Sets the library's timeouts for one test and puts the defaults back afterwards.
struct TimeoutsForTest {
    TimeoutsForTest(int connectSeconds, int messageSeconds) {
        dcmSDK::DcmNetwork::setTimeouts(connectSeconds, messageSeconds);
    }
    ~TimeoutsForTest() { dcmSDK::DcmNetwork::setTimeouts(5, 30); }
};

std::vector<std::string> filesUnder(const std::filesystem::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(std::filesystem::relative(entry.path(), root).string());
        }
    }
    return files;
}

// A running node on a free port with its storage folder, and the events it raised.
class NodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        LibraryEvents::install();
        root_ = (storage_ / "dicom").string() + "/";
        std::filesystem::create_directories(root_);
        port_ = bvtest::freeLoopbackPort();
        server_.setRoot(root_.c_str());
        server_.setPort("localhost", std::to_string(port_).c_str(), "rivodavo");
        ASSERT_TRUE(server_.BeginDicomServer());
    }

    int storescu(const std::vector<std::string>& files, std::vector<std::string> options = {}) {
        std::vector<std::string> arguments = {"storescu", "-aec", "rivodavo", "+sd", "-R"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("127.0.0.1");
        arguments.push_back(std::to_string(port_));
        arguments.insert(arguments.end(), files.begin(), files.end());
        std::string output;
        const int code = ChildProcess::run(arguments, output);
        last_output_ = output;
        return code;
    }

    // Files stored below the root, leaving out the partial-file folder.
    std::vector<std::string> stored() const {
        std::vector<std::string> files;
        for (const std::string& file : filesUnder(root_)) {
            if (file.rfind(".incoming", 0) != 0) {
                files.push_back(file);
            }
        }
        return files;
    }

    bvtest::TempDir storage_;
    bvtest::TempDir sources_;
    std::string root_;
    int port_ = 0;
    dcmSDK::dcmServer server_;
    std::string last_output_;
};

}  // namespace

TEST_F(NodeTest, AnswersVerificationAndStopsAndStartsAgain) {
    std::string output;
    EXPECT_EQ(ChildProcess::run({"echoscu", "127.0.0.1", std::to_string(port_)}, output), 0)
        << output;
    EXPECT_TRUE(server_.isRunning());
    server_.StopDicomServer();
    EXPECT_FALSE(server_.isRunning());
    EXPECT_NE(
        ChildProcess::run({"echoscu", "-to", "5", "127.0.0.1", std::to_string(port_)}, output), 0);
    ASSERT_TRUE(server_.BeginDicomServer());
    EXPECT_EQ(ChildProcess::run({"echoscu", "127.0.0.1", std::to_string(port_)}, output), 0)
        << output;
}

// A port another program holds is refused with the reason, and taken once it is free.
TEST_F(NodeTest, ATakenPortIsRefusedWithItsReasonAndTakenOnceFree) {
    server_.StopDicomServer();
    bvtest::TakenPort other(port_);
    ASSERT_TRUE(other.taken());
    EXPECT_FALSE(server_.BeginDicomServer());
    EXPECT_FALSE(server_.isRunning());
    EXPECT_EQ(server_.getStartError().rfind("cannot listen on port " + std::to_string(port_), 0),
              0u)
        << server_.getStartError();
    other.release();
    ASSERT_TRUE(server_.BeginDicomServer());
    EXPECT_EQ(server_.getStartError(), "");
    std::string output;
    EXPECT_EQ(ChildProcess::run({"echoscu", "127.0.0.1", std::to_string(port_)}, output), 0)
        << output;
}

TEST_F(NodeTest, StoresEveryTransferSyntaxOnceWithItsRecord) {
    // storescu proposes a compressed syntax only when told which one.
    const struct {
        E_TransferSyntax syntax;
        const char* option;
    } syntaxes[] = {{EXS_LittleEndianExplicit, "-xe"}, {EXS_LittleEndianImplicit, "-xi"},
                    {EXS_JPEGProcess14SV1, "-xs"},     {EXS_JPEGLSLossless, "-xt"},
                    {EXS_RLELossless, "-xr"},          {EXS_DeflatedLittleEndianExplicit, "-xd"}};
    std::vector<std::string> files;
    DicomFixture fixture;
    fixture.studyInstanceUID = "1.2.3.4";
    fixture.seriesInstanceUID = "1.2.3.4.5";
    fixture.patientName = "O'Brien, \"Pat\"^Jo";
    int instance = 1;
    for (const auto& c : syntaxes) {
        fixture.transferSyntax = c.syntax;
        fixture.instanceNumber = instance;
        fixture.sopInstanceUID = "1.2.3.4.5." + std::to_string(instance);
        const std::string path = (sources_ / ("f" + std::to_string(instance) + ".dcm")).string();
        ASSERT_TRUE(fixture.write(path));
        files.push_back(path);
        EXPECT_EQ(storescu({path}, {c.option}), 0) << c.option << ": " << last_output_;
        ++instance;
    }
    ASSERT_TRUE(LibraryEvents::waitForCount(3, files.size()));

    const std::vector<LibraryEvents::Event> records = LibraryEvents::ofType(3);
    ASSERT_EQ(records.size(), files.size());
    const std::string folder =
        dcmSDK::DcmNames::seriesFolder(fixture.patientName, "ID0001", "1.2.3.4", "1.2.3.4.5");
    for (const auto& event : records) {
        EXPECT_EQ(std::string(event.record.SeriesFolder), folder + "/");
        EXPECT_STREQ(event.record.PatientName, "O'Brien, \"Pat\"^Jo");
        EXPECT_STREQ(event.record.StudyInstanceUID, "1.2.3.4");
        EXPECT_STREQ(event.record.Modality, "CT");
        EXPECT_TRUE(
            std::filesystem::exists(root_ + event.record.SeriesFolder + event.record.FileName));
        EXPECT_EQ(std::string(event.record.FileName), event.record.SOPInstanceUID);
    }
    EXPECT_EQ(stored().size(), files.size());
}

TEST_F(NodeTest, ServesSeveralSendersAtOnceWithEachFileStoredOnce) {
    const int senders = 4;
    const int perSender = 15;
    std::vector<std::vector<std::string>> batches(senders);
    DicomFixture fixture;
    for (int s = 0; s < senders; ++s) {
        fixture.seriesInstanceUID = "1.9." + std::to_string(s + 1);
        for (int i = 0; i < perSender; ++i) {
            fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i + 1);
            const std::string path =
                (sources_ / (std::to_string(s) + "-" + std::to_string(i) + ".dcm")).string();
            ASSERT_TRUE(fixture.write(path));
            batches[s].push_back(path);
        }
    }
    std::vector<std::unique_ptr<ChildProcess>> processes;
    for (int s = 0; s < senders; ++s) {
        std::vector<std::string> arguments = {"storescu", "-aec", "rivodavo", "127.0.0.1",
                                              std::to_string(port_)};
        arguments.insert(arguments.end(), batches[s].begin(), batches[s].end());
        processes.push_back(std::make_unique<ChildProcess>());
        ASSERT_TRUE(
            processes.back()->start(arguments, (sources_ / ("log" + std::to_string(s))).string()));
    }
    for (auto& process : processes) {
        EXPECT_EQ(process->wait(), 0);
    }
    ASSERT_TRUE(LibraryEvents::waitForCount(3, senders * perSender));
    std::map<std::string, int> seen;
    for (const auto& event : LibraryEvents::ofType(3)) {
        ++seen[event.record.SOPInstanceUID];
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(senders * perSender));
    for (const auto& entry : seen) {
        EXPECT_EQ(entry.second, 1) << entry.first;
    }
    EXPECT_EQ(stored().size(), static_cast<std::size_t>(senders * perSender));
}

TEST_F(NodeTest, RefusesObjectsWithUnusableUidsAndStoresNothingForThem) {
    const struct {
        const char* name;
        std::string sop;
        std::string study;
        std::string series;
    } cases[] = {
        {"path in SOP UID", "../x", "1.2", "1.2.3"},
        {"letters in study UID", "1.2.3.4", "1.2.abc", "1.2.3"},
        {"series UID too long", "1.2.3.5", "1.2", "1." + std::string(70, '2')},
        {"empty component", "1..2", "1.2", "1.2.3"},
        {"NUL inside SOP UID", std::string("1.2.3.6\0.7", 10), "1.2", "1.2.3"},
        {"NUL inside series UID", "1.2.3.8", "1.2", std::string("1.2.3\0.4", 8)},
    };
    for (const auto& c : cases) {
        DicomFixture fixture;
        fixture.sopInstanceUID = c.sop;
        fixture.studyInstanceUID = c.study;
        fixture.seriesInstanceUID = c.series;
        // Written whole, NUL bytes included.
        fixture.customise = [&c](DcmDataset& data) {
            data.putAndInsertOFStringArray(DCM_SOPInstanceUID,
                                           OFString(c.sop.data(), c.sop.size()));
            data.putAndInsertOFStringArray(DCM_SeriesInstanceUID,
                                           OFString(c.series.data(), c.series.size()));
        };
        const std::string path = (sources_ / "bad.dcm").string();
        ASSERT_TRUE(fixture.write(path)) << c.name;
        EXPECT_NE(storescu({path}), 0) << c.name << ": " << last_output_;
    }
    DicomFixture good;
    good.sopInstanceUID = "1.2.3.99";
    const std::string path = (sources_ / "good.dcm").string();
    ASSERT_TRUE(good.write(path));
    ASSERT_EQ(storescu({path}), 0) << last_output_;
    ASSERT_TRUE(LibraryEvents::waitForCount(3, 1));
    EXPECT_EQ(LibraryEvents::ofType(3).size(), 1u);
    const std::vector<std::string> files = stored();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::filesystem::path(files[0]).filename().string(), "1.2.3.99");
    EXPECT_TRUE(filesUnder(storage_.path() / "dicom" / ".incoming").empty());
    EXPECT_EQ(filesUnder(storage_.path()).size(), 1u);
}

TEST(dcmServer, FolderOfASeriesIsThreeSafeLevelsAndStable) {
    char buffer[1024];
    ASSERT_TRUE(dcmSDK::dcmServer::getDicomFolder("../../etc", "a/b", "1.2.3", "../x", buffer));
    const std::string folder = buffer;
    EXPECT_EQ(folder.find(".."), std::string::npos);
    EXPECT_EQ(std::count(folder.begin(), folder.end(), '/'), 2);
    EXPECT_EQ(folder.substr(folder.find('/') + 1, 6), "1.2.3/");
    EXPECT_NE(folder.back(), '/');
    char again[1024];
    dcmSDK::dcmServer::getDicomFolder("../../etc", "a/b", "1.2.3", "../x", again);
    EXPECT_STREQ(buffer, again);
    dcmSDK::dcmServer::getDicomFolder("../../et", "ca/b", "1.2.3", "../x", again);
    EXPECT_STRNE(buffer, again);
}

namespace {

// Sends a C-STORE whose data set is the given bytes as they stand, the way a faulty peer would;
// the node's response status.
unsigned short sendRaw(int port, const std::string& bytes) {
    dcmSDK::DcmAssociation association;
    std::string error;
    const std::vector<dcmSDK::DcmAssociation::Context> contexts = {
        {UID_CTImageStorage, {UID_LittleEndianExplicitTransferSyntax}, false}};
    if (!association.open("127.0.0.1", port, "PEER", "rivodavo", contexts, error)) {
        return 0xFFFF;
    }
    const T_ASC_PresentationContextID context = association.findContext(UID_CTImageStorage);
    // DCMTK will not send a request without a data set it encodes itself, so the command set is
    // written by hand too: implicit little endian, group length first.
    const auto element = [](std::uint16_t tag, const std::string& value) {
        std::string bytes(8, '\0');
        bytes[2] = static_cast<char>(tag & 0xFF);
        bytes[3] = static_cast<char>(tag >> 8);
        bytes[4] = static_cast<char>(value.size());
        return bytes + value;
    };
    const auto us = [](std::uint16_t value) {
        return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    };
    const std::string body = element(0x0002, std::string(UID_CTImageStorage) + '\0') +
                             element(0x0100, us(0x0001)) + element(0x0110, us(1)) +
                             element(0x0700, us(0)) + element(0x0800, us(0)) +
                             element(0x1000, std::string("1.2.3") + '\0');
    const std::uint32_t length = static_cast<std::uint32_t>(body.size());
    std::string command = element(0x0000, std::string(reinterpret_cast<const char*>(&length), 4));
    command += body;
    std::string data = bytes;
    DUL_PDV pdvs[2] = {};
    pdvs[0].fragmentLength = static_cast<unsigned long>(command.size());
    pdvs[0].presentationContextID = context;
    pdvs[0].pdvType = DUL_COMMANDPDV;
    pdvs[0].lastPDV = OFTrue;
    pdvs[0].data = command.data();
    pdvs[1].fragmentLength = static_cast<unsigned long>(data.size());
    pdvs[1].presentationContextID = context;
    pdvs[1].pdvType = DUL_DATASETPDV;
    pdvs[1].lastPDV = OFTrue;
    pdvs[1].data = data.data();
    for (DUL_PDV& pdv : pdvs) {
        DUL_PDVLIST list{};
        list.count = 1;
        list.pdv = &pdv;
        if (DUL_WritePDVs(&association.get()->DULassociation, &list).bad()) {
            return 0xFFFD;
        }
    }
    T_DIMSE_Message response{};
    T_ASC_PresentationContextID responseContext = 0;
    if (DIMSE_receiveCommand(association.get(), DIMSE_BLOCKING, 0, &responseContext, &response,
                             nullptr)
            .bad() ||
        response.CommandField != DIMSE_C_STORE_RSP) {
        return 0xFFFC;
    }
    return response.msg.CStoreRSP.DimseStatus;
}

}  // namespace

TEST_F(NodeTest, RefusesMalformedStreamsAndKeepsServing) {
    const std::string absurdLength = std::string("\x08\x00\x16\x00UI\x0A\x00", 8) + "1.2.840.1\0" +
                                     std::string("\x09\x00\x10\x00OB\x00\x00\xF0\xFF\xFF\x7F", 12) +
                                     "short";
    std::string garbage(600, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(i * 37 + 11);
    }
    for (const std::string& bytes : {absurdLength, garbage, std::string("\x08\x00", 2)}) {
        EXPECT_EQ(sendRaw(port_, bytes), 0xC000);
    }
    // Bytes that are no DICOM at all.
    const int fd = connectTo(port_);
    ASSERT_GE(fd, 0);
    const char junk[] = "GET / HTTP/1.0\r\n\r\n";
    EXPECT_GT(write(fd, junk, sizeof(junk)), 0);
    close(fd);

    EXPECT_TRUE(stored().empty());
    EXPECT_TRUE(LibraryEvents::ofType(3).empty());
    const std::string good = (sources_ / "good.dcm").string();
    DicomFixture fixture;
    fixture.sopInstanceUID = "1.2.4";
    ASSERT_TRUE(fixture.write(good));
    EXPECT_EQ(storescu({good}), 0) << last_output_;
    ASSERT_TRUE(LibraryEvents::waitForCount(3, 1));
    EXPECT_EQ(stored().size(), 1u);
}

TEST_F(NodeTest, IdleConnectionsLockNobodyOutAndDoNotHoldUpTheStop) {
    // Connections that never finish their association request, with the node's message timeout
    // (30 s) well beyond what the other peers wait.
    const std::string requestHead("\x01\x00\x00\x00\x00\xC8", 6);
    const struct {
        const char* name;
        std::string bytes;
    } idle[] = {
        {"sends nothing", ""},
        {"sends the first bytes of a request", requestHead.substr(0, 3)},
        {"sends a request header and part of its body", requestHead + std::string(40, '\x10')},
    };
    std::vector<int> sockets;
    for (const auto& c : idle) {
        const int fd = connectTo(port_);
        ASSERT_GE(fd, 0) << c.name;
        if (!c.bytes.empty()) {
            ASSERT_EQ(write(fd, c.bytes.data(), c.bytes.size()),
                      static_cast<ssize_t>(c.bytes.size()))
                << c.name;
        }
        sockets.push_back(fd);
    }
    std::string output;
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(
            ChildProcess::run(
                {"echoscu", "-to", "10", "-ta", "10", "127.0.0.1", std::to_string(port_)}, output),
            0)
            << output;
    }
    const std::string file = (sources_ / "one.dcm").string();
    ASSERT_TRUE(DicomFixture().write(file));
    EXPECT_EQ(storescu({file}, {"-to", "10", "-ta", "10"}), 0) << last_output_;

    const auto start = std::chrono::steady_clock::now();
    server_.StopDicomServer();
    EXPECT_LT(secondsSince(start), 3.0);
    EXPECT_FALSE(server_.isRunning());
    for (const int fd : sockets) {
        EXPECT_TRUE(closedByPeer(fd, 5.0));
        close(fd);
    }
}

TEST_F(NodeTest, AFloodOfConnectionsThatSendNothingKeepsNoPeerOut) {
    std::vector<int> sockets;
    for (int i = 0; i < 200; ++i) {
        const int fd = connectTo(port_);
        ASSERT_GE(fd, 0) << i;
        sockets.push_back(fd);
    }
    std::string output;
    EXPECT_EQ(ChildProcess::run({"echoscu", "-to", "10", "-ta", "10", "-td", "10", "127.0.0.1",
                                 std::to_string(port_)},
                                output),
              0)
        << output;
    for (const int fd : sockets) {
        close(fd);
    }
}

// A command naming another class or instance than its data set is refused with 0xA900 and
// nothing is filed for it; the matching command is stored.
TEST_F(NodeTest, RefusesAStoreWhoseCommandDisagreesWithItsDataSet) {
    DicomFixture fixture;
    fixture.sopInstanceUID = "1.2.3.50";
    const std::string path = (sources_ / "image.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    DcmFileFormat file;
    ASSERT_TRUE(file.loadFile(path.c_str()).good());
    OFString sopClass;
    file.getDataset()->findAndGetOFString(DCM_SOPClassUID, sopClass);
    const std::vector<dcmSDK::DcmAssociation::Context> contexts = {
        {sopClass.c_str(), {UID_LittleEndianExplicitTransferSyntax}, false},
        {UID_MRImageStorage, {UID_LittleEndianExplicitTransferSyntax}, false}};
    dcmSDK::DcmAssociation association;
    std::string error;
    ASSERT_TRUE(association.open("127.0.0.1", port_, "MISMATCH", "rivodavo", contexts, error))
        << error;
    const struct {
        const char* name;
        std::string sopClass;
        std::string instance;
        unsigned short status;
    } cases[] = {
        {"other instance", sopClass.c_str(), "1.2.3.51", 0xA900},
        {"other class", UID_MRImageStorage, "1.2.3.50", 0xA900},
        {"matching", sopClass.c_str(), "1.2.3.50", 0x0000},
    };
    unsigned short messageId = 1;
    for (const auto& c : cases) {
        const T_ASC_PresentationContextID context =
            association.findContext(c.sopClass, UID_LittleEndianExplicitTransferSyntax);
        ASSERT_NE(context, 0) << c.name;
        T_DIMSE_C_StoreRQ request{};
        request.MessageID = messageId++;
        OFStandard::strlcpy(request.AffectedSOPClassUID, c.sopClass.c_str(),
                            sizeof(request.AffectedSOPClassUID));
        OFStandard::strlcpy(request.AffectedSOPInstanceUID, c.instance.c_str(),
                            sizeof(request.AffectedSOPInstanceUID));
        request.DataSetType = DIMSE_DATASET_PRESENT;
        request.Priority = DIMSE_PRIORITY_MEDIUM;
        T_DIMSE_C_StoreRSP response{};
        DcmDataset* detail = nullptr;
        ASSERT_TRUE(DIMSE_storeUser(association.get(), context, &request, nullptr,
                                    file.getDataset(), nullptr, nullptr, DIMSE_BLOCKING, 0,
                                    &response, &detail)
                        .good())
            << c.name;
        delete detail;
        EXPECT_EQ(response.DimseStatus, c.status) << c.name;
    }
    association.close();
    ASSERT_TRUE(LibraryEvents::waitForCount(3, 1));
    EXPECT_EQ(LibraryEvents::ofType(3).size(), 1u);
    const std::vector<std::string> files = stored();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::filesystem::path(files[0]).filename().string(), "1.2.3.50");
}

TEST_F(NodeTest, StalledPdusEndAfterTheMessageTimeout) {
    server_.StopDicomServer();
    const TimeoutsForTest timeouts(5, 3);
    ASSERT_TRUE(server_.BeginDicomServer());
    // Every session slot taken by an association whose next PDU stops half-way.
    const std::vector<dcmSDK::DcmAssociation::Context> contexts = {
        {UID_VerificationSOPClass, {UID_LittleEndianImplicitTransferSyntax}, false}};
    std::vector<std::unique_ptr<dcmSDK::DcmAssociation>> stalled;
    const std::string halfPdu = std::string("\x04\x00\x00\x00\x01\x00", 6) + std::string(40, '\0');
    for (int i = 0; i < 32; ++i) {
        auto association = std::make_unique<dcmSDK::DcmAssociation>();
        std::string error;
        ASSERT_TRUE(association->open("127.0.0.1", port_, "STALL", "rivodavo", contexts, error))
            << i << ": " << error;
        const int fd = dcmSDK::DcmNetwork::socketOf(association->get());
        ASSERT_EQ(write(fd, halfPdu.data(), halfPdu.size()), static_cast<ssize_t>(halfPdu.size()));
        association->markBroken();
        stalled.push_back(std::move(association));
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto& association : stalled) {
        EXPECT_TRUE(closedByPeer(dcmSDK::DcmNetwork::socketOf(association->get()),
                                 25.0 - secondsSince(start)));
    }
    EXPECT_LT(secondsSince(start), 25.0);
    std::string output;
    EXPECT_EQ(
        ChildProcess::run({"echoscu", "-to", "10", "-ta", "10", "127.0.0.1", std::to_string(port_)},
                          output),
        0)
        << output;
}

TEST(dcmsdk_destroy, StopsTheNodeAndSendsAndForgetsTheCallbacks) {
    LibraryEvents::install();
    bvtest::TempDir root;
    dcmSDK::dcmServer server;
    server.setRoot(root.str().c_str());
    server.setPort("", std::to_string(bvtest::freeLoopbackPort()).c_str(), "rivodavo");
    ASSERT_TRUE(server.BeginDicomServer());
    dcmSDK::dcmSender sender;
    sender.setIP("127.0.0.1", std::to_string(bvtest::freeLoopbackPort()).c_str());
    DicomFixture fixture;
    ASSERT_TRUE(fixture.write((root / "x.dcm").string()));
    ASSERT_TRUE(sender.send(1, (root / "x.dcm").c_str()));
    dcmSDK::dcmsdk_destroy();
    EXPECT_FALSE(server.isRunning());
    EXPECT_FALSE(sender.isSending());
    EXPECT_EQ(dcmSDK::getMsgCallback(), nullptr);
    ASSERT_TRUE(server.BeginDicomServer());
    server.StopDicomServer();
}
