#pragma once

#include <cstddef>
#include <sys/types.h>

namespace cocos2d {

// A byte buffer that owns its bytes (malloc'd, so that `fastSet` and `takeBuffer` can hand
// buffers across C interfaces). Copies duplicate the bytes; moves steal them.
class Data {
public:
    static const Data Null;

    Data() = default;
    Data(const Data& other);
    Data(Data&& other) noexcept;
    ~Data();

    Data& operator=(const Data& other);
    Data& operator=(Data&& other) noexcept;

    unsigned char* getBytes() const { return _bytes; }
    ssize_t getSize() const { return _size; }

    // Replaces the content with a copy of `size` bytes.
    void copy(const unsigned char* bytes, ssize_t size);
    // Takes ownership of a malloc'd buffer without copying it.
    void fastSet(unsigned char* bytes, ssize_t size);
    void clear();
    bool isNull() const { return _bytes == nullptr || _size == 0; }

    // Gives the buffer away (the caller frees it with free) and leaves this object empty.
    unsigned char* takeBuffer(ssize_t* size);

private:
    unsigned char* _bytes = nullptr;
    ssize_t _size = 0;
};

}  // namespace cocos2d
