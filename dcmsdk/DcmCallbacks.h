#pragma once

namespace dcmSDK {

// Process-wide routines the application hands to the library once at start-up. The library may
// call them from any of its threads; a routine that was never set is simply not called.
typedef void (*LogCallback)(const char* text);
// Converts a text in the system's legacy (GB) code page to UTF-8 into target, which has size
// bytes and always ends with a zero byte.
typedef void (*Gb2Utf8Callback)(const char* source, char* target, int size);
// Writes height rows of width x 3 RGB bytes, top row first, as a PNG file; true when written.
typedef bool (*SavePngCallback)(int width, int height, const unsigned char* pixels,
                                const char* path);

void setLogCallback(LogCallback callback);
void setgb2utf8Callback(Gb2Utf8Callback callback);
void setSavePngCallback(SavePngCallback callback);

LogCallback getLogCallback();
Gb2Utf8Callback getGb2Utf8Callback();
SavePngCallback getSavePngCallback();

// Formats a line and hands it to the log routine, if one is set.
void logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace dcmSDK
