#include "engine/platform/FileUtils.h"

#include <tinyxml2.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace cocos2d {

namespace fs = std::filesystem;

namespace {

std::mutex s_instanceMutex;
FileUtils* s_sharedFileUtils = nullptr;

// The file utilities' own folders: an empty path means "not set" and stays empty.
std::string folderOrEmpty(const std::string& path) {
    return path.empty() ? path : withTrailingSlash(path);
}

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string executableFolder() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : withTrailingSlash(exe.parent_path().string());
}

std::string detectResourceRoot() {
    const std::string fromEnvironment = environment("BRIMVALE_RESOURCE_ROOT");
    if (!fromEnvironment.empty()) {
        return withTrailingSlash(fromEnvironment);
    }
    return FileUtils::resourceRootBesideExecutable(executableFolder());
}

bool readWholeFile(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    out.clear();
    out.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            out.append(buffer, static_cast<size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    return true;
}

// ---- property lists ------------------------------------------------------------------------

Value parsePlistValue(const tinyxml2::XMLElement* element);

std::string elementText(const tinyxml2::XMLElement* element) {
    const char* text = element->GetText();
    return text ? std::string(text) : std::string();
}

ValueMap parsePlistDict(const tinyxml2::XMLElement* dict) {
    ValueMap map;
    for (const auto* child = dict->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        if (std::string(child->Name()) != "key") {
            continue;
        }
        const auto* value = child->NextSiblingElement();
        if (value == nullptr) {
            break;
        }
        if (std::string(value->Name()) == "key") {
            continue;
        }
        map[elementText(child)] = parsePlistValue(value);
        child = value;
    }
    return map;
}

ValueVector parsePlistArray(const tinyxml2::XMLElement* array) {
    ValueVector vector;
    for (const auto* child = array->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        vector.push_back(parsePlistValue(child));
    }
    return vector;
}

Value parsePlistValue(const tinyxml2::XMLElement* element) {
    const std::string name = element->Name();
    if (name == "dict") {
        return Value(parsePlistDict(element));
    }
    if (name == "array") {
        return Value(parsePlistArray(element));
    }
    if (name == "string" || name == "date") {
        return Value(elementText(element));
    }
    if (name == "data") {
        std::string text = elementText(element);
        text.erase(std::remove_if(text.begin(), text.end(),
                                  [](unsigned char c) { return std::isspace(c) != 0; }),
                   text.end());
        return Value(text);
    }
    if (name == "integer") {
        const long long number = std::strtoll(elementText(element).c_str(), nullptr, 10);
        // Out of int range the value is kept exactly (to 2^53) rather than wrapped.
        if (number < INT_MIN || number > INT_MAX) {
            return Value(static_cast<double>(number));
        }
        return Value(static_cast<int>(number));
    }
    if (name == "real") {
        return Value(std::strtod(elementText(element).c_str(), nullptr));
    }
    if (name == "true") {
        return Value(true);
    }
    if (name == "false") {
        return Value(false);
    }
    return Value();
}

const tinyxml2::XMLElement* plistRoot(tinyxml2::XMLDocument& document, const char* data,
                                      size_t size) {
    if (data == nullptr || size == 0 || document.Parse(data, size) != tinyxml2::XML_SUCCESS) {
        return nullptr;
    }
    const auto* root = document.RootElement();
    if (root != nullptr && std::string(root->Name()) == "plist") {
        root = root->FirstChildElement();
    }
    return root;
}

// XML text for a string: markup characters as entities, and characters that would not
// survive parsing as they are (carriage returns, other controls) as character references.
// Text of white space only would be dropped by the parser as layout, so it is written as
// references too.
void appendEscaped(std::string& out, const std::string& text) {
    const bool blank = !text.empty() && text.find_first_not_of(" \t\n\r") == std::string::npos;
    for (const char c : text) {
        if (blank) {
            out += "&#" + std::to_string(static_cast<int>(c)) + ";";
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
                char reference[8];
                std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(c));
                out += reference;
            } else {
                out += c;
            }
        }
    }
}

void appendIndent(std::string& out, int depth) {
    out.append(static_cast<size_t>(depth), '\t');
}

void appendReal(std::string& out, double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    out += "<real>";
    out += text;
    out += "</real>";
}

void appendPlistValue(std::string& out, const Value& value, int depth);

void appendPlistDict(std::string& out, const ValueMap& map, int depth) {
    std::vector<const ValueMap::value_type*> entries;
    entries.reserve(map.size());
    for (const auto& entry : map) {
        if (!entry.second.isNull()) {
            entries.push_back(&entry);
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    appendIndent(out, depth);
    out += "<dict>\n";
    for (const auto* entry : entries) {
        appendIndent(out, depth + 1);
        out += "<key>";
        appendEscaped(out, entry->first);
        out += "</key>\n";
        appendPlistValue(out, entry->second, depth + 1);
    }
    appendIndent(out, depth);
    out += "</dict>\n";
}

void appendPlistArray(std::string& out, const ValueVector& vector, int depth) {
    appendIndent(out, depth);
    out += "<array>\n";
    for (const auto& value : vector) {
        appendPlistValue(out, value, depth + 1);
    }
    appendIndent(out, depth);
    out += "</array>\n";
}

void appendPlistValue(std::string& out, const Value& value, int depth) {
    switch (value.getType()) {
    case Value::Type::NONE:
        return;
    case Value::Type::MAP:
        appendPlistDict(out, value.asValueMap(), depth);
        return;
    case Value::Type::INT_KEY_MAP: {
        ValueMap byText;
        for (const auto& entry : value.asIntKeyMap()) {
            byText.emplace(std::to_string(entry.first), entry.second);
        }
        appendPlistDict(out, byText, depth);
        return;
    }
    case Value::Type::VECTOR:
        appendPlistArray(out, value.asValueVector(), depth);
        return;
    default:
        break;
    }
    appendIndent(out, depth);
    switch (value.getType()) {
    case Value::Type::BYTE:
    case Value::Type::INTEGER:
        out += "<integer>" + std::to_string(value.asInt()) + "</integer>";
        break;
    case Value::Type::UNSIGNED:
        out += "<integer>" + std::to_string(value.asUnsignedInt()) + "</integer>";
        break;
    case Value::Type::FLOAT:
    case Value::Type::DOUBLE:
        appendReal(out, value.asDouble());
        break;
    case Value::Type::BOOLEAN:
        out += value.asBool() ? "<true/>" : "<false/>";
        break;
    default:
        out += "<string>";
        appendEscaped(out, value.asString());
        out += "</string>";
        break;
    }
    out += '\n';
}

std::string plistDocument(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body +
           "</plist>\n";
}

}  // namespace

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

FileUtils* FileUtils::getInstance() {
    std::lock_guard<std::mutex> lock(s_instanceMutex);
    if (s_sharedFileUtils == nullptr) {
        s_sharedFileUtils = new FileUtils();
    }
    return s_sharedFileUtils;
}

void FileUtils::destroyInstance() {
    std::lock_guard<std::mutex> lock(s_instanceMutex);
    delete s_sharedFileUtils;
    s_sharedFileUtils = nullptr;
}

std::string FileUtils::resourceRootBesideExecutable(const std::string& executableFolder) {
    if (executableFolder.empty()) {
        return "resources/";
    }
    const fs::path folder(executableFolder);
    const std::string portable = withTrailingSlash((folder / "resources").string());
    if (isDirectory(portable)) {
        return portable;
    }
    return withTrailingSlash(
        (folder / ".." / "share" / "brimvale" / "resources").lexically_normal().string());
}

std::string FileUtils::getDefaultResourceRootPath() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _resourceRoot.empty() ? detectResourceRoot() : _resourceRoot;
}

void FileUtils::setDefaultResourceRootPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(_mutex);
    _resourceRoot = folderOrEmpty(path);
    _fullPathCache.clear();
}

bool FileUtils::isAbsolutePath(const std::string& path) const {
    return !path.empty() && path[0] == '/';
}

std::string FileUtils::resolveSearchPath(const std::string& path) const {
    if (isAbsolutePath(path)) {
        return folderOrEmpty(path);
    }
    const std::string root = _resourceRoot.empty() ? detectResourceRoot() : _resourceRoot;
    return path.empty() ? root : folderOrEmpty(root + path);
}

void FileUtils::setSearchPaths(const std::vector<std::string>& searchPaths) {
    std::lock_guard<std::mutex> lock(_mutex);
    _searchPaths = searchPaths;
    _fullPathCache.clear();
}

void FileUtils::addSearchPath(const std::string& path, bool front) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (front) {
        _searchPaths.insert(_searchPaths.begin(), path);
    } else {
        _searchPaths.push_back(path);
    }
    _fullPathCache.clear();
}

std::vector<std::string> FileUtils::getSearchPaths() const {
    std::lock_guard<std::mutex> lock(_mutex);
    std::vector<std::string> resolved;
    for (const auto& path : _searchPaths) {
        const std::string full = resolveSearchPath(path);
        if (std::find(resolved.begin(), resolved.end(), full) == resolved.end()) {
            resolved.push_back(full);
        }
    }
    const std::string root = resolveSearchPath("");
    if (std::find(resolved.begin(), resolved.end(), root) == resolved.end()) {
        resolved.push_back(root);
    }
    return resolved;
}

std::string FileUtils::findInSearchPaths(const std::string& name, bool wantDirectory) const {
    for (const auto& folder : getSearchPaths()) {
        const std::string candidate = folder + name;
        if (wantDirectory ? isDirectory(candidate) : isRegularFile(candidate)) {
            return candidate;
        }
    }
    return std::string();
}

std::string FileUtils::fullPathForFilename(const std::string& filename) const {
    if (filename.empty()) {
        return std::string();
    }
    if (isAbsolutePath(filename)) {
        return filename;
    }
    {
        std::lock_guard<std::mutex> lock(_mutex);
        const auto cached = _fullPathCache.find(filename);
        // A cached file that has gone since is looked up afresh.
        if (cached != _fullPathCache.end() && isRegularFile(cached->second)) {
            return cached->second;
        }
    }
    const std::string found = findInSearchPaths(filename, false);
    if (!found.empty()) {
        std::lock_guard<std::mutex> lock(_mutex);
        _fullPathCache[filename] = found;
    }
    return found;
}

void FileUtils::purgeCachedEntries() {
    std::lock_guard<std::mutex> lock(_mutex);
    _fullPathCache.clear();
}

std::string FileUtils::getStringFromFile(const std::string& filename) const {
    std::string text;
    const std::string path = fullPathForFilename(filename);
    if (path.empty() || !readWholeFile(path, text)) {
        return std::string();
    }
    return text;
}

Data FileUtils::getDataFromFile(const std::string& filename) const {
    Data data;
    std::string bytes;
    const std::string path = fullPathForFilename(filename);
    if (!path.empty() && readWholeFile(path, bytes)) {
        data.copy(reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<ssize_t>(bytes.size()));
    }
    return data;
}

ValueMap FileUtils::getValueMapFromFile(const std::string& filename) const {
    const std::string text = getStringFromFile(filename);
    return getValueMapFromData(text.data(), static_cast<int>(text.size()));
}

ValueMap FileUtils::getValueMapFromData(const char* filedata, int filesize) const {
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    const auto* root =
        plistRoot(document, filedata, filesize > 0 ? static_cast<size_t>(filesize) : 0);
    if (root == nullptr || std::string(root->Name()) != "dict") {
        return ValueMap();
    }
    return parsePlistDict(root);
}

ValueVector FileUtils::getValueVectorFromFile(const std::string& filename) const {
    const std::string text = getStringFromFile(filename);
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    const auto* root = plistRoot(document, text.data(), text.size());
    if (root == nullptr || std::string(root->Name()) != "array") {
        return ValueVector();
    }
    return parsePlistArray(root);
}

bool FileUtils::writeValueMapToFile(const ValueMap& dict, const std::string& fullPath,
                                    unsigned permissions) const {
    std::string body;
    appendPlistDict(body, dict, 0);
    const std::string text = plistDocument(body);
    return writeAtomically(text.data(), text.size(), fullPath, permissions);
}

bool FileUtils::writeValueVectorToFile(const ValueVector& array,
                                       const std::string& fullPath) const {
    std::string body;
    appendPlistArray(body, array, 0);
    return writeStringToFile(plistDocument(body), fullPath);
}

bool FileUtils::writeStringToFile(const std::string& text, const std::string& fullPath) const {
    return writeAtomically(text.data(), text.size(), fullPath);
}

bool FileUtils::writeDataToFile(const Data& data, const std::string& fullPath) const {
    return writeAtomically(data.getBytes(), static_cast<size_t>(data.getSize()), fullPath);
}

bool FileUtils::writeAtomically(const void* bytes, size_t size, const std::string& fullPath,
                                unsigned permissions) const {
    if (fullPath.empty()) {
        return false;
    }
    static std::atomic<unsigned long> s_counter{0};
    const std::string temporary = fullPath + ".tmp" + std::to_string(::getpid()) + "-" +
                                  std::to_string(s_counter.fetch_add(1));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                          static_cast<mode_t>(permissions));
    if (fd < 0) {
        return false;
    }
    const char* next = static_cast<const char*>(bytes);
    size_t left = size;
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written > 0) {
            next += written;
            left -= static_cast<size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            ok = false;
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), fullPath.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
}

bool FileUtils::isFileExist(const std::string& filename) const {
    if (isAbsolutePath(filename)) {
        return isRegularFile(filename);
    }
    return !fullPathForFilename(filename).empty();
}

bool FileUtils::isDirectoryExist(const std::string& dirPath) const {
    if (dirPath.empty()) {
        return false;
    }
    if (isAbsolutePath(dirPath)) {
        return isDirectory(dirPath);
    }
    return !findInSearchPaths(dirPath, true).empty();
}

long FileUtils::getFileSize(const std::string& filepath) const {
    const std::string path = fullPathForFilename(filepath);
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<long>(info.st_size);
}

bool FileUtils::createDirectory(const std::string& dirPath) const {
    if (dirPath.empty()) {
        return false;
    }
    std::error_code error;
    fs::create_directories(dirPath, error);
    return isDirectory(dirPath);
}

bool FileUtils::removeDirectory(const std::string& dirPath) const {
    if (dirPath.empty() || !isDirectory(dirPath)) {
        return false;
    }
    std::error_code error;
    fs::remove_all(dirPath, error);
    return !error && !fs::exists(fs::symlink_status(dirPath, error));
}

bool FileUtils::removeFile(const std::string& filepath) const {
    return !filepath.empty() && ::unlink(filepath.c_str()) == 0;
}

bool FileUtils::renameFile(const std::string& path, const std::string& oldname,
                           const std::string& name) const {
    const std::string folder = folderOrEmpty(path);
    return renameFile(folder + oldname, folder + name);
}

bool FileUtils::renameFile(const std::string& oldfullpath, const std::string& newfullpath) const {
    return !oldfullpath.empty() && !newfullpath.empty() &&
           ::rename(oldfullpath.c_str(), newfullpath.c_str()) == 0;
}

std::string FileUtils::getWritablePath() const {
    std::string path;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        path = _writablePath;
    }
    if (path.empty()) {
        path = environment("BRIMVALE_WRITABLE_PATH");
        if (path.empty()) {
            const std::string dataHome = environment("XDG_DATA_HOME");
            const std::string home = environment("HOME");
            if (isAbsolutePath(dataHome)) {
                path = folderOrEmpty(dataHome) + "brimvale/";
            } else if (!home.empty()) {
                path = folderOrEmpty(home) + ".local/share/brimvale/";
            }
        }
        path = folderOrEmpty(path);
    }
    if (!path.empty() && !isDirectory(path)) {
        createDirectory(path);
    }
    return path;
}

void FileUtils::setWritablePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(_mutex);
    _writablePath = folderOrEmpty(path);
}

}  // namespace cocos2d
