#pragma once

#include "imagesdk/data/isNotifyKeys.h"

namespace isImageSDK {

// Mixed into the nodes of a window's corner overlay (texts and cine buttons), which keep
// themselves up to date from notifications of their own render window. The id is the key the
// node is bound to, NOTIFY_OVERLAY_FIXED_LABEL when it follows none.
class isNodeOverlay {
public:
    enum Kind { kText = 1, kButton = 2 };

    virtual ~isNodeOverlay();
    // Spare hook without behaviour in any overlay node.
    virtual void overlayReserved();
    // The node's own cleanup and init.
    virtual void cleanup() = 0;
    virtual bool init() = 0;

    unsigned getOverlayId() const { return overlayId; }
    int getOverlayKind() const { return overlayKind; }

protected:
    isNodeOverlay() = default;

    unsigned overlayId = NOTIFY_OVERLAY_FIXED_LABEL;
    int overlayKind = 0;
};

}  // namespace isImageSDK
