#include "app/ViewerScreenLink.h"

#include <utility>

#include "toolkit/core/NSLanguage.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

ViewerRequest& request() {
    static ViewerRequest last;
    return last;
}

ViewerScreenOpener& opener() {
    static ViewerScreenOpener installed;
    return installed;
}

}  // namespace

void setViewerScreenOpener(ViewerScreenOpener replacement) {
    opener() = std::move(replacement);
}

void openViewerScreen(const std::string& seriesText, const std::string& protocol) {
    ViewerRequest& last = request();
    last.seriesText = seriesText;
    last.protocol = protocol;
    ++last.count;
    if (opener()) {
        opener()(seriesText, protocol);
        return;
    }
    showScreenNotAvailable();
}

const ViewerRequest& lastViewerRequest() {
    return request();
}

void showScreenNotAvailable() {
    const std::string text = NSUI::getLocalizedString("screenNotAvailable");
    showMessageBox(text.empty() ? "This screen is not available yet." : text, 1.5f);
}
