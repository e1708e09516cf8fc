#pragma once

#include <cstdint>
#include <functional>
#include <new>

#include "engine/base/Utils.h"

// Row and element positions are signed 64-bit; this marks "no position".
#define CC_INVALID_INDEX (static_cast<std::int64_t>(-1))

#define CC_SAFE_DELETE(p)                                                                          \
    do {                                                                                           \
        delete (p);                                                                                \
        (p) = nullptr;                                                                             \
    } while (0)

#define CC_SAFE_DELETE_ARRAY(p)                                                                    \
    do {                                                                                           \
        delete[](p);                                                                               \
        (p) = nullptr;                                                                             \
    } while (0)

#define CC_SAFE_RELEASE(p)                                                                         \
    do {                                                                                           \
        if (p) {                                                                                   \
            (p)->release();                                                                        \
        }                                                                                          \
    } while (0)

#define CC_SAFE_RELEASE_NULL(p)                                                                    \
    do {                                                                                           \
        if (p) {                                                                                   \
            (p)->release();                                                                        \
            (p) = nullptr;                                                                         \
        }                                                                                          \
    } while (0)

#define CC_SAFE_RETAIN(p)                                                                          \
    do {                                                                                           \
        if (p) {                                                                                   \
            (p)->retain();                                                                         \
        }                                                                                          \
    } while (0)

// Allocates, runs the virtual init and autoreleases; a failed init deletes the object.
#define CREATE_FUNC(__TYPE__)                                                                      \
    static __TYPE__* create() {                                                                    \
        __TYPE__* created = new (std::nothrow) __TYPE__();                                         \
        if (created && created->init()) {                                                          \
            created->autorelease();                                                                \
            return created;                                                                        \
        }                                                                                          \
        delete created;                                                                            \
        return nullptr;                                                                            \
    }

#define CC_CALLBACK_0(__selector__, __target__, ...)                                               \
    std::bind(&__selector__, __target__, ##__VA_ARGS__)
#define CC_CALLBACK_1(__selector__, __target__, ...)                                               \
    std::bind(&__selector__, __target__, std::placeholders::_1, ##__VA_ARGS__)
#define CC_CALLBACK_2(__selector__, __target__, ...)                                               \
    std::bind(&__selector__, __target__, std::placeholders::_1, std::placeholders::_2,             \
              ##__VA_ARGS__)
#define CC_CALLBACK_3(__selector__, __target__, ...)                                               \
    std::bind(&__selector__, __target__, std::placeholders::_1, std::placeholders::_2,             \
              std::placeholders::_3, ##__VA_ARGS__)

#define CCLOG(...) ::cocos2d::log(__VA_ARGS__)

// A broken expectation is logged, never fatal: callers go on with a safe fallback.
#define CCASSERT(cond, msg)                                                                        \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ::cocos2d::log("Assert failed: %s (%s:%d)", (msg), __FILE__, __LINE__);                \
        }                                                                                          \
    } while (0)

#define CC_UNUSED_PARAM(unusedparam) (void)(unusedparam)
