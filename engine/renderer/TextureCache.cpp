#include "engine/renderer/TextureCache.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "engine/renderer/Texture2D.h"

namespace cocos2d {

TextureCache::TextureCache()
    : _loader(std::make_shared<LoaderState>()), _alive(std::make_shared<bool>(true)) {}

TextureCache::~TextureCache() {
    waitForQuit();
    if (_scheduler != nullptr) {
        _scheduler->removeFunctionInCocosThread(this, nullptr);
        _scheduler->release();
    }
    _alive.reset();
    for (auto& request : _outstanding) {
        delete request->image;
        request->image = nullptr;
    }
    removeAllTextures();
}

std::string TextureCache::keyFor(const std::string& path) const {
    const std::string fullPath = FileUtils::getInstance()->fullPathForFilename(path);
    return fullPath.empty() ? path : fullPath;
}

Texture2D* TextureCache::addImage(const std::string& filepath) {
    const std::string fullPath = FileUtils::getInstance()->fullPathForFilename(filepath);
    if (fullPath.empty()) {
        return nullptr;
    }
    auto found = _textures.find(fullPath);
    if (found != _textures.end()) {
        return found->second;
    }
    Image image;
    if (!image.initWithImageFile(fullPath)) {
        return nullptr;
    }
    return addImage(&image, fullPath);
}

Texture2D* TextureCache::addImage(Image* image, const std::string& key) {
    if (image == nullptr) {
        return nullptr;
    }
    auto found = _textures.find(key);
    if (found != _textures.end()) {
        return found->second;
    }
    auto* texture = new (std::nothrow) Texture2D();
    if (texture == nullptr || !texture->initWithImage(image)) {
        delete texture;
        return nullptr;
    }
    _textures.emplace(key, texture);
    return texture;
}

void TextureCache::addImageAsync(const std::string& filepath,
                                 const std::function<void(Texture2D*)>& callback,
                                 const std::string& callbackKey) {
    const std::string fullPath = FileUtils::getInstance()->fullPathForFilename(filepath);
    if (!fullPath.empty()) {
        auto found = _textures.find(fullPath);
        if (found != _textures.end()) {
            if (callback) {
                callback(found->second);
            }
            return;
        }
    }
    auto request = std::make_shared<AsyncRequest>();
    request->fullPath = fullPath;
    request->callbackKey = callbackKey.empty() ? filepath : callbackKey;
    request->callback = callback;
    _outstanding.push_back(request);
    if (_quitting) {
        finishRequest(request);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(_loader->mutex);
        _loader->pending.push_back(request);
    }
    _loader->wake.notify_one();
    if (!_loaderThread.joinable()) {
        _scheduler = Director::getInstance()->getScheduler();
        _scheduler->retain();
        _loaderThread =
            std::thread(loaderMain, _loader, _scheduler, std::weak_ptr<bool>(_alive), this);
    }
}

void TextureCache::loaderMain(std::shared_ptr<LoaderState> state, Scheduler* scheduler,
                              std::weak_ptr<bool> alive, TextureCache* cache) {
    for (;;) {
        std::shared_ptr<AsyncRequest> request;
        {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->wake.wait(lock, [&] { return state->quit || !state->pending.empty(); });
            if (state->pending.empty()) {
                return;
            }
            request = state->pending.front();
            state->pending.pop_front();
        }
        auto* image = new (std::nothrow) Image();
        if (image != nullptr &&
            (request->fullPath.empty() || !image->initWithImageFile(request->fullPath))) {
            delete image;
            image = nullptr;
        }
        request->image = image;
        request->decoded = true;
        scheduler->performFunctionInCocosThread(cache, [alive, cache, request] {
            if (!alive.expired()) {
                cache->finishRequest(request);
            }
        });
    }
}

void TextureCache::finishRequest(const std::shared_ptr<AsyncRequest>& request) {
    auto position = std::find(_outstanding.begin(), _outstanding.end(), request);
    if (position != _outstanding.end()) {
        _outstanding.erase(position);
    }
    Texture2D* texture = nullptr;
    if (request->image != nullptr) {
        texture = addImage(request->image, request->fullPath);
        delete request->image;
        request->image = nullptr;
    }
    // The request leaves the outstanding list first, so a callback that unbinds or queues
    // again sees a consistent state.
    auto callback = std::move(request->callback);
    if (callback) {
        callback(texture);
    }
}

void TextureCache::unbindImageAsync(const std::string& callbackKey) {
    for (auto& request : _outstanding) {
        if (request->callbackKey == callbackKey) {
            request->callback = nullptr;
        }
    }
}

void TextureCache::unbindAllImageAsync() {
    for (auto& request : _outstanding) {
        request->callback = nullptr;
    }
}

Texture2D* TextureCache::getTextureForKey(const std::string& key) const {
    auto found = _textures.find(key);
    if (found == _textures.end()) {
        found = _textures.find(keyFor(key));
    }
    return found == _textures.end() ? nullptr : found->second;
}

void TextureCache::removeTexture(Texture2D* texture) {
    if (texture == nullptr) {
        return;
    }
    for (auto it = _textures.begin(); it != _textures.end();) {
        if (it->second == texture) {
            texture->release();
            it = _textures.erase(it);
        } else {
            ++it;
        }
    }
}

void TextureCache::removeTextureForKey(const std::string& key) {
    auto found = _textures.find(key);
    if (found == _textures.end()) {
        found = _textures.find(keyFor(key));
    }
    if (found != _textures.end()) {
        found->second->release();
        _textures.erase(found);
    }
}

void TextureCache::removeUnusedTextures() {
    for (auto it = _textures.begin(); it != _textures.end();) {
        if (it->second->getReferenceCount() == 1) {
            it->second->release();
            it = _textures.erase(it);
        } else {
            ++it;
        }
    }
}

void TextureCache::removeAllTextures() {
    for (auto& entry : _textures) {
        entry.second->release();
    }
    _textures.clear();
}

void TextureCache::waitForQuit() {
    _quitting = true;
    {
        std::lock_guard<std::mutex> lock(_loader->mutex);
        _loader->quit = true;
    }
    _loader->wake.notify_all();
    if (_loaderThread.joinable()) {
        _loaderThread.join();
    }
}

}  // namespace cocos2d
