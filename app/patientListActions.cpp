// The home screen's actions: first-appearance jobs, imports, deletion, the row tool panel, the
// buttons that open other screens and the silent login.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/FavouritesLink.h"
#include "app/patientList.h"
#include "app/shareTo.h"
#include "engine/2d/Scene.h"
#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "imagesdk/io/FolderBuffer.h"
#include "online/advice.h"
#include "online/login.h"
#include "online/statApplication.h"
#include "platform/FileDialogs.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmFinder.h"
#include "studydb/dcmSend.h"
#include "studydb/dicomDB.h"
#include "studydb/importDcm.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextChecks.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/ZipRoutines.h"
#include "toolkit/net/UIHttpResponse.h"
#include "toolkit/widgets/NSActivity.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"
#include "toolkit/widgets/NSTextField.h"

using cocos2d::Node;
using cocos2d::Ref;
using cocos2d::Size;
using cocos2d::ui::Button;

namespace {

const char* const kLoginPath = "/lg/lg.php";

bool endsWithZip(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == ".zip";
}

std::string writablePath() {
    return cocos2d::FileUtils::getInstance()->getWritablePath();
}

// A folder below `base` that no other archive uses, made here: the files of an archive wait in
// it for the import worker after the next archive has started.
std::string makeUnpackFolder(const std::string& base) {
    std::error_code error;
    std::filesystem::create_directories(base, error);
    for (unsigned number = 1;; ++number) {
        const std::string folder = base + std::to_string(number) + "/";
        if (std::filesystem::create_directory(folder, error)) {
            return folder;
        }
        if (error) {
            return std::string();
        }
    }
}

}  // namespace

// --- clicks ---

void patientList::onButtonClick(Ref* sender) {
    auto* node = dynamic_cast<Node*>(sender);
    if (node == nullptr) {
        return;
    }
    const std::string name = node->getName();
    if (name == "filter") {
        auto* filter = dynamic_cast<Button*>(node);
        if (filter != nullptr && filter->getUserString() == "1") {
            if (filterField != nullptr) {
                filterField->setString("");
            }
            applyFilter(filter, "");
        } else if (filterField != nullptr && !filterField->getString().empty()) {
            std::string text = filterField->getString();
            for (char& c : text) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            applyFilter(filter, text);
        }
    } else if (name == "writeAdvice") {
        if (cocos2d::Scene* scene = advice::createScene()) {
            cocos2d::Director::getInstance()->pushScene(scene);
        } else {
            showNotAvailable();
        }
    } else if (name == "importImage" || name == "importImageHelp") {
        platform::FileDialogRequest request;
        request.kind = platform::FileDialogKind::OpenFile;
        // The whole folder of the chosen file is imported: the title says so before the choice.
        request.title = AppConfig::getInstance()->getTextOrKey("importFolderOfFile");
        const std::string chosen = platform::showFileDialog(request).value_or("");
        if (chosen.size() > 1) {
            // An archive is imported itself; any other file brings its whole folder.
            importPath(endsWithZip(chosen) ? chosen : NSUI::getParentDirectory(chosen), false);
        }
    } else if (name == "share" || name == "btnShare") {
        const int row = rowIndexFor(sender, name == "share");
        if (row < 0 && name == "btnShare") {
            showNoSelection();
        } else {
            share(row);
        }
    } else if (name == "del" || name == "btnDel") {
        const int row = rowIndexFor(sender, name == "del");
        const listObject* item = getRow(row);
        if (item == nullptr && name == "btnDel") {
            showNoSelection();
        }
        const bool samePatient =
            !pressedPatient.has_value() || (item != nullptr && item->patientID == *pressedPatient);
        pressedPatient.reset();
        std::function<void()> finished;
        if (item != nullptr && samePatient && deleteGuard.admit(finished)) {
            deleteRow(row, std::move(finished));
        }
    } else if (name == "send" || name == "wifi" || name == "wifihelp") {
        openDicomNodes(rowIndexFor(sender, name == "send"), name == "wifihelp");
    } else if (name == "search" || name == "searchhelp") {
        openRemoteSearch();
    } else if (name == "btnFavorite") {
        openFavourites();
    } else if (name == "logo") {
        login::show(this);
    }
}

void patientList::openRemoteSearch() {
    auto recordSearch = [] { statApplication::getInstance()->addStat(18, ""); };
    if (AppConfig::getInstance()->isPhone) {
        cocos2d::Scene* scene = dcmFinder::createScene();
        if (dcmFinder* finder = dcmFinder::finderIn(scene)) {
            finder->setSearchRecorder(recordSearch);
            cocos2d::Director::getInstance()->pushScene(scene);
        }
        return;
    }
    NSUI::NSResponseWindow* window = dcmFinder::createWindow();
    if (dcmFinder* finder = dcmFinder::finderIn(window)) {
        finder->setSearchRecorder(recordSearch);
        addChild(window, kPopupZOrder);
    }
}

int patientList::rowIndexFor(Ref* sender, bool fromButton) const {
    NSUI::NSTableViewCell* cell = nullptr;
    if (fromButton) {
        if (auto* node = dynamic_cast<Node*>(sender)) {
            cell = dynamic_cast<NSUI::NSTableViewCell*>(node->getUserObject());
        }
    }
    if (cell == nullptr && table != nullptr) {
        cell = table->getSelectedCell();
    }
    if (cell == nullptr || cell->index < 0 || cell->index >= table->getItemCount()) {
        return -1;
    }
    return static_cast<int>(cell->index);
}

void patientList::onDeletePress(Ref* sender, cocos2d::ui::Widget::TouchEventType event) {
    auto* node = dynamic_cast<Node*>(sender);
    if (event != cocos2d::ui::Widget::TouchEventType::BEGAN || node == nullptr) {
        if (event == cocos2d::ui::Widget::TouchEventType::CANCELED) {
            pressedPatient.reset();
        }
        return;
    }
    const listObject* item = getRow(rowIndexFor(sender, node->getName() == "del"));
    pressedPatient = item != nullptr ? item->patientID : std::string();
}

void patientList::showNoSelection() {
    showMessageBox(AppConfig::getInstance()->getTextOrKey("selectPatientFirst"), 1.5f);
}

void patientList::showNotAvailable() {
    showMessageBox(AppConfig::getInstance()->getTextOrKey("screenNotAvailable"), 1.5f);
}

void patientList::share(int row) {
    shareTo* panel = shareTo::create();
    if (panel == nullptr) {
        return;
    }
    addChild(panel);
    if (listObject* item = getRow(row)) {
        panel->shareData(dicomRoot + item->folder, item->name);
        table->closeCellMenu(true);
    }
    statApplication::getInstance()->addStat(15, "");
}

std::string patientList::sendLabel(const listObject& row) {
    return row.patientIDHospital.empty() ? row.name : row.name + " (" + row.patientIDHospital + ")";
}

void patientList::openDicomNodes(int row, bool receivePanel) {
    listObject* item = getRow(row);
    auto prepare = [&](dcmSend* screen) {
        if (screen == nullptr) {
            return;
        }
        if (receivePanel) {
            screen->selectPanel(dcmSend::kPanelReceive);
        }
        if (item != nullptr) {
            screen->setSendSource(dicomRoot + item->folder, sendLabel(*item));
        }
    };
    if (AppConfig::getInstance()->isPhone) {
        if (cocos2d::Scene* scene = dcmSend::createScene()) {
            prepare(dynamic_cast<dcmSend*>(scene->getChildByNameDeep("dcmSend")));
            if (table != nullptr) {
                table->closeCellMenu(false);
            }
            cocos2d::Director::getInstance()->pushScene(scene);
        }
        return;
    }
    NSUI::NSResponseWindow* window = dcmSend::createWindow();
    if (window == nullptr) {
        showNotAvailable();
        return;
    }
    addChild(window, kPopupZOrder);
    prepare(dynamic_cast<dcmSend*>(window->getChildByName("dcmSend")));
    if (table != nullptr) {
        table->closeCellMenu(true);
    }
}

void patientList::tableCellLeftMenu(NSUI::NSTableView* view, NSUI::NSTableViewMenu* menu) {
    Node* panel = cocos2d::CSLoader::createNode("patientToolPC.csb", true);
    if (panel == nullptr) {
        menu->setVisible(false);
        return;
    }
    AppConfig::getInstance()->setWidgetText(panel, "");
    menu->addChild(panel);
    menu->setContentSize(Size(panel->getContentSize().width, menu->getContentSize().height));
    auto click = [this](Ref* sender) { onButtonClick(sender); };
    for (const char* name : {"del", "send", "share"}) {
        if (auto* button = dynamic_cast<Button*>(panel->getChildByNameDeep(name))) {
            button->setUserObject(menu->cell);
            button->addClickEventListener(click);
            if (std::string(name) == "del") {
                button->addTouchEventListener(
                    [this](Ref* sender, cocos2d::ui::Widget::TouchEventType event) {
                        onDeletePress(sender, event);
                    });
            }
            button->setLocalZOrder(view->getLocalZOrder() + 1);
        }
    }
}

// --- first appearance ---

void patientList::prepareExampleData() {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string exampleFolder = writablePath() + "qn/tmp/example/";
    if (getIntegerForKey("app_init_db", 0) < 1) {
        if (files->isDirectoryExist(exampleFolder)) {
            files->removeDirectory(exampleFolder);
        }
    } else {
        setIntegerForKey("app_init_db", 0);
        const std::string target = exampleFolder + "1.tmp";
        const std::string source = files->fullPathForFilename("example.zip");
        NSUI::debugLog(("Copy Example:" + source).c_str());
        const std::string folder = NSUI::getParentDirectory(target) + "/";
        if (NSUI::copyFile(source, target) && NSUI::unzipFile(target, folder, "")) {
            // The archive copy is not a DICOM file: it must not reach the import.
            files->removeFile(target);
            if (importer != nullptr) {
                importer->importPath(folder, false);
            }
        }
    }
    isImageSDK::clearExpiredBuffers();
    if (!files->isDirectoryExist(webResourceFolder + "js/")) {
        const std::string source = files->fullPathForFilename("js.zip");
        const std::string folder = webResourceFolder;
        jobs.start([source, folder]() { unpackWebResourcesJob(source, folder); });
    }
}

void patientList::unpackWebResourcesJob(const std::string& source, const std::string& folder) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    files->createDirectory(folder);
    const std::string copy = folder + "js.zip";
    if (NSUI::copyFile(source, copy) && !NSUI::unzipFile(copy, folder + "js", "")) {
        files->removeDirectory(folder);
    }
}

// --- imports ---

patientList::ImportTarget patientList::classifyImport(std::string path) {
    if (path.rfind("file:///storage", 0) == 0) {
        path = path.substr(7);
    }
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    ImportTarget target;
    if (files->isDirectoryExist(path)) {
        target.kind = ImportKind::Folder;
    } else if (files->isFileExist(path)) {
        target.kind = endsWithZip(path) ? ImportKind::Archive : ImportKind::File;
    }
    target.path = std::move(path);
    return target;
}

void patientList::importPath(std::string path, bool deleteAfter) {
    const ImportTarget target = classifyImport(std::move(path));
    if (target.kind == ImportKind::Missing) {
        return;
    }
    if (const std::string refusal = dataService::getInstance()->getDatabase()->libraryRefusal();
        !refusal.empty()) {
        showMessageBox(refusal, 5.0f);
        return;
    }
    if (target.kind != ImportKind::Archive) {
        if (importer != nullptr) {
            importer->importPath(target.path, deleteAfter);
        }
        return;
    }
    // One archive is unpacked at a time: the overlay and the pending job serve one.
    if (archiveImportRunning) {
        showMessageBox(AppConfig::getInstance()->getTextOrKey("importBusy"), 1.5f);
        return;
    }
    const std::string archive = target.path;
    const std::string folder =
        makeUnpackFolder(writablePath() + "qn" + "/" + "tmp" + "/" + "unzip" + "/");
    if (folder.empty()) {
        return;
    }
    setString(pendingUnzip, "file", archive);
    setString(pendingUnzip, "path", folder);
    // The unpacking cannot be interrupted, so the overlay offers no cancel button.
    if (NSUI::NSActivity* activity = NSUI::NSActivity::show(this)) {
        activity->enableBKColor(true, cocos2d::Color3B::BLACK, 0.85f);
        activity->textColor = cocos2d::Color4B::WHITE;
        activity->setMessage(AppConfig::getInstance()->getTextOrKey("decompressData"));
    }
    archiveImportRunning = true;
    jobs.start([archive, folder]() { unzipJob(archive, folder); });
}

void patientList::unzipJob(const std::string& archive, const std::string& folder) {
    int reason = 0;
    const bool unpacked = NSUI::unzipFile(archive, folder, "", &reason);
    NSUI::NSNotificationCenter::getInstance()->postInt(
        nullptr, studydb::NOTIFY_IMPORT_FINISHED,
        unpacked ? 1 : (reason == NSUI::kUnzipNoRoom ? NSUI::kUnzipNoRoom : 0), nullptr, true);
}

void patientList::onImportFinished(int result) {
    NSUI::NSActivity::hideActivity();
    archiveImportRunning = false;
    const std::string folder = getString(pendingUnzip, "path");
    if (result >= 1 && importer != nullptr) {
        importer->importAndRemoveFolder(folder);
        return;
    }
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    // Without a word the overlay's end would read as an import that found nothing.
    if (result < 1) {
        showMessageBox(AppConfig::getInstance()->getTextOrKey(
                           result == NSUI::kUnzipNoRoom ? "decompressNoRoom" : "decompressFail"),
                       5.0f);
    }
}

// --- deletion ---

void patientList::deleteRow(int index, std::function<void()> finished) {
    listObject* row = getRow(index);
    if (row == nullptr) {
        return;
    }
    NSUI::NSNotificationCenter::getInstance()->postString(this, studydb::NOTIFY_PATIENT_DELETED,
                                                          row->patientID, nullptr, true);
    std::string job;
    setString(job, "patientID", row->patientID);
    setString(job, "folder", dicomRoot + row->folder);
    auto database = cocos2d::RefPtr<dicomDB>::retained(dataService::getInstance()->getDatabase());
    jobs.start([job, database, finished]() {
        deletePatientJob(job, database.get());
        if (finished) {
            finished();
        }
    });
    removeRow(index);
}

void patientList::deletePatientJob(const std::string& json, dicomDB* database) {
    const std::string patientId = getString(json, "patientID");
    const std::string folder = getString(json, "folder");
    std::vector<std::string> studies;
    NSUI::listSubdirectories(folder, studies);
    for (const std::string& study : studies) {
        std::vector<std::string> series;
        NSUI::listSubdirectories(study, series);
        for (const std::string& one : series) {
            isImageSDK::removeFolderBuffer(one);
        }
    }
    if (database != nullptr) {
        database->deletePatient(patientId);
    }
}

// --- silent login ---

void patientList::autoLogin() {
    std::string loggedIn;
    std::string userId;
    login::getLoginInfo(loggedIn, userId);
    if ((loggedIn == "1" && !userId.empty()) || login::isSilentLoginSuppressed()) {
        return;
    }
    std::string name = getStringForKey("app_login_string", "");
    std::string password = getStringForKey("app_login_password", "");
    NSUI::trim(name);
    NSUI::trim(password);
    const bool byMail = name.find('@') != std::string::npos;
    if ((byMail && !NSUI::isValidEmail(name)) || password.empty()) {
        return;
    }
    const std::string now = NSUI::getCurrentDateTime();
    const NSUI::TimeOfDay time = NSUI::getTimeOfDay();
    const std::uint64_t stamp = static_cast<std::uint64_t>(time.seconds) * 1000000ULL +
                                static_cast<std::uint64_t>(time.microseconds);
    setStringForKey("app_login_time", now);
    setStringForKey("app_login_timestamp", std::to_string(stamp));

    httpPost(getServerBaseUrl() + kLoginPath,
             login::requestBody({{"ismail", byMail ? "1" : "0"},
                                 {byMail ? "mail" : "nickname", name},
                                 {"password", password},
                                 {"loginTime", now},
                                 {"isMobile", "0"}}),
             "login", "", "");
}

void patientList::onResponse(NSUI::UIHttpResponse* response) {
    if (response == nullptr || !response->succeeded || response->responseCode != 200 ||
        response->tag != "login") {
        return;
    }
    const std::string answer = cocos2d::safeBase64DecodeString(response->body);
    const std::string status = getString(answer, "Status");
    const std::string userId = getString(answer, "userid");
    const std::string nickname = getString(answer, "nickname");
    if (status == "0" && !userId.empty()) {
        setIntegerForKey("app_logined", 1);
        setStringForKey("app_login_id", userId);
        setStringForKey("app_login_nickname", nickname);
        updateLoginIcon();
    }
}
