#pragma once

#include <string>

namespace studydb {

// A field for the library's task texts, where "," separates fields and "@" tasks: each of them
// becomes a space, so a node or patient name cannot split a task or shift its fields.
std::string taskField(const std::string& text);

}  // namespace studydb
