#pragma once

#include <string>

namespace studydb {

// Depth of a series folder below the DICOM folder: patient / study / series.
constexpr int kSeriesFolderDepth = 3;

// Whether a folder named by stored data is a plain relative path of exactly `depth` components
// (a trailing "/" allowed): no leading "/", no empty, "." or ".." component, no backslash.
bool isRelativeFolder(const std::string& relative, int depth);

// The first `depth` components of a relative folder, without a trailing "/"; empty when it has
// fewer.
std::string leadingComponents(const std::string& relative, int depth);

// The real path of root + relative, links resolved, when relative is a folder of exactly `depth`
// components that really lies inside root at that depth; empty when refused or absent.
std::string folderInside(const std::string& root, const std::string& relative, int depth);

// Removes that folder, then its parents below root, each only while it is empty.
void removeEmptyFoldersInside(const std::string& root, const std::string& relative, int depth);

}  // namespace studydb
