#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "engine/base/Vector.h"
#include "toolkit/net/NSHttpRequest.h"
#include "toolkit/net/NSHttpResponse.h"

namespace cocos2d {
class Ref;
class Scheduler;
}  // namespace cocos2d

namespace NSUI {

// The process-wide HTTP transport. One worker thread performs the requests one at a time, in the
// order they were sent; each finished response is handed back to the engine's main thread, where
// the request's callback runs. Responses are delivered one per main-thread hand-back, in the
// order the transfers finished. Every request is filed under an owner object (its target), so
// that an owner going away can drop everything still pending for it.
//
// send and cancelRequestsOf belong to the main thread. Locks, where both are held: requestMutex,
// then responseMutex. No callback runs under a lock.
class NSHttpClient {
public:
    // The shared client, created on first use.
    static NSHttpClient* getInstance();
    // Deletes the shared client when there is one; the next getInstance makes a fresh one.
    static void destroyInstance();

    // Stops the worker (a transfer in progress is aborted), waits for it, and drops every
    // pending request and undelivered response without calling back.
    virtual ~NSHttpClient();
    NSHttpClient(const NSHttpClient&) = delete;
    NSHttpClient& operator=(const NSHttpClient&) = delete;

    // Queues the request, starting the worker on first use. Null does nothing.
    void send(NSHttpRequest* request);

    // Drops every queued request and undelivered response whose owner is `owner`. A transfer of
    // the owner in progress runs to its end and its response is discarded.
    void cancelRequestsOf(cocos2d::Ref* owner);

protected:
    NSHttpClient();

    // Seconds; read by the worker, so set them before the first send.
    int connectTimeout = 5;
    int timeout = 60;
    // The trust store for HTTPS peers ("CURL_CA_BUNDLE", else "SSL_CERT_FILE", at creation);
    // empty means the system's.
    std::string caFile;

private:
    static constexpr std::size_t kErrorBufferSize = 256;

    void startWorker();
    void networkLoop();
    // The next request to perform, or null once the client is stopping.
    NSHttpRequest* takeNextRequest();
    void processResponse(NSHttpResponse* response);
    void queueResponse(NSHttpResponse* response);
    void dispatchResponseCallbacks();

    static std::size_t writeData(char* data, std::size_t size, std::size_t count, void* vector);
    static std::size_t writeFile(char* data, std::size_t size, std::size_t count, void* file);

    NSHttpRequest* current = nullptr;
    std::mutex requestMutex;
    std::mutex responseMutex;
    // Waited on with requestMutex while the request queue is empty.
    std::condition_variable sleepCondition;
    cocos2d::Vector<NSHttpRequest*>* requestQueue = nullptr;
    cocos2d::Vector<NSHttpResponse*>* responseQueue = nullptr;

    std::atomic<bool> stopping{false};
    std::thread workerThread;
    // Retained while the worker runs; deliveries are queued on it under this client's key.
    cocos2d::Scheduler* scheduler = nullptr;
    // libcurl's error text; used by the worker only.
    char errorBuffer[kErrorBufferSize] = {};
};

}  // namespace NSUI
