#include "platform/FileDialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class FileDialogsTest : public ::testing::Test {
protected:
    void TearDown() override { platform::setFileDialogProvider(nullptr); }
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

}  // namespace
