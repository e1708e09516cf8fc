#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform {

enum class FileDialogKind {
    SaveFile,      // asks for the path of a file to write
    ChooseFolder,  // asks for an existing folder
    OpenFile,      // asks for an existing file
};

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::SaveFile;
    std::string title;
    std::string startFolder;    // preselected folder; may be empty
    std::string filterName;     // SaveFile: label of the one file filter
    std::string filterPattern;  // SaveFile: pattern of that filter
    bool confirmOverwrite = false;
};

// Shows a dialog and gives the chosen path (UTF-8), or nothing when the user cancels.
using FileDialogProvider = std::function<std::optional<std::string>(const FileDialogRequest&)>;

// Replaces the dialogs, for example with an in-app chooser or a scripted answer in tests. An
// empty provider restores the default: the desktop's dialog program (zenity) when a display and
// the program are available, otherwise an immediate cancel.
void setFileDialogProvider(FileDialogProvider provider);

std::optional<std::string> showFileDialog(const FileDialogRequest& request);

}  // namespace platform
