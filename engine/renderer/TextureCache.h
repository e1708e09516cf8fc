#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "engine/base/Ref.h"

namespace cocos2d {

class Image;
class Scheduler;
class Texture2D;

// Textures by the full path of their file (or by the key an image was added under). Files are
// decoded either at once or on the cache's loader thread; textures are always made on the
// main thread, where asynchronous callbacks run too (through the director's scheduler).
class TextureCache : public Ref {
public:
    TextureCache();
    ~TextureCache() override;

    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The cached texture, else one made from the file; null when it cannot be read or decoded.
    Texture2D* addImage(const std::string& filepath);
    // The texture cached under `key`, else one made from the image and cached under `key`.
    Texture2D* addImage(Image* image, const std::string& key);

    // Calls `callback` on the main thread with the texture: at once when it is cached, else
    // after the loader thread decoded the file, with null when the file is missing or cannot be
    // decoded. `callbackKey` (the path when empty) names the request for `unbindImageAsync`.
    void addImageAsync(const std::string& filepath, const std::function<void(Texture2D*)>& callback,
                       const std::string& callbackKey = "");
    // Callbacks of pending requests under this key are dropped; the textures are still cached.
    void unbindImageAsync(const std::string& callbackKey);
    void unbindAllImageAsync();

    Texture2D* getTextureForKey(const std::string& key) const;

    void removeTexture(Texture2D* texture);
    void removeTextureForKey(const std::string& key);
    // Drops the textures that nothing but the cache holds.
    void removeUnusedTextures();
    void removeAllTextures();

    // Number of cached textures.
    size_t getTextureCount() const { return _textures.size(); }

    // Stops the loader thread after the requests it holds; further asynchronous requests are
    // refused with a null texture.
    void waitForQuit();

private:
    struct AsyncRequest {
        std::string fullPath;
        std::string callbackKey;
        std::function<void(Texture2D*)> callback;
        Image* image = nullptr;
        bool decoded = false;
    };
    struct LoaderState {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::shared_ptr<AsyncRequest>> pending;
        bool quit = false;
    };

    static void loaderMain(std::shared_ptr<LoaderState> state, Scheduler* scheduler,
                           std::weak_ptr<bool> alive, TextureCache* cache);
    void finishRequest(const std::shared_ptr<AsyncRequest>& request);
    std::string keyFor(const std::string& path) const;

    std::unordered_map<std::string, Texture2D*> _textures;

    // Requests whose callback has not run yet, on the main thread only.
    std::deque<std::shared_ptr<AsyncRequest>> _outstanding;
    std::shared_ptr<LoaderState> _loader;
    // Hand-backs check it, so that none reaches a destroyed cache.
    std::shared_ptr<bool> _alive;
    std::thread _loaderThread;
    // Taken on the main thread when the loader starts and held until it has stopped, so the
    // loader never reaches for the director (which may be going away).
    Scheduler* _scheduler = nullptr;
    bool _quitting = false;
};

}  // namespace cocos2d
