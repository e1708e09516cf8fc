#pragma once

#include "dcmsdk/DcmEvents.h"

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
// Receives one library event: its type (a DcmEvent) and its text (for kEventFileStored, a
// DCM_MESSAGE record that the receiver takes over and frees with delete).
typedef void (*MsgCallback)(unsigned int type, const char* text);
// Reads a whole file into a new buffer (freed with delete[]) and sets size; null when the file is
// missing or empty.
typedef char* (*ReadFileCallback)(const char* path, int& size, bool text);

void setLogCallback(LogCallback callback);
void setMsgCallback(MsgCallback callback);
void setgb2utf8Callback(Gb2Utf8Callback callback);
void setReadFileCallback(ReadFileCallback callback);
void setSavePngCallback(SavePngCallback callback);

LogCallback getLogCallback();
MsgCallback getMsgCallback();
Gb2Utf8Callback getGb2Utf8Callback();
ReadFileCallback getReadFileCallback();
SavePngCallback getSavePngCallback();

// Forgets every routine; the library's threads must have ended.
void clearCallbacks();

// Hands an event to the message routine; false when none is set (the caller then still owns
// what text points to).
bool raiseEvent(unsigned int type, const char* text);

// Formats a line and hands it to the log routine, if one is set.
void logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace dcmSDK
