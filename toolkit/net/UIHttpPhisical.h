#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "toolkit/net/NSHttpClient.h"
#include "toolkit/net/UIHttpResponse.h"

namespace cocos2d {
class Node;
class Ref;
}  // namespace cocos2d

namespace NSUI {

// A download whose file is to be handed to an image loader: a call of downloadToFile tagged
// "internalLoadHttpImage." + `name` whose 200 answer puts the picture `name` into `target`
// through `loader` (a UIImageLoader, such as the widgets' UIControlGenerater).
struct ImageDownloadRecord {
    // The address the picture comes from; for the filer's own use.
    std::string url;
    std::string name;
    // One reference, taken by whoever files the record and given back by the mixin when the
    // record is handed off or freed.
    cocos2d::Node* target = nullptr;
    // Not retained: the object itself or one that outlives the record.
    cocos2d::Node* loader = nullptr;
};

// Mixin for objects that make HTTP service calls. Each call becomes one request of the shared
// NSHttpClient filed under `owner`; its answer comes back on the main thread as a
// UIHttpResponse through onResponse, which the deriving class overrides and where it tells its
// calls apart by tag. Bodies are sent as given. Destroying the mixin cancels everything still
// pending for its owner.
//
// Header lines of a call: "Authorization: Basic " + Base64 of `credentials` when credentials are
// given; then `header` (one complete line) when given, else the JSON content type (uploads send
// no default line). All on the main thread.
class UIHttpPhisical {
public:
    UIHttpPhisical() = default;
    virtual ~UIHttpPhisical();

    // Multipart POST: the file as part `name` with `contentType`, then part "uploadInfo" holding
    // `info`.
    virtual void uploadFile(std::string name, std::string info, std::string filePath,
                            std::string contentType, std::string tag, std::string url,
                            std::string credentials, std::string header);
    // POST whose answer is saved to `localPath`; its folder is created when missing. `flag` has
    // no effect.
    virtual void downloadToFile(std::string url, std::string body, std::string localPath,
                                std::string tag, bool flag, std::string credentials,
                                std::string header);
    // GET and DELETE do not transmit the body.
    virtual void httpGet(std::string url, std::string body, std::string tag,
                         std::string credentials, std::string header);
    virtual void httpPost(std::string url, std::string body, std::string tag,
                          std::string credentials, std::string header);
    virtual void httpDelete(std::string url, std::string body, std::string tag,
                            std::string credentials, std::string header);
    virtual void httpPut(std::string url, std::string body, std::string tag,
                         std::string credentials, std::string header);
    virtual void httpGetOverload(std::string url, std::string body, std::string tag,
                                 std::string credentials, std::string header);
    virtual void httpPutOverload(std::string url, std::string body, std::string tag,
                                 std::string credentials, std::string header);
    virtual void httpPostOverload(std::string url, std::string body, std::string tag,
                                  std::string credentials, std::string header);
    virtual void httpDeleteOverload(std::string url, std::string body, std::string tag,
                                    std::string credentials, std::string header);

    virtual void onUploadResponse(NSHttpClient* client, NSHttpResponse* response);
    virtual void onHttpResponse(NSHttpClient* client, NSHttpResponse* response);
    // On a 200 the record's body is {"localFile":path,"fileSize":bytes}; otherwise it is empty.
    virtual void onDownloadResponse(NSHttpClient* client, NSHttpResponse* response);
    // Every answer of this object's calls, failures included. Does nothing here.
    virtual void onResponse(UIHttpResponse* response);

    // Null when either argument is null. The body is the response body as text, or the
    // client's error text when there is no body.
    static UIHttpResponse* makeResponse(NSHttpClient* client, NSHttpResponse* response);
    // Standard Base64 with "=" padding.
    static std::string base64EncodeString(const char* data, std::size_t length);

protected:
    // Downloads waiting to be handed to an image loader; the deriving object files them.
    std::vector<ImageDownloadRecord> pendingImages;
    // The object the calls are filed under, not retained; the deriving object points it at
    // itself while it initialises. Calls made while it is null are performed but never
    // answered.
    cocos2d::Ref* owner = nullptr;

private:
    // Hands a downloaded picture tagged for an image loader to the first record of that name.
    void handOffImage(const std::string& tag);
    void sendVerb(NSHttpRequest::Type type, std::string url, std::string body, std::string tag,
                  const std::string& credentials, const std::string& header);
    static void addHeaders(NSHttpRequest* request, const std::string& credentials,
                           const std::string& header, bool defaultContentType);
};

}  // namespace NSUI
