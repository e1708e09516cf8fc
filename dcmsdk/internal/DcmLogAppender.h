#pragma once

#include <dcmtk/oflog/appender.h>

namespace dcmSDK {

// An appender for DCMTK's logger that hands each message, with its level's letter ("W: ...",
// "E: ...", "F: ..."), to the program's log routine instead of the console.
class DcmLogAppender : public dcmtk::log4cplus::Appender {
public:
    DcmLogAppender();
    ~DcmLogAppender() override;

    void close() override;

    // Routes DCMTK's messages at warning level and above through the program's log; the
    // library's informational and debug messages are dropped.
    static void install();

protected:
    void append(const dcmtk::log4cplus::spi::InternalLoggingEvent& event) override;
};

}  // namespace dcmSDK
