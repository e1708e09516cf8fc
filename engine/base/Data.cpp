#include "engine/base/Data.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace cocos2d {

const Data Data::Null;

Data::Data(const Data& other) {
    copy(other._bytes, other._size);
}

Data::Data(Data&& other) noexcept
    : _bytes(std::exchange(other._bytes, nullptr)), _size(std::exchange(other._size, 0)) {}

Data::~Data() {
    clear();
}

Data& Data::operator=(const Data& other) {
    if (this != &other) {
        copy(other._bytes, other._size);
    }
    return *this;
}

Data& Data::operator=(Data&& other) noexcept {
    if (this != &other) {
        clear();
        _bytes = std::exchange(other._bytes, nullptr);
        _size = std::exchange(other._size, 0);
    }
    return *this;
}

void Data::copy(const unsigned char* bytes, ssize_t size) {
    clear();
    if (bytes == nullptr || size <= 0) {
        return;
    }
    _bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
    if (_bytes == nullptr) {
        return;
    }
    std::memcpy(_bytes, bytes, static_cast<size_t>(size));
    _size = size;
}

void Data::fastSet(unsigned char* bytes, ssize_t size) {
    if (bytes == _bytes) {
        _size = bytes ? size : 0;
        return;
    }
    clear();
    _bytes = bytes;
    _size = bytes ? size : 0;
}

void Data::clear() {
    std::free(_bytes);
    _bytes = nullptr;
    _size = 0;
}

unsigned char* Data::takeBuffer(ssize_t* size) {
    if (size) {
        *size = _size;
    }
    _size = 0;
    return std::exchange(_bytes, nullptr);
}

}  // namespace cocos2d
