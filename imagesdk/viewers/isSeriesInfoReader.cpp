#include "imagesdk/viewers/isSeriesInfoReader.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "dcmsdk/dcmReader.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

constexpr int kTagBuffer = 256;
constexpr const char* kSuppressedSex = "0000";
constexpr const char* kSuppressedWeight = "0";

struct TagReader {
    dcmSDK::dcmReader& reader;

    bool read(unsigned short group, unsigned short element, std::string& text) const {
        char buffer[kTagBuffer] = {};
        if (!reader.readDicomTagString(group, element, buffer, kTagBuffer)) {
            return false;
        }
        text = buffer;
        return true;
    }
    // The first of the tags that exists.
    bool first(std::initializer_list<std::pair<unsigned short, unsigned short>> tags,
               std::string& text) const {
        for (const auto& tag : tags) {
            if (read(tag.first, tag.second, text)) {
                return true;
            }
        }
        return false;
    }
};

// Characters [from, from + count) of a text, empty beyond its end.
std::string piece(const std::string& text, std::size_t from, std::size_t count) {
    return from < text.size() ? text.substr(from, count) : std::string();
}

std::string dottedDate(const std::string& date) {
    return piece(date, 0, 4) + "." + piece(date, 4, 2) + "." + piece(date, 6, 2);
}

std::string colonTime(const std::string& time) {
    return piece(time, 0, 2) + ":" + piece(time, 2, 2) + ":" + piece(time, 4, 2);
}

}  // namespace

struct isSeriesInfoReader::Job {
    // Retained on the main thread before the thread starts; released on the main thread.
    isImageData* data = nullptr;
    void* group = nullptr;
    std::string path;
    std::thread thread;
    std::string json;
    bool opened = false;
    std::atomic<bool> handedBack{false};
};

isSeriesInfoReader& isSeriesInfoReader::instance() {
    static isSeriesInfoReader reader;
    return reader;
}

isSeriesInfoReader::~isSeriesInfoReader() {
    shutdown();
}

bool isSeriesInfoReader::readSeriesInfo(const std::string& path, std::string& json) {
    dcmSDK::dcmReader reader;
    if (!reader.setFile(path.c_str())) {
        return false;
    }
    const TagReader tags{reader};
    json.clear();
    std::string text;
    if (tags.read(0x0020, 0x0010, text)) {
        NSUI::UIJson::setString(json, "studyID", text);
    }
    if (tags.read(0x0020, 0x0011, text)) {
        NSUI::UIJson::setString(json, "seriesID", text);
    }
    if (tags.read(0x0008, 0x0080, text)) {
        std::replace(text.begin(), text.end(), ',', '_');
        NSUI::UIJson::setString(json, "hospital", text);
    }
    std::string date;
    std::string time;
    const bool hasDate = tags.first({{0x0008, 0x0021}, {0x0008, 0x0020}, {0x0008, 0x0022}}, date);
    if (tags.first({{0x0008, 0x0031}, {0x0008, 0x0030}, {0x0008, 0x0032}}, time)) {
        NSUI::UIJson::setString(json, "seriesTime",
                                (hasDate ? dottedDate(date) : std::string()) + " " +
                                    colonTime(time));
    }
    if (tags.read(0x0010, 0x0010, text)) {
        NSUI::UIJson::setString(json, "patient", text);
    }
    std::string info;
    if (tags.read(0x0010, 0x0040, text) && text != kSuppressedSex) {
        info = text;
    }
    if (tags.read(0x0010, 0x1010, text) || tags.read(0x0010, 0x0030, text)) {
        info += " " + text;
    }
    if (tags.read(0x0010, 0x1030, text) && text != kSuppressedWeight) {
        info += " W=" + text;
    }
    NSUI::UIJson::setString(json, "patientInfo", info);
    if (tags.first({{0x0018, 0x1030}, {0x0008, 0x103E}, {0x0008, 0x1030}}, text)) {
        NSUI::UIJson::setString(json, "imageDesc", text);
    }
    return true;
}

bool isSeriesInfoReader::start(isImageData* data, void* group) {
    if (data == nullptr) {
        return false;
    }
    data->update();
    isSliceInfo* first = data->getSlice(0);
    if (first == nullptr || first->path.empty()) {
        return false;
    }
    auto job = std::make_shared<Job>();
    job->data = data;
    job->group = group;
    job->path = first->path;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (failedPaths.count(job->path) != 0) {
            return false;
        }
        for (const auto& running : jobs) {
            if (running->data == data && running->group == group) {
                return false;
            }
        }
        jobs.push_back(job);
    }
    data->retain();
    job->thread = std::thread([job]() { run(job); });
    return true;
}

void isSeriesInfoReader::run(const std::shared_ptr<Job>& job) {
    job->opened = readSeriesInfo(job->path, job->json);
    cocos2d::Director::getInstance()->getScheduler()->performFunctionInCocosThread(
        [job]() { instance().handBack(job); });
}

void isSeriesInfoReader::handBack(const std::shared_ptr<Job>& job) {
    {
        std::lock_guard<std::mutex> guard(lock);
        const auto found = std::find(jobs.begin(), jobs.end(), job);
        if (found == jobs.end()) {
            // Shut down meanwhile: shutdown released the data already.
            return;
        }
        jobs.erase(found);
        if (!job->opened) {
            failedPaths.insert(job->path);
        }
    }
    if (job->thread.joinable()) {
        job->thread.join();
    }
    if (job->opened) {
        job->data->getFirstPhase()->setLabel(job->json);
        // The group is a viewer's address, which a viewer made after this one went may have
        // again: the series names whose texts these are, and the post keeps it alive.
        NSUI::NSNotificationData* post = NSUI::NSNotificationData::create();
        post->stringValue = job->json;
        post->setObject(job->data);
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, NOTIFY_PATIENT_INFO_TEXT, post, job->group, false);
    }
    finish(job);
}

void isSeriesInfoReader::finish(const std::shared_ptr<Job>& job) {
    if (!job->handedBack.exchange(true)) {
        job->data->release();
    }
}

void isSeriesInfoReader::shutdown() {
    std::vector<std::shared_ptr<Job>> running;
    {
        std::lock_guard<std::mutex> guard(lock);
        running.swap(jobs);
        failedPaths.clear();
    }
    for (const auto& job : running) {
        if (job->thread.joinable()) {
            job->thread.join();
        }
        finish(job);
    }
}

std::size_t isSeriesInfoReader::getRunningCount() const {
    std::lock_guard<std::mutex> guard(lock);
    return jobs.size();
}

}  // namespace isImageSDK
