#include "imagesdk/io/PrebinFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine/platform/FileUtils.h"
#include "imagesdk/io/FolderBuffer.h"
#include "tests/support/lib/TempDir.h"

using namespace isImageSDK;

namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

template <typename T> T at(const std::vector<std::uint8_t>& bytes, size_t offset) {
    T value{};
    EXPECT_LE(offset + sizeof(T), bytes.size());
    if (offset + sizeof(T) <= bytes.size()) {
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
    }
    return value;
}

std::string textAt(const std::vector<std::uint8_t>& bytes, size_t offset, size_t width) {
    std::string text(reinterpret_cast<const char*>(bytes.data()) + offset, width);
    return text.substr(0, text.find('\0'));
}

// Records of a series folder below the writable path, slices stacked 2.5 apart along +z.
class PrebinFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder = cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/dicom/p1/s1/";
        std::filesystem::create_directories(getBufferDirectory());
        path = getFolderPrebinPath(folder);
    }
    void TearDown() override {
        std::filesystem::remove(path);
        for (DcmFileInfo* record : records) {
            delete record;
        }
    }

    DcmFileInfo* addRecord(const std::string& name) {
        auto* info = new DcmFileInfo();
        DcmFileRecord& r = info->file;
        const float z = 2.5f * static_cast<float>(records.size());
        r.width = 512;
        r.height = 256;
        r.spacingX = 0.7f;
        r.spacingY = 0.8f;
        r.orientationCode = 1;
        r.headFeetCode = 1;
        const float rows[16] = {1, 0, 0, 10, 0, 1, 0, 20, 0, 0, 1, 30 + z, 0, 0, 0, 1};
        std::memcpy(r.matrixRows, rows, sizeof(rows));
        r.geometryValid = 1;
        r.modality = 1;
        setRecordText(r.institutionName, "General Hospital");
        setRecordText(r.seriesDescription, std::string(300, 'D'));
        r.seriesDateTime = DicomDateTime{2024, 3, 4, 5, 6, 7};
        setRecordText(r.patientName, "Doe^Jane");
        setRecordText(r.patientID, "PID-1");
        r.sex = 'F';
        setRecordText(r.patientAge, "042Y");
        r.patientWeight = 61.5f;
        r.patientSize = 1.7f;
        setRecordText(r.studyID, "ST7");
        setRecordText(r.seriesNumber, "3");
        r.instanceNumber = static_cast<std::int16_t>(records.size() + 1);
        r.pixelType = 2;
        r.bitsAllocated = 16;
        r.rescaleIntercept = -3.5f;
        r.rescaleSlope = 0.25f + static_cast<float>(records.size());
        r.signCode = 1;
        r.windowWidth = 20000.0f;
        r.windowCentre = 10000.0f;
        r.extra = 77;
        r.acquired = DicomDateTime{2024, 3, 4, 9, 0, 1};
        r.injected = DicomDateTime{2024, 3, 4, 8, 0, 2};
        r.decayValid = 1;
        r.halfLife = 6586.2f;
        r.decayCorrection = 2;
        r.decayFactor = 1.02f;
        r.totalDose = 3.7e8f;
        r.units = 1;
        r.suvFactor = 0.5f;
        setRecordText(r.scanOptions, "GATED");
        r.triggerTime = 250;
        r.rrIntervals = 4;
        r.timeSlots = 8;
        r.slicesPerPhase = 12;
        r.timeSlices = 16;
        info->name = name;
        info->folder = folder;
        records.push_back(info);
        return info;
    }

    std::string folder;
    std::string path;
    std::vector<DcmFileInfo*> records;
};

struct FieldCase {
    size_t offset;
    double value;
    char kind;  // i int32, s int16, f float, b byte, c char
};

double fieldValue(const std::vector<std::uint8_t>& bytes, size_t base, const FieldCase& c) {
    switch (c.kind) {
    case 'i':
        return at<std::int32_t>(bytes, base + c.offset);
    case 's':
        return at<std::int16_t>(bytes, base + c.offset);
    case 'f':
        return at<float>(bytes, base + c.offset);
    default:
        return at<std::uint8_t>(bytes, base + c.offset);
    }
}

TEST_F(PrebinFixture, SeriesCacheBytesSitAtTheirOffsets) {
    addRecord("a/IM1");
    addRecord("IM2");
    ASSERT_TRUE(PrebinFile::writeSeriesBuffer(path, records));
    const std::vector<std::uint8_t> bytes = fileBytes(path);
    const std::string names = "a/IM1,IM2";
    ASSERT_EQ(bytes.size(), 68u + 2 * 712 + 16 + names.size());

    EXPECT_EQ(textAt(bytes, 0, 15), "ISImage.prebin");
    EXPECT_EQ(bytes[14], 0);
    EXPECT_EQ(textAt(bytes, 15, 5), "v3.0");
    EXPECT_GE(at<std::int32_t>(bytes, 20), 2024);
    EXPECT_EQ(textAt(bytes, 44, 20), "series");
    EXPECT_EQ(at<std::uint64_t>(bytes, 52), getFolderHash(folder));
    EXPECT_EQ(at<std::int16_t>(bytes, 64), 2);

    const FieldCase fields[] = {
        {0, 512, 'i'},     {4, 256, 'i'},      {8, 0.7f, 'f'},      {12, 0.8f, 'f'},
        {16, 1, 's'},      {20, 1, 'i'},       {24, 1, 'i'},        {28, 1, 'f'},
        {40, 10, 'f'},     {56, 20, 'f'},      {68, 1, 'f'},        {72, 32.5f, 'f'},
        {88, 1, 'f'},      {92, 1, 'b'},       {96, 1, 'i'},        {456, 2024, 'i'},
        {476, 7, 'i'},     {520, 'F', 'c'},    {532, 61.5f, 'f'},   {536, 1.7f, 'f'},
        {580, 2, 's'},     {584, 2, 'i'},      {588, 16, 'i'},      {592, -3.5f, 'f'},
        {596, 1.25f, 'f'}, {600, 1, 'i'},      {604, 20000, 'f'},   {608, 10000, 'f'},
        {612, 77, 'i'},    {616, 2024, 'i'},   {636, 1, 'i'},       {640, 2024, 'i'},
        {660, 2, 'i'},     {664, 1, 'b'},      {668, 6586.2f, 'f'}, {672, 2, 'i'},
        {676, 1.02f, 'f'}, {680, 3.7e8f, 'f'}, {684, 1, 'i'},       {688, 0.5f, 'f'},
        {702, 250, 's'},   {704, 4, 's'},      {706, 8, 's'},       {708, 12, 's'},
        {710, 16, 's'},
    };
    const size_t second = 68 + 712;
    for (const FieldCase& c : fields) {
        EXPECT_EQ(fieldValue(bytes, second, c), c.value) << "record offset " << c.offset;
    }
    EXPECT_EQ(textAt(bytes, second + 100, 100), "General Hospital");
    EXPECT_EQ(textAt(bytes, second + 200, 256), std::string(255, 'D'));
    EXPECT_EQ(bytes[second + 455], 0);
    EXPECT_EQ(textAt(bytes, second + 480, 20), "Doe^Jane");
    EXPECT_EQ(textAt(bytes, second + 500, 20), "PID-1");
    EXPECT_EQ(textAt(bytes, second + 521, 10), "042Y");
    EXPECT_EQ(textAt(bytes, second + 540, 20), "ST7");
    EXPECT_EQ(textAt(bytes, second + 560, 20), "3");
    EXPECT_EQ(textAt(bytes, second + 692, 10), "GATED");
    for (const size_t reserved : {18, 19, 93, 94, 95, 531, 582, 583, 665, 666, 667}) {
        EXPECT_EQ(bytes[second + reserved], 0) << reserved;
    }

    const size_t trailer = 68 + 2 * 712;
    EXPECT_EQ(at<std::int32_t>(bytes, trailer), static_cast<std::int32_t>(names.size()));
    EXPECT_EQ(std::string(bytes.begin() + trailer + 16, bytes.end()), names);
}

TEST_F(PrebinFixture, VolumeCacheBytesSitAtTheirOffsets) {
    addRecord("IM1");
    addRecord("IM2");
    addRecord("IM3");
    ASSERT_TRUE(PrebinFile::writeVolumeBuffer(path, records));
    const std::vector<std::uint8_t> bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 68u + 596 + 3 * 96 + 16 + 11);
    EXPECT_EQ(textAt(bytes, 44, 20), "volume");
    EXPECT_EQ(at<std::int16_t>(bytes, 64), 3);

    const FieldCase volume[] = {
        {0, 512, 'i'},     {4, 256, 'i'},     {8, 3, 'i'},      {12, 0.7f, 'f'}, {16, 0.8f, 'f'},
        {20, 2.5f, 'f'},   {24, 1, 'i'},      {28, 1, 'i'},     {32, 1, 'f'},    {44, 10, 'f'},
        {60, 20, 'f'},     {76, 30, 'f'},     {92, 1, 'f'},     {96, 1, 'i'},    {456, 2024, 'i'},
        {520, 'F', 'c'},   {532, 61.5f, 'f'}, {536, 1.7f, 'f'}, {580, 2, 'i'},   {584, 20000, 'f'},
        {588, 10000, 'f'}, {592, 77, 'i'},
    };
    for (const FieldCase& c : volume) {
        EXPECT_EQ(fieldValue(bytes, 68, c), c.value) << "volume offset " << c.offset;
    }
    EXPECT_EQ(textAt(bytes, 68 + 540, 20), "ST7");
    EXPECT_EQ(textAt(bytes, 68 + 560, 20), "3");

    const FieldCase slice[] = {
        {0, 3, 's'},      {4, 16, 'i'},      {8, -3.5f, 'f'},    {12, 2.25f, 'f'},
        {16, 1, 'i'},     {20, 2024, 'i'},   {40, 1, 'i'},       {44, 2024, 'i'},
        {64, 2, 'i'},     {68, 1, 'b'},      {72, 6586.2f, 'f'}, {76, 2, 'i'},
        {80, 1.02f, 'f'}, {84, 3.7e8f, 'f'}, {88, 1, 'i'},       {92, 0.5f, 'f'},
    };
    for (const FieldCase& c : slice) {
        EXPECT_EQ(fieldValue(bytes, 68 + 596 + 2 * 96, c), c.value) << "slice offset " << c.offset;
    }
    const size_t trailer = 68 + 596 + 3 * 96;
    EXPECT_EQ(at<std::int32_t>(bytes, trailer), 11);
    EXPECT_EQ(std::string(bytes.begin() + trailer + 16, bytes.end()), "IM1,IM2,IM3");
}

TEST_F(PrebinFixture, VolumeSliceSpacingIsTheMeanGap) {
    addRecord("IM1");
    addRecord("IM2");
    ASSERT_TRUE(PrebinFile::writeVolumeBuffer(path, records));
    PrebinContents contents;
    ASSERT_EQ(PrebinFile::read(path, folder, contents), PrebinReadResult::Loaded);
    EXPECT_FLOAT_EQ(contents.volumeInfo.sliceSpacing, 2.5f);
}

TEST_F(PrebinFixture, SeriesAndVolumeRoundTrip) {
    addRecord("sub/IM1");
    addRecord("IM2");
    addRecord("IM3");
    ASSERT_TRUE(PrebinFile::writeSeriesBuffer(path, records));
    PrebinContents contents;
    ASSERT_EQ(PrebinFile::read(path, folder, contents), PrebinReadResult::Loaded);
    EXPECT_FALSE(contents.volume);
    ASSERT_EQ(contents.records.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::memcmp(&contents.records[i], &records[i]->file, sizeof(DcmFileRecord)), 0);
    }
    EXPECT_EQ(contents.names, (std::vector<std::string>{"sub/IM1", "IM2", "IM3"}));
    EXPECT_TRUE(contents.slices.empty());

    ASSERT_TRUE(PrebinFile::writeVolumeBuffer(path, records));
    ASSERT_EQ(PrebinFile::read(path, folder, contents), PrebinReadResult::Loaded);
    EXPECT_TRUE(contents.volume);
    EXPECT_TRUE(contents.records.empty());
    ASSERT_EQ(contents.slices.size(), 3u);
    EXPECT_EQ(contents.volumeInfo.sliceCount, 3);
    EXPECT_EQ(recordText(contents.volumeInfo.seriesDescription), std::string(255, 'D'));
    EXPECT_EQ(contents.slices[1].instanceNumber, 2);
    EXPECT_FLOAT_EQ(contents.slices[1].rescaleSlope, 1.25f);
    EXPECT_EQ(contents.names.size(), 3u);
}

TEST_F(PrebinFixture, NamesWithCommasAndBackslashesSurvive) {
    const std::vector<std::string> names = {"a,b", "c\\,d", "e\\", ",", "plain"};
    for (const std::string& name : names) {
        addRecord(name);
    }
    ASSERT_TRUE(PrebinFile::writeSeriesBuffer(path, records));
    PrebinContents contents;
    ASSERT_EQ(PrebinFile::read(path, folder, contents), PrebinReadResult::Loaded);
    EXPECT_EQ(contents.names, names);

    std::vector<std::string> split;
    EXPECT_TRUE(PrebinFile::splitNames("IM1,IM2", split));
    EXPECT_EQ(split, (std::vector<std::string>{"IM1", "IM2"}));
    EXPECT_FALSE(PrebinFile::splitNames("IM1\\", split));
}

TEST_F(PrebinFixture, WritersRefuseNoRecordAndTooManyRecords) {
    EXPECT_FALSE(PrebinFile::writeSeriesBuffer(path, records));
    EXPECT_FALSE(std::filesystem::exists(path));
    DcmFileInfo* one = addRecord("IM");
    std::vector<DcmFileInfo*> many(PrebinFile::kMaxRecords + 1, one);
    EXPECT_FALSE(PrebinFile::writeSeriesBuffer(path, many));
    EXPECT_FALSE(PrebinFile::writeVolumeBuffer(path, many));
    EXPECT_FALSE(std::filesystem::exists(path));
    many.pop_back();
    EXPECT_TRUE(PrebinFile::writeSeriesBuffer(path, many));
    PrebinContents contents;
    ASSERT_EQ(PrebinFile::read(path, folder, contents), PrebinReadResult::Loaded);
    EXPECT_EQ(contents.records.size(), static_cast<size_t>(PrebinFile::kMaxRecords));
}

TEST_F(PrebinFixture, DamagedCachesAreRejected) {
    addRecord("IM1");
    addRecord("IM2");
    ASSERT_TRUE(PrebinFile::writeSeriesBuffer(path, records));
    const std::vector<std::uint8_t> good = fileBytes(path);
    const size_t trailer = 68 + 2 * 712;

    struct Damage {
        const char* label;
        std::function<void(std::vector<std::uint8_t>&)> apply;
        PrebinReadResult expected;
    };
    auto put16 = [](std::vector<std::uint8_t>& b, size_t offset, std::int16_t v) {
        std::memcpy(b.data() + offset, &v, sizeof(v));
    };
    auto put32 = [](std::vector<std::uint8_t>& b, size_t offset, std::int32_t v) {
        std::memcpy(b.data() + offset, &v, sizeof(v));
    };
    const Damage damages[] = {
        {"67 bytes", [](auto& b) { b.resize(67); }, PrebinReadResult::Damaged},
        {"header only", [](auto& b) { b.resize(68); }, PrebinReadResult::Damaged},
        {"record cut", [](auto& b) { b.resize(68 + 712 + 100); }, PrebinReadResult::Damaged},
        {"no trailer", [=](auto& b) { b.resize(trailer + 8); }, PrebinReadResult::Damaged},
        {"names cut", [](auto& b) { b.pop_back(); }, PrebinReadResult::Damaged},
        {"bytes after names", [](auto& b) { b.push_back('x'); }, PrebinReadResult::Damaged},
        {"NUL in names", [](auto& b) { b.back() = 0; }, PrebinReadResult::Damaged},
        {"empty names", [=](auto& b) { put32(b, trailer, 0); }, PrebinReadResult::Damaged},
        {"negative names", [=](auto& b) { put32(b, trailer, -5); }, PrebinReadResult::Damaged},
        {"huge names", [=](auto& b) { put32(b, trailer, 0x7fffffff); }, PrebinReadResult::Damaged},
        {"comma in name", [](auto& b) { b.back() = ','; }, PrebinReadResult::Damaged},
        {"count 1", [=](auto& b) { put16(b, 64, 1); }, PrebinReadResult::Damaged},
        {"count 0", [=](auto& b) { put16(b, 64, 0); }, PrebinReadResult::Damaged},
        {"count -2", [=](auto& b) { put16(b, 64, -2); }, PrebinReadResult::Damaged},
        {"other folder", [](auto& b) { b[53] ^= 1; }, PrebinReadResult::Damaged},
        {"magic", [](auto& b) { b[0] = 'X'; }, PrebinReadResult::NotCache},
        {"version", [](auto& b) { b[18] = '1'; }, PrebinReadResult::NotCache},
        {"kind", [](auto& b) { b[44] = 'S'; }, PrebinReadResult::NotCache},
        {"kind without NUL", [](auto& b) { b[50] = 'x'; }, PrebinReadResult::NotCache},
    };
    for (const Damage& damage : damages) {
        std::vector<std::uint8_t> bytes = good;
        damage.apply(bytes);
        writeBytes(path, bytes);
        PrebinContents contents;
        EXPECT_EQ(PrebinFile::read(path, folder, contents), damage.expected) << damage.label;
        EXPECT_TRUE(contents.records.empty() && contents.names.empty()) << damage.label;
    }
    PrebinContents contents;
    EXPECT_EQ(PrebinFile::read(path + ".none", folder, contents), PrebinReadResult::NoFile);
}

TEST_F(PrebinFixture, VolumeWhoseSliceCountDisagreesIsRejected) {
    addRecord("IM1");
    addRecord("IM2");
    ASSERT_TRUE(PrebinFile::writeVolumeBuffer(path, records));
    std::vector<std::uint8_t> bytes = fileBytes(path);
    const std::int32_t three = 3;
    std::memcpy(bytes.data() + 68 + 8, &three, sizeof(three));
    writeBytes(path, bytes);
    PrebinContents contents;
    EXPECT_EQ(PrebinFile::read(path, folder, contents), PrebinReadResult::Damaged);
}

TEST_F(PrebinFixture, CacheOfAnotherFolderIsRejected) {
    addRecord("IM1");
    ASSERT_TRUE(PrebinFile::writeSeriesBuffer(path, records));
    PrebinContents contents;
    EXPECT_EQ(PrebinFile::read(path, folder.substr(0, folder.size() - 1), contents),
              PrebinReadResult::Loaded);
    EXPECT_EQ(PrebinFile::read(path, folder + "other/", contents), PrebinReadResult::Damaged);
}

TEST_F(PrebinFixture, FailedWriteKeepsTheEarlierCacheAndLeavesNoTemporaryFile) {
    addRecord("IM1");
    ASSERT_TRUE(PrebinFile::writeSeriesBuffer(path, records));
    const std::vector<std::uint8_t> before = fileBytes(path);
    records.push_back(nullptr);
    EXPECT_FALSE(PrebinFile::writeSeriesBuffer(path, records));
    records.pop_back();
    EXPECT_EQ(fileBytes(path), before);

    EXPECT_FALSE(PrebinFile::writeSeriesBuffer(getBufferDirectory() + "missing/1.prebin", records));
    EXPECT_FALSE(std::filesystem::exists(getBufferDirectory() + "missing"));
    for (const auto& entry : std::filesystem::directory_iterator(getBufferDirectory())) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

}  // namespace
