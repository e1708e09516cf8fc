#include "platform/FileDialogs.h"

#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

class FileDialogsTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::setFileDialogProvider(nullptr);
        if (!savedPath.empty()) {
            setenv("PATH", savedPath.c_str(), 1);
            unsetenv("DISPLAY");
        }
    }

    // Puts a stand-in dialog program first on the search path and pretends a display exists
    // until the test ends.
    void installDialogProgram(const std::string& script) {
        const std::string program = (bin / "zenity").string();
        std::ofstream(program) << "#!/bin/sh\n" << script;
        chmod(program.c_str(), 0755);
        const char* path = std::getenv("PATH");
        savedPath = path != nullptr ? path : "/usr/bin:/bin";
        setenv("PATH", (bin.path().string() + ":" + savedPath).c_str(), 1);
        setenv("DISPLAY", ":99", 1);
    }

    bvtest::TempDir bin;
    std::string savedPath;
};

TEST_F(FileDialogsTest, InstalledProviderAnswersWithTheRequestItGot) {
    platform::FileDialogRequest seen;
    platform::setFileDialogProvider([&](const platform::FileDialogRequest& request) {
        seen = request;
        return std::optional<std::string>("/tmp/chosen");
    });
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::ChooseFolder;
    request.title = "Pick";
    request.startFolder = "/data";
    EXPECT_EQ(platform::showFileDialog(request), std::optional<std::string>("/tmp/chosen"));
    EXPECT_EQ(seen.kind, platform::FileDialogKind::ChooseFolder);
    EXPECT_EQ(seen.title, "Pick");
    EXPECT_EQ(seen.startFolder, "/data");
}

TEST_F(FileDialogsTest, DefaultWithoutDisplayCancels) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    platform::setFileDialogProvider(
        [](const platform::FileDialogRequest&) { return std::optional<std::string>("/never"); });
    platform::setFileDialogProvider(nullptr);
    for (const auto kind :
         {platform::FileDialogKind::SaveFile, platform::FileDialogKind::ChooseFolder}) {
        platform::FileDialogRequest request;
        request.kind = kind;
        EXPECT_EQ(platform::showFileDialog(request), std::nullopt);
    }
}

TEST_F(FileDialogsTest, DefaultRunsTheDesktopDialogProgram) {
    // The stand-in records its arguments, one per line, and answers with a path.
    const std::string argsFile = (bin / "args").string();
    installDialogProgram("for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + argsFile +
                         "'; done\nprintf '/chosen/path with space\\n'\n");
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::ChooseFolder;
    request.title = "Choose Path to Save:";
    request.startFolder = "/start";
    EXPECT_EQ(platform::showFileDialog(request),
              std::optional<std::string>("/chosen/path with space"));

    std::ifstream in(argsFile);
    std::vector<std::string> args;
    for (std::string line; std::getline(in, line);) {
        args.push_back(line);
    }
    EXPECT_EQ(args, (std::vector<std::string>{"--file-selection", "--title=Choose Path to Save:",
                                              "--directory", "--filename=/start/"}));
}

TEST_F(FileDialogsTest, DefaultTreatsAFailedProgramAsCancel) {
    installDialogProgram("exit 1\n");
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::SaveFile;
    request.filterName = "All Files";
    request.filterPattern = "*.*";
    request.confirmOverwrite = true;
    EXPECT_EQ(platform::showFileDialog(request), std::nullopt);
}

}  // namespace
