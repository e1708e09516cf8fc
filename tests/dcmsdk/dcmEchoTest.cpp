#include "dcmsdk/dcmEcho.h"

#include "LibraryEvents.h"
#include "OrthancPeer.h"
#include "dcmsdk/DcmNetwork.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using bvtest::ChildProcess;
using bvtest::LibraryEvents;

namespace {

std::vector<std::string> replies() {
    std::vector<std::string> texts;
    for (const auto& event : LibraryEvents::ofType(4)) {
        texts.push_back(event.text);
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

}  // namespace

TEST(dcmEcho, VerifiesStorescpAndOrthancAndReportsOnlyNamedNodesThatFail) {
    LibraryEvents::install();
    bvtest::TempDir dir;
    const int storescpPort = bvtest::freeLoopbackPort();
    ChildProcess storescp;
    ASSERT_TRUE(storescp.start({"storescp", std::to_string(storescpPort)},
                               (dir / "storescp.log").string()));
    ASSERT_TRUE(bvtest::waitForLoopbackPort(storescpPort));
    bvtest::OrthancPeer orthanc;
    ASSERT_TRUE(orthanc.start(bvtest::freeLoopbackPort()));
    const std::string closed = std::to_string(bvtest::freeLoopbackPort());
    const std::string sp = std::to_string(storescpPort);
    const std::string op = std::to_string(orthanc.port());

    dcmSDK::dcmEcho echo;
    char named[3][100] = {};
    std::snprintf(named[0], 100, "Ward \"A\",127.0.0.1,%s", sp.c_str());
    std::snprintf(named[1], 100, "PACS,127.0.0.1,%s", op.c_str());
    std::snprintf(named[2], 100, "Gone,127.0.0.1,%s", closed.c_str());
    ASSERT_TRUE(echo.echo(named, 3, false));
    ASSERT_TRUE(LibraryEvents::waitForCount(4, 3));

    char swept[2][100] = {};
    std::snprintf(swept[0], 100, "127.0.0.1,%s", op.c_str());
    std::snprintf(swept[1], 100, "127.0.0.1,%s", closed.c_str());
    ASSERT_TRUE(echo.echo(swept, 2, true));
    ASSERT_TRUE(LibraryEvents::waitForCount(4, 4));
    echo.stopThreads();

    std::vector<std::string> expected = {
        "{\"ok\":\"1\",\"appid\":\"127.0.0.1:" + sp + "\",\"ip\":\"127.0.0.1\",\"port\":\"" + sp +
            "\",\"name\":\"Ward 'A'\"}",
        "{\"ok\":\"1\",\"appid\":\"127.0.0.1:" + op + "\",\"ip\":\"127.0.0.1\",\"port\":\"" + op +
            "\",\"name\":\"PACS\"}",
        "{\"ok\":\"0\",\"appid\":\"127.0.0.1:" + closed + "\",\"ip\":\"127.0.0.1\",\"port\":\"" +
            closed + "\",\"name\":\"Gone\"}",
        "{\"ok\":\"1\",\"appid\":\"127.0.0.1:" + op + "\",\"ip\":\"127.0.0.1\",\"port\":\"" + op +
            "\",\"name\":\"127.0.0.1\"}",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(replies(), expected);
}

TEST(dcmEcho, IgnoresMalformedTargetsAndStopsWithoutFurtherEvents) {
    LibraryEvents::install();
    dcmSDK::dcmEcho echo;
    char targets[3][100] = {};
    std::strcpy(targets[0], "only-one-field");
    std::strcpy(targets[1], "a,b,c,d");
    std::memset(targets[2], 'x', sizeof(targets[2]));  // no terminating zero
    EXPECT_TRUE(echo.echo(targets, 3, false));
    echo.stopping = true;
    EXPECT_FALSE(echo.echo(targets, 1, true));
    echo.stopThreads();
    EXPECT_TRUE(LibraryEvents::all().empty());
}
