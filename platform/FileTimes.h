#pragma once

#include <ctime>
#include <string>

namespace platform {

// When the file was created, in seconds since the epoch. File systems that keep no birth time
// give the time of the last modification instead. False when the file cannot be examined.
bool getFileCreationTime(const std::string& path, std::time_t& seconds);

}  // namespace platform
