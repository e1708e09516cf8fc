#include "toolkit/net/UIHttpPhisical.h"

#include "engine/2d/Node.h"
#include "engine/base/Base64.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/ImageView.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/net/UIImageLoader.h"

// Uploads are built with the classic form API the client sends.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include <algorithm>
#include <utility>

namespace NSUI {

namespace {

const char kJsonContentType[] = "Content-Type: application/json; charset=utf-8";
const char kImageTagPrefix[] = "internalLoadHttpImage.";

}  // namespace

UIHttpPhisical::~UIHttpPhisical() {
    NSHttpClient::getInstance()->cancelRequestsOf(owner);
    for (auto& record : pendingImages) {
        if (record.target != nullptr) {
            record.target->release();
        }
    }
    pendingImages.clear();
}

void UIHttpPhisical::uploadFile(std::string name, std::string info, std::string filePath,
                                std::string contentType, std::string tag, std::string url,
                                std::string credentials, std::string header) {
    auto* request = new NSHttpRequest();
    request->url = std::move(url);
    request->type = NSHttpRequest::Type::POST_FORM;
    request->callback = [this](NSHttpClient* client, NSHttpResponse* response) {
        onUploadResponse(client, response);
    };
    request->target = owner;
    addHeaders(request, credentials, header, false);
    request->tag = std::move(tag);
    curl_formadd(&request->form, &request->formLast, CURLFORM_COPYNAME, name.c_str(), CURLFORM_FILE,
                 filePath.c_str(), CURLFORM_CONTENTTYPE, contentType.c_str(), CURLFORM_END);
    curl_formadd(&request->form, &request->formLast, CURLFORM_COPYNAME, "uploadInfo",
                 CURLFORM_COPYCONTENTS, info.c_str(), CURLFORM_END);
    NSHttpClient::getInstance()->send(request);
    request->release();
}

void UIHttpPhisical::downloadToFile(std::string url, std::string body, std::string localPath,
                                    std::string tag, bool, std::string credentials,
                                    std::string header) {
    auto* request = new NSHttpRequest();
    request->url = std::move(url);
    request->type = NSHttpRequest::Type::POST_TO_FILE;
    request->callback = [this](NSHttpClient* client, NSHttpResponse* response) {
        onDownloadResponse(client, response);
    };
    request->target = owner;
    addHeaders(request, credentials, header, true);
    request->body.assign(body.begin(), body.end());
    request->tag = std::move(tag);
    // A bare file name has no folder to make (the parent of "x" would be "x" itself).
    if (localPath.find_first_of("/\\") != std::string::npos) {
        const std::string folder = getParentDirectory(localPath);
        auto* files = cocos2d::FileUtils::getInstance();
        if (!folder.empty() && !files->isDirectoryExist(folder)) {
            files->createDirectory(folder);
        }
    }
    request->filePath = std::move(localPath);
    NSHttpClient::getInstance()->send(request);
    request->release();
}

void UIHttpPhisical::httpGet(std::string url, std::string body, std::string tag,
                             std::string credentials, std::string header) {
    sendVerb(NSHttpRequest::Type::GET, std::move(url), std::move(body), std::move(tag), credentials,
             header);
}

void UIHttpPhisical::httpPost(std::string url, std::string body, std::string tag,
                              std::string credentials, std::string header) {
    sendVerb(NSHttpRequest::Type::POST, std::move(url), std::move(body), std::move(tag),
             credentials, header);
}

void UIHttpPhisical::httpDelete(std::string url, std::string body, std::string tag,
                                std::string credentials, std::string header) {
    sendVerb(NSHttpRequest::Type::DELETE, std::move(url), std::move(body), std::move(tag),
             credentials, header);
}

void UIHttpPhisical::httpPut(std::string url, std::string body, std::string tag,
                             std::string credentials, std::string header) {
    sendVerb(NSHttpRequest::Type::PUT, std::move(url), std::move(body), std::move(tag), credentials,
             header);
}

void UIHttpPhisical::httpGetOverload(std::string url, std::string body, std::string tag,
                                     std::string credentials, std::string header) {
    httpGet(url, body, tag, credentials, header);
}

void UIHttpPhisical::httpPutOverload(std::string url, std::string body, std::string tag,
                                     std::string credentials, std::string header) {
    httpPut(url, body, tag, credentials, header);
}

void UIHttpPhisical::httpPostOverload(std::string url, std::string body, std::string tag,
                                      std::string credentials, std::string header) {
    httpPost(url, body, tag, credentials, header);
}

void UIHttpPhisical::httpDeleteOverload(std::string url, std::string body, std::string tag,
                                        std::string credentials, std::string header) {
    httpDelete(url, body, tag, credentials, header);
}

void UIHttpPhisical::onUploadResponse(NSHttpClient* client, NSHttpResponse* response) {
    onResponse(makeResponse(client, response));
}

void UIHttpPhisical::onHttpResponse(NSHttpClient* client, NSHttpResponse* response) {
    onResponse(makeResponse(client, response));
}

void UIHttpPhisical::onDownloadResponse(NSHttpClient* client, NSHttpResponse* response) {
    UIHttpResponse* record = makeResponse(client, response);
    if (record == nullptr) {
        return;
    }
    record->body.clear();
    if (record->succeeded && record->responseCode == 200) {
        const std::string& path = response->request->filePath;
        const long size = cocos2d::FileUtils::getInstance()->getFileSize(path);
        UIJson::setString(record->body, "localFile", path);
        UIJson::setString(record->body, "fileSize", std::to_string(size));
        handOffImage(record->tag);
    }
    onResponse(record);
}

void UIHttpPhisical::handOffImage(const std::string& tag) {
    const std::size_t prefixLength = sizeof(kImageTagPrefix) - 1;
    if (tag.compare(0, prefixLength, kImageTagPrefix) != 0) {
        return;
    }
    const std::string name = tag.substr(prefixLength);
    auto found =
        std::find_if(pendingImages.begin(), pendingImages.end(),
                     [&](const ImageDownloadRecord& record) { return record.name == name; });
    if (found == pendingImages.end()) {
        return;
    }
    auto* loader = dynamic_cast<UIImageLoader*>(found->loader);
    auto* view = dynamic_cast<cocos2d::ui::ImageView*>(found->target);
    if (loader == nullptr || view == nullptr) {
        return;
    }
    cocos2d::Node* target = found->target;
    pendingImages.erase(found);
    loader->loadImageView(view, name);
    target->release();
}

void UIHttpPhisical::onResponse(UIHttpResponse*) {}

UIHttpResponse* UIHttpPhisical::makeResponse(NSHttpClient* client, NSHttpResponse* response) {
    if (client == nullptr || response == nullptr) {
        return nullptr;
    }
    UIHttpResponse* record = UIHttpResponse::create();
    if (record == nullptr) {
        return nullptr;
    }
    record->tag = response->request->tag;
    record->succeeded = response->succeeded;
    record->responseCode = response->responseCode;
    if (response->body.empty()) {
        record->body = response->errorText;
    } else {
        record->body.assign(response->body.begin(), response->body.end());
    }
    return record;
}

std::string UIHttpPhisical::base64EncodeString(const char* data, std::size_t length) {
    return cocos2d::safeBase64EncodeString(std::string(data, length));
}

void UIHttpPhisical::sendVerb(NSHttpRequest::Type type, std::string url, std::string body,
                              std::string tag, const std::string& credentials,
                              const std::string& header) {
    auto* request = new NSHttpRequest();
    request->url = std::move(url);
    request->type = type;
    request->callback = [this](NSHttpClient* client, NSHttpResponse* response) {
        onHttpResponse(client, response);
    };
    request->target = owner;
    addHeaders(request, credentials, header, true);
    request->body.assign(body.begin(), body.end());
    request->tag = std::move(tag);
    NSHttpClient::getInstance()->send(request);
    request->release();
}

void UIHttpPhisical::addHeaders(NSHttpRequest* request, const std::string& credentials,
                                const std::string& header, bool defaultContentType) {
    if (!credentials.empty()) {
        request->headers.push_back("Authorization: Basic " +
                                   base64EncodeString(credentials.data(), credentials.size()));
    }
    if (!header.empty()) {
        request->headers.push_back(header);
    } else if (defaultContentType) {
        request->headers.emplace_back(kJsonContentType);
    }
}

}  // namespace NSUI
