#include "engine/base/IMEDelegate.h"

#include <algorithm>

namespace cocos2d {

IMEDelegate::IMEDelegate() {
    IMEDispatcher::sharedDispatcher()->addDelegate(this);
}

IMEDelegate::~IMEDelegate() {
    IMEDispatcher::sharedDispatcher()->removeDelegate(this);
}

bool IMEDelegate::attachWithIME() {
    return IMEDispatcher::sharedDispatcher()->attachDelegateWithIME(this);
}

bool IMEDelegate::detachWithIME() {
    return IMEDispatcher::sharedDispatcher()->detachDelegateWithIME(this);
}

const std::string& IMEDelegate::getContentText() {
    static const std::string kEmpty;
    return kEmpty;
}

IMEDispatcher* IMEDispatcher::sharedDispatcher() {
    static IMEDispatcher instance;
    return &instance;
}

void IMEDispatcher::addDelegate(IMEDelegate* delegate) {
    if (std::find(_delegates.begin(), _delegates.end(), delegate) == _delegates.end()) {
        _delegates.push_back(delegate);
    }
}

void IMEDispatcher::removeDelegate(IMEDelegate* delegate) {
    if (_attached == delegate) {
        _attached = nullptr;
    }
    _delegates.erase(std::remove(_delegates.begin(), _delegates.end(), delegate), _delegates.end());
}

bool IMEDispatcher::attachDelegateWithIME(IMEDelegate* delegate) {
    if (delegate == nullptr ||
        std::find(_delegates.begin(), _delegates.end(), delegate) == _delegates.end()) {
        return false;
    }
    if (_attached != nullptr && _attached != delegate) {
        if (!_attached->canDetachWithIME() || !delegate->canAttachWithIME()) {
            return false;
        }
        IMEDelegate* old = _attached;
        _attached = nullptr;
        old->didDetachWithIME();
        _attached = delegate;
        delegate->didAttachWithIME();
        return true;
    }
    if (_attached == delegate || !delegate->canAttachWithIME()) {
        return _attached == delegate;
    }
    _attached = delegate;
    delegate->didAttachWithIME();
    return true;
}

bool IMEDispatcher::detachDelegateWithIME(IMEDelegate* delegate) {
    if (delegate == nullptr || _attached != delegate || !delegate->canDetachWithIME()) {
        return false;
    }
    _attached = nullptr;
    delegate->didDetachWithIME();
    return true;
}

void IMEDispatcher::dispatchInsertText(const char* text, size_t len) {
    if (_attached != nullptr && text != nullptr && len > 0) {
        _attached->insertText(text, len);
    }
}

void IMEDispatcher::dispatchDeleteBackward() {
    if (_attached != nullptr) {
        _attached->deleteBackward();
    }
}

void IMEDispatcher::dispatchDeleteForward() {
    if (_attached != nullptr) {
        _attached->deleteForward();
    }
}

const std::string& IMEDispatcher::getContentText() {
    if (_attached != nullptr) {
        return _attached->getContentText();
    }
    static const std::string kEmpty;
    return kEmpty;
}

}  // namespace cocos2d
