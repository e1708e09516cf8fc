#include "dcmsdk/dcmReadTag.h"
#include "dcmsdk/dcmReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Files shipped by Debian's python3-pydicom: real files written by other tools.
namespace {

const std::filesystem::path kDataFolder = "/usr/lib/python3/dist-packages/pydicom/data";

std::vector<std::string> shippedFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(kDataFolder, error), end;
         !error && it != end; it.increment(error)) {
        const std::filesystem::path& path = it->path();
        const std::string extension = path.extension().string();
        if (it->is_regular_file() && path.string().find("__pycache__") == std::string::npos &&
            extension != ".py") {
            files.push_back(std::filesystem::relative(path, kDataFolder).string());
        }
    }
    return files;
}

std::string testName(const std::string& relative) {
    std::string name;
    for (char c : relative) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

std::string tag(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element) {
    char buffer[1024];
    return reader.readDicomTagString(group, element, buffer, sizeof(buffer)) ? buffer : "";
}

struct Pixels {
    dcmSDK::dcmReader::PixelType type = dcmSDK::dcmReader::PIXEL_UINT8;
    std::vector<char> bytes;
};

bool decode(const std::string& relative, Pixels& pixels) {
    dcmSDK::dcmReader reader;
    if (!reader.setFile((kDataFolder / relative).c_str())) {
        return false;
    }
    int count = 0;
    const char* data = reader.readDicomPixelPointer(pixels.type, count);
    if (data == nullptr) {
        return false;
    }
    const int bytesPerPixel = pixels.type == dcmSDK::dcmReader::PIXEL_RGB     ? 3
                              : pixels.type == dcmSDK::dcmReader::PIXEL_INT16 ? 2
                                                                              : 1;
    pixels.bytes.assign(data, data + static_cast<std::size_t>(count) * bytesPerPixel);
    return true;
}

class ShippedFile : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST(PydicomFiles, AreInstalled) {
    EXPECT_GT(shippedFiles().size(), 100U);
}

TEST_P(ShippedFile, IsReadOrRefusedCleanly) {
    const std::string path = (kDataFolder / GetParam()).string();
    dcmSDK::dcmReader reader;
    if (!reader.setFile(path.c_str())) {
        return;
    }
    for (unsigned short element : {0x0005, 0x0060, 0x0020, 0x0030}) {
        tag(reader, 0x0008, element);
    }
    tag(reader, 0x0010, 0x0010);
    tag(reader, 0x0018, 0x1074);
    tag(reader, 0x0020, 0x0032);
    tag(reader, 0x7FE0, 0x0010);
    unsigned short value = 0;
    reader.readDicomTagUint16(0x0018, 0x1060, value);
    dcmSDK::dcmReader::PixelType announced;
    const bool layoutKnown = reader.readDicomPixelType(announced);
    dcmSDK::dcmReader::PixelType type;
    int count = 0;
    const char* data = reader.readDicomPixelPointer(type, count);
    if (data != nullptr) {
        EXPECT_TRUE(layoutKnown);
        EXPECT_EQ(type, announced);
        unsigned short rows = 0;
        unsigned short columns = 0;
        ASSERT_TRUE(reader.readDicomTagUint16(0x0028, 0x0010, rows));
        ASSERT_TRUE(reader.readDicomTagUint16(0x0028, 0x0011, columns));
        const std::string frames = tag(reader, 0x0028, 0x0008);
        const long frameCount = frames.empty() ? 1 : std::max(1L, std::atol(frames.c_str()));
        EXPECT_EQ(count, frameCount * rows * columns);
        // Touch every byte so a short buffer shows under the address sanitizer.
        const int bytes = count * (type == dcmSDK::dcmReader::PIXEL_RGB     ? 3
                                   : type == dcmSDK::dcmReader::PIXEL_INT16 ? 2
                                                                            : 1);
        unsigned sum = 0;
        for (int i = 0; i < bytes; ++i) {
            sum += static_cast<unsigned char>(data[i]);
        }
        EXPECT_GE(sum, 0U);
    } else {
        EXPECT_EQ(count, 0);
    }
    dcmSDK::dcmReadTag tags;
    ASSERT_TRUE(tags.setFile(path.c_str()));
    int records = 0;
    dcmSDK::DicomTags** list = tags.getTagList(records);
    for (int i = 0; i < records; ++i) {
        EXPECT_LT(std::strlen(list[i]->value), sizeof(list[i]->value));
    }
    tags.getImageScale();
}

INSTANTIATE_TEST_SUITE_P(All, ShippedFile, ::testing::ValuesIn(shippedFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return testName(info.param);
                         });

TEST(PydicomFiles, CharsetFilesDecodeToUtf8PatientNames) {
    const std::map<std::string, std::string> expected = {
        {"chrArab.dcm", "قباني^لنزار"},
        {"chrFren.dcm", "Buc^Jérôme"},
        {"chrFrenMulti.dcm", "Buc^Jérôme"},
        {"chrGerm.dcm", "Äneas^Rüdiger"},
        {"chrGreek.dcm", "Διονυσιος"},
        {"chrH31.dcm", "Yamada^Tarou=山田^太郎=やまだ^たろう"},
        {"chrH32.dcm", "ﾔﾏﾀﾞ^ﾀﾛｳ=山田^太郎=やまだ^たろう"},
        {"chrHbrw.dcm", "שרון^דבורה"},
        {"chrI2.dcm", "Hong^Gildong=洪^吉洞=홍^길동"},
        {"chrJapMulti.dcm", "やまだ^たろう"},
        {"chrJapMultiExplicitIR6.dcm", "やまだ^たろう"},
        {"chrKoreanMulti.dcm", "김희중"},
        {"chrRuss.dcm", "Люкceмбypг"},
        {"chrX1.dcm", "Wang^XiaoDong=王^小東="},
        {"chrX2.dcm", "Wang^XiaoDong=王^小东="},
    };
    for (const auto& entry : expected) {
        dcmSDK::dcmReader reader;
        ASSERT_TRUE(reader.setFile((kDataFolder / "charset_files" / entry.first).c_str()))
            << entry.first;
        EXPECT_EQ(tag(reader, 0x0010, 0x0010), entry.second) << entry.first;
        dcmSDK::dcmReadTag tags;
        ASSERT_TRUE(tags.setFile((kDataFolder / "charset_files" / entry.first).c_str()));
        EXPECT_EQ(std::string(tags.getTag(0x0010, 0x0010)), entry.second) << entry.first;
    }
}

TEST(PydicomFiles, EncodingsOfOneImageGiveIdenticalPixels) {
    const std::vector<std::vector<std::string>> families = {
        {"MR_small.dcm", "MR_small_implicit.dcm", "MR_small_bigendian.dcm", "MR_small_expb.dcm",
         "MR_small_RLE.dcm", "MR_small_jpeg_ls_lossless.dcm", "MR_small_jp2klossless.dcm",
         "MR_small_padded.dcm"},
        {"SC_rgb_rle.dcm", "SC_rgb_jpeg_gdcm.dcm", "SC_rgb_gdcm_KY.dcm"},
        {"SC_rgb_rle_2frame.dcm"},
    };
    for (const std::vector<std::string>& family : families) {
        Pixels reference;
        ASSERT_TRUE(decode("test_files/" + family.front(), reference)) << family.front();
        for (std::size_t i = 1; i < family.size(); ++i) {
            Pixels other;
            ASSERT_TRUE(decode("test_files/" + family[i], other)) << family[i];
            EXPECT_EQ(other.type, reference.type) << family[i];
            EXPECT_TRUE(other.bytes == reference.bytes) << family[i];
        }
    }
}
