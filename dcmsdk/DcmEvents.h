#pragma once

namespace dcmSDK {

// The event types the library hands to the message routine (setMsgCallback), with the text
// each carries.
enum DcmEvent : unsigned int {
    // JSON: "taskID", "value" (percent).
    kEventSendProgress = 0,
    // JSON: "taskID".
    kEventSendDone = 1,
    kEventSendFailed = 2,
    // Not a text: a DCM_MESSAGE record of a stored file that the receiver takes over.
    kEventFileStored = 3,
    // JSON: "ok", "appid", "ip", "port", "name".
    kEventEchoReply = 4,
    // One query answer as a tag list.
    kEventFindAnswer = 5,
    kEventFindFailed = 6,
    // "key|remaining|completed|failed|warning".
    kEventRetrieveProgress = 7,
    // The path of a retrieved file to import.
    kEventFileToImport = 8,
    // The series UID of a retrieval that starts.
    kEventFindReset = 9,
    // The patient name of a finished retrieval.
    kEventRetrieveReady = 10,
    // The ten fields of the failed retrieval joined by ",".
    kEventRetrieveFailed = 11,
};

}  // namespace dcmSDK
