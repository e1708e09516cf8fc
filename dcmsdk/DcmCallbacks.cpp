#include "dcmsdk/DcmCallbacks.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace dcmSDK {

namespace {
std::atomic<LogCallback> logRoutine{nullptr};
std::atomic<MsgCallback> msgRoutine{nullptr};
std::atomic<Gb2Utf8Callback> gb2utf8Routine{nullptr};
std::atomic<ReadFileCallback> readFileRoutine{nullptr};
std::atomic<SavePngCallback> savePngRoutine{nullptr};
}  // namespace

void setLogCallback(LogCallback callback) {
    logRoutine.store(callback);
}
void setMsgCallback(MsgCallback callback) {
    msgRoutine.store(callback);
}
void setgb2utf8Callback(Gb2Utf8Callback callback) {
    gb2utf8Routine.store(callback);
}
void setReadFileCallback(ReadFileCallback callback) {
    readFileRoutine.store(callback);
}
void setSavePngCallback(SavePngCallback callback) {
    savePngRoutine.store(callback);
}

LogCallback getLogCallback() {
    return logRoutine.load();
}
MsgCallback getMsgCallback() {
    return msgRoutine.load();
}
Gb2Utf8Callback getGb2Utf8Callback() {
    return gb2utf8Routine.load();
}
ReadFileCallback getReadFileCallback() {
    return readFileRoutine.load();
}
SavePngCallback getSavePngCallback() {
    return savePngRoutine.load();
}

void clearCallbacks() {
    logRoutine.store(nullptr);
    msgRoutine.store(nullptr);
    gb2utf8Routine.store(nullptr);
    readFileRoutine.store(nullptr);
    savePngRoutine.store(nullptr);
}

bool raiseEvent(unsigned int type, const char* text) {
    const MsgCallback routine = msgRoutine.load();
    if (routine == nullptr) {
        return false;
    }
    routine(type, text);
    return true;
}

void logMessage(const char* format, ...) {
    const LogCallback routine = logRoutine.load();
    if (routine == nullptr) {
        return;
    }
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    routine(line);
}

}  // namespace dcmSDK
