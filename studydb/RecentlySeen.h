#pragma once

#include <string>

namespace NSUI {
struct DateTimeFields;
}

namespace studydb {

// Whether a last-seen text (YYYY-MM-DD HH:MM:SS) is from today and less than ten seconds before
// `now` (a later time counts too). The neighbour count and the node screen's Wi-Fi marks agree
// through this one test.
bool isRecentlySeen(const std::string& lastSeen, const NSUI::DateTimeFields& now);
// The same against the current local time.
bool isRecentlySeen(const std::string& lastSeen);

}  // namespace studydb
