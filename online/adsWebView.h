#pragma once

#include <string>

#include "toolkit/widgets/NSWebView.h"

// The web view of the ad pages and the feedback page. A page asks for the application package
// by navigating to the reserved update link with the package address, in Base64, as its query;
// the view hands the address to the HTTP centre (2028) and closes.
class adsWebView : public NSUI::NSWebView {
public:
    static adsWebView* create();

    bool init() override;
    void onEnterTransitionDidFinish() override;
    // Consumes (true) every reserved action page; others are left to the page.
    bool onNavigate(std::string url) override;

    const std::string& getUpdateLink() const { return updateLink; }

protected:
    adsWebView() = default;

private:
    std::string updateLink;
};
