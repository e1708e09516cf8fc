#pragma once

#include "engine/base/Macros.h"
#include "toolkit/core/NSObject.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

#include <string>

class importThread;

// Turns paths into import work: every file of a folder tree, or a single file.
class importDcm : public NSUI::NSObject, public NSUI::NSThreadSafeDestroy {
public:
    CREATE_FUNC(importDcm);

    importDcm() = default;
    ~importDcm() override;

    virtual bool init();
    virtual void shutdown();

    void setDicomRoot(const std::string& root);
    // Queues every file below a folder (hidden sub-folders left out) or the one file; returns at
    // once.
    void importPath(const std::string& path, bool move);
    // Moves every file below the folder like importPath, then removes the folder with whatever
    // the worker could not take; the removal is queued behind the folder's files, so none of
    // them is lost to it.
    void importAndRemoveFolder(const std::string& folder);

private:
    importThread* worker_ = nullptr;
};
