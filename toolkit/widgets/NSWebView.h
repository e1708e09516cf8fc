#pragma once

#include <string>

#include "engine/2d/Node.h"

namespace NSUI {

// A full-window node that stands for an embedded web page, above everything else. Pages talk
// back by navigating to reserved action pages on the local host; deriving views act on them in
// `onNavigate`. The desktop form has no page renderer: it shows nothing, loading does nothing
// and no navigation reaches the hook. A form with a renderer must call `onNavigate` before
// each load and skip the load when it returns true.
class NSWebView : public cocos2d::Node {
public:
    static NSWebView* create();

    ~NSWebView() override;

    void onEnterTransitionDidFinish() override;
    // Deliberately does not pass the call on to the node.
    void onExitTransitionDidStart() override;
    void cleanup() override;
    bool init() override;

    virtual bool isShowing();
    // True when the view consumed the navigation to `url`; the base consumes none.
    virtual bool onNavigate(std::string url);

    void loadURL(std::string url);
    // Shows a page given as text.
    void loadHTMLString(std::string html, std::string baseUrl = "");
    // What the view was last asked to show: an address, or a page text with its base address.
    const std::string& getLoadedUrl() const { return loadedUrl; }
    const std::string& getLoadedHtml() const { return loadedHtml; }

    std::string retryUrl;
    std::string backToMainUrl;
    std::string removeUrl;
    std::string updateApkUrl;
    std::string openUrlUrl;
    // Cleared once the view has first finished entering the stage.
    bool firstEnter = true;

protected:
    NSWebView() = default;

private:
    std::string loadedUrl;
    std::string loadedHtml;
};

}  // namespace NSUI
