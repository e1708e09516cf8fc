#include "toolkit/net/NSHttpClient.h"

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "engine/base/Utils.h"

// Multipart requests carry a form built with the classic form API.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace NSUI {

namespace {

NSHttpClient* sharedClient = nullptr;

// Frees the header list and the handle on every path out of a transfer.
class Transfer {
public:
    Transfer() : handle(curl_easy_init()) {}
    ~Transfer() {
        curl_slist_free_all(headerList);
        if (handle != nullptr) {
            curl_easy_cleanup(handle);
        }
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* handle;
    curl_slist* headerList = nullptr;
};

// libcurl must not read the posted data from its default source (standard input) when the
// body is empty, so an empty body posts this empty text instead of null.
const char kEmptyBody[] = "";

template <typename T> bool setOption(CURL* handle, CURLoption option, T value) {
    return curl_easy_setopt(handle, option, value) == CURLE_OK;
}

bool setPostedBody(CURL* handle, const std::vector<unsigned char>& body) {
    const char* data = body.empty() ? kEmptyBody : reinterpret_cast<const char*>(body.data());
    return setOption(handle, CURLOPT_POSTFIELDS, data) &&
           setOption(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
}

int abortWhenStopping(void* stopping, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(stopping)->load() ? 1 : 0;
}

}  // namespace

NSHttpClient* NSHttpClient::getInstance() {
    if (sharedClient == nullptr) {
        sharedClient = new NSHttpClient();
    }
    return sharedClient;
}

void NSHttpClient::destroyInstance() {
    delete sharedClient;
}

NSHttpClient::NSHttpClient() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // The usual variables name another trust store (a private authority); verification itself
    // is never switched off.
    for (const char* name : {"CURL_CA_BUNDLE", "SSL_CERT_FILE"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            caFile = value;
            break;
        }
    }
}

NSHttpClient::~NSHttpClient() {
    if (sharedClient == this) {
        sharedClient = nullptr;
    }
    if (workerThread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(requestMutex);
            stopping = true;
        }
        sleepCondition.notify_one();
        workerThread.join();
    }
    if (scheduler != nullptr) {
        // Outside both locks: from another thread this waits for a delivery in progress.
        scheduler->removeFunctionInCocosThread(this, nullptr);
        scheduler->release();
    }
    {
        std::lock_guard<std::mutex> guard(requestMutex);
        if (requestQueue != nullptr) {
            for (NSHttpRequest* request : *requestQueue) {
                request->release();  // the client's reference; the queue drops its own
            }
            delete requestQueue;
            requestQueue = nullptr;
        }
    }
    {
        std::lock_guard<std::mutex> guard(responseMutex);
        if (responseQueue != nullptr) {
            for (NSHttpResponse* response : *responseQueue) {
                response->request->release();
                response->release();
            }
            delete responseQueue;
            responseQueue = nullptr;
        }
    }
    curl_global_cleanup();
}

void NSHttpClient::send(NSHttpRequest* request) {
    if (requestQueue == nullptr) {
        startWorker();
    }
    if (request == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(requestMutex);
        request->retain();
        requestQueue->pushBack(request);
    }
    sleepCondition.notify_one();
}

void NSHttpClient::startWorker() {
    scheduler = cocos2d::Director::getInstance()->getScheduler();
    scheduler->retain();
    {
        std::lock_guard<std::mutex> requestGuard(requestMutex);
        std::lock_guard<std::mutex> responseGuard(responseMutex);
        requestQueue = new cocos2d::Vector<NSHttpRequest*>();
        responseQueue = new cocos2d::Vector<NSHttpResponse*>();
    }
    workerThread = std::thread(&NSHttpClient::networkLoop, this);
}

void NSHttpClient::cancelRequestsOf(cocos2d::Ref* owner) {
    std::lock_guard<std::mutex> requestGuard(requestMutex);
    std::lock_guard<std::mutex> responseGuard(responseMutex);
    if (requestQueue == nullptr) {
        return;
    }
    for (auto it = requestQueue->begin(); it != requestQueue->end();) {
        NSHttpRequest* request = *it;
        if (request->target != owner) {
            ++it;
            continue;
        }
        cocos2d::log("clear");
        it = requestQueue->erase(it);  // the queue's reference
        request->release();            // the client's
    }
    for (auto it = responseQueue->begin(); it != responseQueue->end();) {
        NSHttpResponse* response = *it;
        if (response->request->target != owner) {
            ++it;
            continue;
        }
        it = responseQueue->erase(it);  // the queue's reference
        response->closeFile();
        response->request->release();  // the client's reference to the request
        response->release();
    }
    if (current != nullptr && current->target == owner) {
        current->target = nullptr;
        current->callback = nullptr;
    }
}

void NSHttpClient::networkLoop() {
    while (NSHttpRequest* request = takeNextRequest()) {
        auto* response = new NSHttpResponse(request);
        processResponse(response);
        queueResponse(response);
        scheduler->performFunctionInCocosThread(this, [this] { dispatchResponseCallbacks(); });
    }
}

NSHttpRequest* NSHttpClient::takeNextRequest() {
    std::unique_lock<std::mutex> guard(requestMutex);
    sleepCondition.wait(guard, [this] { return stopping || !requestQueue->empty(); });
    if (stopping) {
        return nullptr;
    }
    NSHttpRequest* request = requestQueue->front();
    requestQueue->erase(requestQueue->begin());  // the queue's reference; the client's stays
    current = request;
    return request;
}

void NSHttpClient::queueResponse(NSHttpResponse* response) {
    NSHttpRequest* request = response->request;
    std::lock_guard<std::mutex> guard(responseMutex);
    if (request->callback || request->target != nullptr) {
        responseQueue->pushBack(response);
    } else {
        request->release();  // the client's reference
        response->release();
    }
    current = nullptr;
}

void NSHttpClient::processResponse(NSHttpResponse* response) {
    NSHttpRequest* request = response->request;
    response->responseCode = -1;
    errorBuffer[0] = '\0';

    Transfer transfer;
    CURL* handle = transfer.handle;
    bool ok = handle != nullptr;
    ok = ok && setOption(handle, CURLOPT_ERRORBUFFER, errorBuffer) &&
         setOption(handle, CURLOPT_TIMEOUT, static_cast<long>(timeout)) &&
         setOption(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout));
    if (ok) {
        // Peers are always verified against the system's certificate store.
        setOption(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        setOption(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caFile.empty()) {
            setOption(handle, CURLOPT_CAINFO, caFile.c_str());
        }
        // Only the web's own schemes, and a secure address never redirects to a plain one.
        setOption(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        const bool secure = request->url.compare(0, 8, "https://") == 0;
        setOption(handle, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
        setOption(handle, CURLOPT_NOSIGNAL, 1L);
        // Lets a stopping client end a transfer at once instead of after its time-out.
        setOption(handle, CURLOPT_XFERINFOFUNCTION, &abortWhenStopping);
        setOption(handle, CURLOPT_XFERINFODATA, &stopping);
        setOption(handle, CURLOPT_NOPROGRESS, 0L);
    }

    if (ok && !request->headers.empty()) {
        for (const std::string& line : request->headers) {
            curl_slist* appended = curl_slist_append(transfer.headerList, line.c_str());
            if (appended == nullptr) {
                ok = false;
                break;
            }
            transfer.headerList = appended;
        }
        ok = ok && setOption(handle, CURLOPT_HTTPHEADER, transfer.headerList);
    }
    const bool toFile = request->type == NSHttpRequest::Type::POST_TO_FILE;
    ok = ok && setOption(handle, CURLOPT_URL, request->url.c_str());
    if (toFile) {
        ok = ok && setOption(handle, CURLOPT_WRITEFUNCTION, &NSHttpClient::writeFile) &&
             setOption(handle, CURLOPT_WRITEDATA, response->file);
    } else {
        ok = ok && setOption(handle, CURLOPT_WRITEFUNCTION, &NSHttpClient::writeData) &&
             setOption(handle, CURLOPT_WRITEDATA, &response->body);
    }
    ok = ok && setOption(handle, CURLOPT_HEADERFUNCTION, &NSHttpClient::writeData) &&
         setOption(handle, CURLOPT_HEADERDATA, &response->headerData);

    if (ok) {
        switch (request->type) {
        case NSHttpRequest::Type::GET:
            ok = setOption(handle, CURLOPT_FOLLOWLOCATION, 1L);
            break;
        case NSHttpRequest::Type::POST:
        case NSHttpRequest::Type::POST_TO_FILE:
            ok = setOption(handle, CURLOPT_POST, 1L) &&
                 setOption(handle, CURLOPT_FOLLOWLOCATION, 1L) &&
                 setPostedBody(handle, request->body);
            break;
        case NSHttpRequest::Type::PUT:
            ok = setOption(handle, CURLOPT_CUSTOMREQUEST, "PUT") &&
                 setPostedBody(handle, request->body);
            break;
        case NSHttpRequest::Type::DELETE:
            ok = setOption(handle, CURLOPT_CUSTOMREQUEST, "DELETE") &&
                 setOption(handle, CURLOPT_FOLLOWLOCATION, 1L);
            break;
        case NSHttpRequest::Type::POST_FORM:
            ok = setOption(handle, CURLOPT_HTTPPOST, request->form);
            break;
        case NSHttpRequest::Type::NONE:
            ok = false;
            break;
        }
    }

    ok = ok && curl_easy_perform(handle) == CURLE_OK;
    if (ok) {
        long code = -1;
        ok = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK;
        if (ok) {
            response->responseCode = static_cast<int>(code);
            ok = code >= 200 && code <= 299;
        }
    }

    response->succeeded = ok;
    if (!ok) {
        response->errorText = std::string(errorBuffer, strnlen(errorBuffer, sizeof(errorBuffer)));
    }
}

void NSHttpClient::dispatchResponseCallbacks() {
    NSHttpResponse* response = nullptr;
    {
        std::lock_guard<std::mutex> guard(responseMutex);
        if (responseQueue == nullptr || responseQueue->empty()) {
            return;
        }
        response = responseQueue->front();
        response->retain();
        responseQueue->erase(responseQueue->begin());
        response->release();  // the queue's reference; the response's own remains
    }
    response->closeFile();
    NSHttpRequest* request = response->request;
    if (request->target != nullptr && request->callback) {
        // A copy, so that a callback that replaces or clears the request's own stays alive.
        const NSHttpRequest::Callback callback = request->callback;
        callback(this, response);
    }
    request->release();  // the client's reference
    response->release();
}

std::size_t NSHttpClient::writeData(char* data, std::size_t size, std::size_t count, void* vector) {
    const std::size_t length = size * count;
    auto* bytes = static_cast<std::vector<unsigned char>*>(vector);
    bytes->insert(bytes->end(), data, data + length);
    return length;
}

std::size_t NSHttpClient::writeFile(char* data, std::size_t size, std::size_t count, void* file) {
    if (file == nullptr) {
        return size * count;
    }
    return std::fwrite(data, 1, size * count, static_cast<FILE*>(file));
}

}  // namespace NSUI
