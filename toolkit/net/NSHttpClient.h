#pragma once

namespace cocos2d {
class Ref;
}

namespace NSUI {

// The process-wide HTTP transport. Every request is filed under an owner object, so that an
// owner going away can drop everything still pending for it.
class NSHttpClient {
public:
    // The shared client, created on first use.
    static NSHttpClient* getInstance();
    // Deletes the shared client when there is one; the next getInstance makes a fresh one.
    static void destroyInstance();

    virtual ~NSHttpClient();
    NSHttpClient(const NSHttpClient&) = delete;
    NSHttpClient& operator=(const NSHttpClient&) = delete;

    // Drops every queued request and undelivered response whose owner is `owner`.
    void cancelRequestsOf(cocos2d::Ref* owner);

private:
    NSHttpClient() = default;
};

}  // namespace NSUI
