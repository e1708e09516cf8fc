#include "studydb/importDcm.h"

#include "engine/base/RefPtr.h"
#include "studydb/importThread.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSThreadRequest.h"

#include <filesystem>
#include <vector>

importDcm::~importDcm() {
    shutdown();
}

bool importDcm::init() {
    worker_ = new importThread();
    return true;
}

void importDcm::shutdown() {
    if (worker_ != nullptr) {
        stopThreadAndWait(worker_);
        worker_ = nullptr;
    }
}

void importDcm::setDicomRoot(const std::string& root) {
    if (worker_ != nullptr) {
        worker_->setDicomRoot(root);
    }
}

void importDcm::importPath(const std::string& path, bool move) {
    if (worker_ == nullptr) {
        return;
    }
    std::vector<std::string> files;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        NSUI::listFiles(path, files, true, true);
    } else {
        files.push_back(path);
    }
    for (const std::string& file : files) {
        cocos2d::RefPtr<NSUI::NSThreadRequest> request(new NSUI::NSThreadRequest());
        request->text = file;
        request->userValue0 = move ? importThread::kMove : importThread::kCopy;
        worker_->addRequest(request.get());
    }
}

void importDcm::importAndRemoveFolder(const std::string& folder) {
    if (worker_ == nullptr) {
        return;
    }
    importPath(folder, true);
    cocos2d::RefPtr<NSUI::NSThreadRequest> request(new NSUI::NSThreadRequest());
    request->text = folder;
    request->userValue0 = importThread::kRemoveFolder;
    worker_->addRequest(request.get());
}
