#include "dcmsdk/internal/DcmLogAppender.h"

#include "dcmsdk/DcmCallbacks.h"

#include <dcmtk/oflog/logger.h>
#include <dcmtk/oflog/spi/logevent.h>

namespace dcmSDK {

namespace {

const char* levelLetter(dcmtk::log4cplus::LogLevel level) {
    if (level >= dcmtk::log4cplus::FATAL_LOG_LEVEL) {
        return "F";
    }
    if (level >= dcmtk::log4cplus::ERROR_LOG_LEVEL) {
        return "E";
    }
    return "W";
}

}  // namespace

DcmLogAppender::DcmLogAppender() = default;

DcmLogAppender::~DcmLogAppender() {
    destructorImpl();
}

void DcmLogAppender::close() {
    closed = true;
}

void DcmLogAppender::install() {
    dcmtk::log4cplus::Logger root = dcmtk::log4cplus::Logger::getRoot();
    root.removeAllAppenders();
    root.addAppender(dcmtk::log4cplus::SharedAppenderPtr(new DcmLogAppender));
    root.setLogLevel(dcmtk::log4cplus::WARN_LOG_LEVEL);
}

void DcmLogAppender::append(const dcmtk::log4cplus::spi::InternalLoggingEvent& event) {
    logMessage("%s: %s", levelLetter(event.getLogLevel()), event.getMessage().c_str());
}

}  // namespace dcmSDK
