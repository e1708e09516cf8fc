#include "app/ViewerScreenLink.h"

#include "toolkit/core/NSLanguage.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

ViewerRequest& request() {
    static ViewerRequest last;
    return last;
}

}  // namespace

void openViewerScreen(const std::string& seriesText, const std::string& protocol) {
    ViewerRequest& last = request();
    last.seriesText = seriesText;
    last.protocol = protocol;
    ++last.count;
    showScreenNotAvailable();
}

const ViewerRequest& lastViewerRequest() {
    return request();
}

void showScreenNotAvailable() {
    const std::string text = NSUI::getLocalizedString("screenNotAvailable");
    showMessageBox(text.empty() ? "This screen is not available yet." : text, 1.5f);
}
