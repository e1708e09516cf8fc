#pragma once

#include <string>
#include <vector>

namespace cocos2d {

// A receiver of text input. At most one delegate is attached at a time; the view feeds text
// to it through the IME dispatcher.
class IMEDelegate {
public:
    virtual ~IMEDelegate();

    // Makes this the attached delegate; false when the current one refuses to detach or this
    // one refuses to attach.
    virtual bool attachWithIME();
    virtual bool detachWithIME();

protected:
    IMEDelegate();

    virtual bool canAttachWithIME() { return false; }
    virtual void didAttachWithIME() {}
    virtual bool canDetachWithIME() { return false; }
    virtual void didDetachWithIME() {}
    // UTF-8 text typed.
    virtual void insertText(const char* /*text*/, size_t /*len*/) {}
    virtual void deleteBackward() {}
    virtual void deleteForward() {}
    virtual const std::string& getContentText();

    friend class IMEDispatcher;
};

// Routes text input from the view to the attached delegate.
class IMEDispatcher {
public:
    static IMEDispatcher* sharedDispatcher();

    IMEDispatcher(const IMEDispatcher&) = delete;
    IMEDispatcher& operator=(const IMEDispatcher&) = delete;

    void dispatchInsertText(const char* text, size_t len);
    void dispatchDeleteBackward();
    void dispatchDeleteForward();
    const std::string& getContentText();
    bool isAnyDelegateAttachedWithIME() const { return _attached != nullptr; }

private:
    IMEDispatcher() = default;

    void addDelegate(IMEDelegate* delegate);
    bool attachDelegateWithIME(IMEDelegate* delegate);
    bool detachDelegateWithIME(IMEDelegate* delegate);
    void removeDelegate(IMEDelegate* delegate);

    std::vector<IMEDelegate*> _delegates;
    IMEDelegate* _attached = nullptr;

    friend class IMEDelegate;
};

}  // namespace cocos2d
