#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dcmsdk/LanguageType.h"
#include "engine/2d/Node.h"
#include "engine/base/Macros.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
class Scene;
}

namespace NSUI {
class NSListView;
class NSResponseWindow;
}  // namespace NSUI

// The DICOM tag list: every element of one file as rows of tag, description and value, private
// elements last. The elements are read on a thread of the list's own once it has entered the
// screen; the reader's texts are copied there, so the rows never point into a reader that is
// gone. The list keeps itself alive until the read has been handed back, so closing it while a
// slow read runs neither waits nor frees anything under the thread. Main thread only, but for
// loadTags.
class dcmInfoList : public cocos2d::Node,
                    public NSUI::NSTableViewDelegate,
                    public NSUI::UIControlGenerater {
public:
    // One row.
    class listObject : public cocos2d::Ref {
    public:
        CREATE_FUNC(listObject);
        bool init() { return true; }

        std::string tagText;
        // At most kNameBytes bytes, a cut one ending in "…".
        std::string tagName;
        std::string tagValue;
    };

    // One element as the reader gave it, copied.
    struct TagRecord {
        std::string tag;
        std::string value;
        std::string description;
        bool flagged = false;  // a private element
    };

    static constexpr size_t kNameBytes = 20;
    static constexpr float kRowHeight = 35.0f;

    CREATE_FUNC(dcmInfoList);

    // The phone form: a pushed scene under the shared title bar.
    static cocos2d::Scene* createScene();
    // The desktop form: a response window for the caller to add.
    static NSUI::NSResponseWindow* createWindow();

    // The file to list; set before the list enters the screen.
    void setFilePath(const std::string& path) { filePath = path; }

    bool init() override;
    void cleanup() override;
    void onEnterTransitionDidFinish() override;

    // Translates the layout and puts the table in place of its "dcmList" placeholder.
    void build();
    // Reads the elements of a file (any thread); empty for a path under 3 characters or a file
    // the reader cannot open.
    static std::vector<TagRecord> loadTags(const std::string& path, dcmSDK::LanguageType language);
    // Appends the rows: unflagged elements first, then flagged ones, each in the reader's order.
    void fillRows(const std::vector<TagRecord>& records);
    // `text` when it has at most `bytes` bytes, else its longest start that ends on a character
    // boundary and leaves room for the "…" that ends it, so that a cut name never reads as whole.
    static std::string cutText(const std::string& text, size_t bytes);

    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t index,
                                        cocos2d::Ref* item) override;
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size& size) override;

    void onBackClick(cocos2d::Ref* sender);
    // The return key closes the list as "btn_back" does.
    bool onResponseReturn() override;

    NSUI::NSListView* getTable() const { return tableView; }
    // Whether the read has been handed back (or never started).
    bool isLoaded() const { return !reading; }

protected:
    dcmInfoList() = default;
    ~dcmInfoList() override;

private:
    // The hand-back of the read, on the main thread; drops the list's hold on itself.
    void finishLoad(const std::vector<TagRecord>& records);
    // Removes the pop-up window holding the list, or else the list itself.
    void close();

    NSUI::NSListView* tableView = nullptr;
    bool loadPending = true;
    bool reading = false;
    bool closed = false;
    std::string filePath;
    std::thread reader;
};
