#include "app/choosePath.h"

#include "app/HomeScene.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSTextField.h"

namespace {

const char* const kTickKey = "choosePath.move";

std::string withSlash(const std::string& path) {
    return path.empty() || path.back() == '/' ? path : path + "/";
}

}  // namespace

cocos2d::Scene* choosePath::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    choosePath* layer = choosePath::create();
    layer->setContentSize(cocos2d::Director::getInstance()->getWinSize());
    layer->setPosition(cocos2d::Vec2::ZERO);
    layer->setAnchorPoint(cocos2d::Vec2::ZERO);
    scene->addChild(layer);
    layer->loadLayout();
    return scene;
}

choosePath::~choosePath() = default;

bool choosePath::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    state = DataFolderMover::kIdle;
    target.clear();
    // Recorded by the mover before it removes the old folder: a program stopped after that
    // finds the library at the new place, one stopped before at the old one.
    mover.setRecorder(
        [](const std::string& folder) { NSUI::setEncodedUserDefault("app_dicom_path", folder); });
    return true;
}

void choosePath::cleanup() {
    unschedule(kTickKey);
    // A copy still running stops; the old folder stays the library's folder.
    mover.cancel();
    cocos2d::Node::cleanup();
}

dicomDB* choosePath::database() {
    return dataService::getInstance()->getDatabase();
}

void choosePath::loadLayout() {
    cocos2d::Node* root = cocos2d::CSLoader::createNode("choosePath.csb");
    if (root == nullptr) {
        return;
    }
    root->setContentSize(getContentSize());
    addChild(root);
    cocos2d::ui::Helper::doLayout(root);
    AppConfig::getInstance()->setWidgetText(root, "");

    backButton = dynamic_cast<cocos2d::ui::Button*>(root->getChildByNameDeep("goBack"));
    beginButton = dynamic_cast<cocos2d::ui::Button*>(root->getChildByNameDeep("btnBegin"));
    for (const char* name : {"goBack", "btnSelect", "btnBegin"}) {
        if (auto* button = dynamic_cast<cocos2d::ui::Button*>(root->getChildByNameDeep(name))) {
            button->addClickEventListener([this](cocos2d::Ref* sender) { onClick(sender); });
        }
    }

    if (cocos2d::Node* box = root->getChildByNameDeep("editBox")) {
        pathField = NSUI::NSTextField::createWithPlaceHolder("", box->getContentSize());
        if (pathField != nullptr) {
            pathField->setName("pathField");
            pathField->setPosition(box->getPosition());
            pathField->setAnchorPoint(box->getAnchorPoint());
            pathField->setFontSize(25);
            pathField->setPlaceHolderFontSize(25);
            pathField->setTextColor(cocos2d::Color3B(222, 222, 222));
            pathField->setPlaceHolderColor(cocos2d::Color3B(100, 100, 100));
            pathField->setPlaceHolder("Select the folder");
            pathField->setLightCursor();
            pathField->showEditBackground();
            box->getParent()->addChild(pathField, box->getLocalZOrder());
            box->removeFromParent();
        }
    }
    status = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep("status"));

    std::string current = NSUI::getEncodedUserDefault("app_dicom_path", "");
    if (current.empty()) {
        current = database()->getDicomRoot();
        NSUI::setEncodedUserDefault("app_dicom_path", current);
    }
    if (status != nullptr) {
        status->setString(current);
    }
    schedule([this](float dt) { onMoveTick(dt); }, 0.05f, CC_REPEAT_FOREVER, 0.1f, kTickKey);
}

std::string choosePath::getStatus() const {
    return status != nullptr ? status->getString() : std::string();
}

void choosePath::setState(int value) {
    state = value;
    // The library is closed, or on its way to another place: nothing may open it meanwhile.
    const bool closed = value == DataFolderMover::kStopServer || value == DataFolderMover::kMove ||
                        value == DataFolderMover::kCopying;
    if (backButton != nullptr) {
        backButton->setEnabled(!closed);
        backButton->setBright(!closed);
    }
}

void choosePath::onClick(cocos2d::Ref* sender) {
    auto* node = dynamic_cast<cocos2d::Node*>(sender);
    if (node == nullptr) {
        return;
    }
    const std::string& name = node->getName();
    if (name == "goBack") {
        goBack();
    } else if (name == "btnSelect") {
        const std::string chosen = NSUI::chooseSavePath(false);
        if (!chosen.empty() && pathField != nullptr) {
            pathField->setString(chosen);
        }
    } else if (name == "btnBegin") {
        begin();
    }
}

void choosePath::goBack() {
    if (state == DataFolderMover::kStopServer || state == DataFolderMover::kMove ||
        state == DataFolderMover::kCopying) {
        return;
    }
    dicomDB* db = database();
    db->makeDataPaths();
    // The node files into the library it serves: it starts only once this process holds it.
    db->reopenDatabase();
    if (db->ready()) {
        db->getServer().BeginDicomServer();
    }
    cocos2d::Director::getInstance()->replaceScene(createHomeScene());
}

void choosePath::begin() {
    if (pathField == nullptr || state >= DataFolderMover::kStopServer) {
        return;
    }
    target.clear();
    // The length counts what was typed, before the separator is added.
    const std::string typed = pathField->getString();
    if (typed.size() <= 3) {
        status->setString("Path is not valid.");
        return;
    }
    const std::string path = withSlash(typed);
    const std::string current = NSUI::getEncodedUserDefault("app_dicom_path", "");
    switch (DataFolderMover::checkTarget(current, path)) {
    case DataFolderMover::Check::NotValid:
        status->setString("Path is not valid.");
        return;
    case DataFolderMover::Check::SamePlace:
        status->setString("Please select a different path.");
        return;
    case DataFolderMover::Check::NotEmpty:
        status->setString(NSUI::formatString("Please delete the files in %s", path.c_str()));
        return;
    case DataFolderMover::Check::Accepted:
        break;
    }
    target = path;
    if (database()->getServer().isRunning() || database()->ready()) {
        status->setString("Stopping the dicom server.");
        setState(DataFolderMover::kStopServer);
    } else {
        status->setString("");
        setState(DataFolderMover::kMove);
    }
    if (beginButton != nullptr) {
        beginButton->setVisible(false);
    }
}

void choosePath::finishMove(const std::string& text) {
    status->setString(text);
    setState(DataFolderMover::kIdle);
    if (beginButton != nullptr) {
        beginButton->setVisible(true);
    }
}

void choosePath::onMoveTick(float dt) {
    (void)dt;
    switch (state) {
    case DataFolderMover::kStopServer:
        database()->closeDatabase();
        setState(DataFolderMover::kMove);
        status->setString("");
        break;
    case DataFolderMover::kMove: {
        const std::string old = NSUI::getEncodedUserDefault("app_dicom_path", "");
        if (mover.start(old, target, forceCopy)) {
            finishMove(NSUI::formatString("Dicom DB is moved to %s", target.c_str()));
        } else {
            setState(DataFolderMover::kCopying);
        }
        break;
    }
    case DataFolderMover::kCopying:
        switch (mover.getState()) {
        case DataFolderMover::kMoved:
            mover.join();
            finishMove(NSUI::formatString("Dicom DB is moved to %s", target.c_str()));
            break;
        case DataFolderMover::kCopyFailed:
            mover.join();
            finishMove(NSUI::formatString("Failed to copy %s", mover.getCurrentFile().c_str()));
            break;
        default:
            status->setString(NSUI::formatString("Copying %s", mover.getCurrentFile().c_str()));
            break;
        }
        break;
    default:
        break;
    }
}
