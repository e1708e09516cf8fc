#include "dcmsdk/dcmReader.h"
#include "dcmsdk/DcmCallbacks.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using bvtest::DicomFixture;
using dcmSDK::dcmReader;

namespace {

std::vector<int> readSamples(const char* data, int count, dcmReader::PixelType type,
                             bool isSigned) {
    std::vector<int> values;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    if (type == dcmReader::PIXEL_RGB) {
        values.assign(bytes, bytes + 3 * count);
    } else if (type == dcmReader::PIXEL_UINT8) {
        for (int i = 0; i < count; ++i) {
            values.push_back(isSigned ? static_cast<signed char>(bytes[i]) : bytes[i]);
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const unsigned word = bytes[2 * i] | (bytes[2 * i + 1] << 8);
            values.push_back(isSigned ? static_cast<short>(word) : static_cast<int>(word));
        }
    }
    return values;
}

std::string readTag(dcmReader& reader, unsigned short group, unsigned short element) {
    char buffer[1024];
    if (!reader.readDicomTagString(group, element, buffer, sizeof(buffer))) {
        return "<absent>";
    }
    return buffer;
}

void replaceInFile(const std::string& path, const std::string& from, const std::string& to) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct PixelCase {
    const char* name;
    DicomFixture::Pixels pixels;
    E_TransferSyntax syntax;
    bool planar;
    dcmReader::PixelType expected;
};

class PixelRoundTrip : public ::testing::TestWithParam<PixelCase> {};

}  // namespace

TEST_P(PixelRoundTrip, DecodesTheStoredValues) {
    const PixelCase& c = GetParam();
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.rows = 5;
    fixture.columns = 7;
    fixture.frames = 2;
    fixture.pixels = c.pixels;
    fixture.planar = c.planar;
    fixture.transferSyntax = c.syntax;
    const std::string path = (dir / "image.dcm").string();
    std::string error;
    ASSERT_TRUE(fixture.write(path, &error)) << error;

    dcmReader reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    dcmReader::PixelType type = dcmReader::PIXEL_INT16;
    ASSERT_TRUE(reader.readDicomPixelType(type));
    EXPECT_EQ(type, c.expected);
    int count = 0;
    const char* data = reader.readDicomPixelPointer(type, count);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(type, c.expected);
    EXPECT_EQ(count, 2 * 5 * 7);
    const bool isSigned =
        c.pixels == DicomFixture::Pixels::S8 || c.pixels == DicomFixture::Pixels::S16;
    EXPECT_EQ(readSamples(data, count, type, isSigned), fixture.effectiveSamples());
}

INSTANTIATE_TEST_SUITE_P(
    Syntaxes, PixelRoundTrip,
    ::testing::Values(PixelCase{"U8_Explicit", DicomFixture::Pixels::U8, EXS_LittleEndianExplicit,
                                false, dcmReader::PIXEL_UINT8},
                      PixelCase{"S8_Implicit", DicomFixture::Pixels::S8, EXS_LittleEndianImplicit,
                                false, dcmReader::PIXEL_UINT8},
                      PixelCase{"U16_BigEndian", DicomFixture::Pixels::U16, EXS_BigEndianExplicit,
                                false, dcmReader::PIXEL_INT16},
                      PixelCase{"S16_Explicit", DicomFixture::Pixels::S16, EXS_LittleEndianExplicit,
                                false, dcmReader::PIXEL_INT16},
                      PixelCase{"S16_Deflated", DicomFixture::Pixels::S16,
                                EXS_DeflatedLittleEndianExplicit, false, dcmReader::PIXEL_INT16},
                      PixelCase{"S16_JpegLossless", DicomFixture::Pixels::S16, EXS_JPEGProcess14SV1,
                                false, dcmReader::PIXEL_INT16},
                      PixelCase{"U16_JpegLs", DicomFixture::Pixels::U16, EXS_JPEGLSLossless, false,
                                dcmReader::PIXEL_INT16},
                      PixelCase{"S16_Rle", DicomFixture::Pixels::S16, EXS_RLELossless, false,
                                dcmReader::PIXEL_INT16},
                      PixelCase{"U8_Rle", DicomFixture::Pixels::U8, EXS_RLELossless, false,
                                dcmReader::PIXEL_UINT8},
                      PixelCase{"Rgb_Interleaved", DicomFixture::Pixels::RGB8,
                                EXS_LittleEndianExplicit, false, dcmReader::PIXEL_RGB},
                      PixelCase{"Rgb_Planar", DicomFixture::Pixels::RGB8, EXS_LittleEndianExplicit,
                                true, dcmReader::PIXEL_RGB},
                      PixelCase{"Rgb_BigEndian", DicomFixture::Pixels::RGB8, EXS_BigEndianExplicit,
                                false, dcmReader::PIXEL_RGB},
                      PixelCase{"Rgb_Rle", DicomFixture::Pixels::RGB8, EXS_RLELossless, false,
                                dcmReader::PIXEL_RGB},
                      PixelCase{"Rgb_JpegLossless", DicomFixture::Pixels::RGB8,
                                EXS_JPEGProcess14SV1, false, dcmReader::PIXEL_RGB}),
    [](const ::testing::TestParamInfo<PixelCase>& info) { return std::string(info.param.name); });

TEST(dcmReader, MasksAndSignExtendsByBitsStoredAndHighBit) {
    struct Case {
        DicomFixture::Pixels pixels;
        unsigned short bitsStored;
        unsigned short highBit;
    };
    const Case cases[] = {{DicomFixture::Pixels::S16, 12, 11},
                          {DicomFixture::Pixels::S16, 12, 15},
                          {DicomFixture::Pixels::U16, 10, 12},
                          {DicomFixture::Pixels::U8, 6, 6}};
    for (const Case& c : cases) {
        bvtest::TempDir dir;
        DicomFixture fixture;
        fixture.pixels = c.pixels;
        fixture.bitsStored = c.bitsStored;
        fixture.highBit = c.highBit;
        // 35 samples: whole blocks of the decoder's word loop and a tail.
        fixture.rows = 5;
        fixture.columns = 7;
        // Bits outside the stored range must not leak into the values.
        fixture.customise = [&](DcmDataset& ds) {
            const Uint16* words = nullptr;
            const Uint8* bytes = nullptr;
            if (c.pixels == DicomFixture::Pixels::U8) {
                ds.findAndGetUint8Array(DCM_PixelData, bytes);
                Uint8* writable = const_cast<Uint8*>(bytes);
                for (int i = 0; i < 35; ++i) {
                    writable[i] = static_cast<Uint8>(writable[i] | 0x81);
                }
            } else {
                ds.findAndGetUint16Array(DCM_PixelData, words);
                Uint16* writable = const_cast<Uint16*>(words);
                const unsigned outside = static_cast<unsigned>(
                    ~(((1U << c.bitsStored) - 1U) << (c.highBit + 1 - c.bitsStored)) & 0xFFFF);
                for (int i = 0; i < 35; ++i) {
                    writable[i] = static_cast<Uint16>(writable[i] | outside);
                }
            }
        };
        const std::string path = (dir / "masked.dcm").string();
        ASSERT_TRUE(fixture.write(path));
        dcmReader reader;
        ASSERT_TRUE(reader.setFile(path.c_str()));
        dcmReader::PixelType type;
        int count = 0;
        const char* data = reader.readDicomPixelPointer(type, count);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(readSamples(data, count, type, c.pixels == DicomFixture::Pixels::S16),
                  fixture.effectiveSamples())
            << "bits stored " << c.bitsStored << " high bit " << c.highBit;
    }
}

TEST(dcmReader, OddSizedEightBitImageCountsPixelsNotPaddingByte) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.rows = 3;
    fixture.columns = 3;
    fixture.pixels = DicomFixture::Pixels::U8;
    const std::string path = (dir / "odd.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmReader reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    dcmReader::PixelType type;
    int count = 0;
    ASSERT_NE(reader.readDicomPixelPointer(type, count), nullptr);
    EXPECT_EQ(count, 9);
}

TEST(dcmReader, ReadsTextsAndTreatsEmptyElementsAsAbsent) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.pixelSpacing = {0.625, 0.75};
    fixture.customise = [](DcmDataset& ds) {
        ds.putAndInsertString(DCM_PatientSex, "");
        ds.putAndInsertString(DCM_WindowCenter, "40\\400");
    };
    const std::string path = (dir / "tags.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmReader reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    EXPECT_EQ(readTag(reader, 0x0028, 0x0030), "0.625\\0.75");
    EXPECT_EQ(readTag(reader, 0x0028, 0x1050), "40\\400");
    EXPECT_EQ(readTag(reader, 0x0008, 0x0060), "CT");
    EXPECT_EQ(readTag(reader, 0x0028, 0x0010), "4");
    EXPECT_EQ(readTag(reader, 0x0010, 0x0040), "<absent>");
    EXPECT_EQ(readTag(reader, 0x0010, 0x1030), "<absent>");
    char small[4];
    ASSERT_TRUE(reader.readDicomTagString(0x0010, 0x0010, small, sizeof(small)));
    EXPECT_STREQ(small, "Doe");
    unsigned short value = 0;
    ASSERT_TRUE(reader.readDicomTagUint16(0x0028, 0x0011, value));
    EXPECT_EQ(value, 4);
    EXPECT_FALSE(reader.readDicomTagUint16(0x0010, 0x0040, value));
}

TEST(dcmReader, TriggerTimeIsReadLenientlyAsNumber) {
    const struct {
        const char* text;
        bool present;
        unsigned short value;
    } cases[] = {{"250.7", true, 250}, {"0", true, 0}, {"-3", false, 0}, {"70000", false, 0}};
    for (const auto& c : cases) {
        bvtest::TempDir dir;
        DicomFixture fixture;
        fixture.modality = "PT";
        fixture.triggerTime = c.text;
        const std::string path = (dir / "trigger.dcm").string();
        ASSERT_TRUE(fixture.write(path));
        dcmReader reader;
        ASSERT_TRUE(reader.setFile(path.c_str()));
        unsigned short value = 12345;
        EXPECT_EQ(reader.readDicomTagUint16(0x0018, 0x1060, value), c.present) << c.text;
        if (c.present) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(dcmReader, ReadsRadiopharmaceuticalValuesFromSequenceOrTopLevel) {
    for (bool inSequence : {true, false}) {
        bvtest::TempDir dir;
        DicomFixture fixture;
        fixture.modality = "PT";
        fixture.pet = true;
        fixture.petInSequence = inSequence;
        fixture.startDateTime = "20240102093000";
        const std::string path = (dir / "pet.dcm").string();
        ASSERT_TRUE(fixture.write(path));
        dcmReader reader;
        ASSERT_TRUE(reader.setFile(path.c_str()));
        EXPECT_EQ(readTag(reader, 0x0018, 0x1074), "370000000");
        EXPECT_EQ(readTag(reader, 0x0018, 0x1075), "6586.2");
        EXPECT_EQ(readTag(reader, 0x0018, 0x1072), "101500");
        EXPECT_EQ(readTag(reader, 0x0018, 0x1078), "20240102093000");
        EXPECT_EQ(readTag(reader, 0x0054, 0x1001), "BQML");
        EXPECT_EQ(readTag(reader, 0x0054, 0x1102), "START");
    }
}

namespace {
void fakeGbConversion(const char*, char* target, int size) {
    std::memset(target, 0, static_cast<std::size_t>(size));
    std::strncpy(target, "converted", static_cast<std::size_t>(size) - 1);
}
}  // namespace

TEST(dcmReader, ConvertsNamesByCharacterSetOrLanguageFallback) {
    const struct {
        const char* charset;
        const char* raw;
        dcmSDK::LanguageType language;
        const char* expected;
    } cases[] = {
        {"ISO_IR 100", "Buc^J\xe9r\xf4me", dcmSDK::LanguageType::ENGLISH,
         "Buc^J\xc3\xa9r\xc3\xb4me"},
        {"ISO_IR 192", "Wang^\xe7\x8e\x8b", dcmSDK::LanguageType::CHINESE, "Wang^\xe7\x8e\x8b"},
        {"GB18030", "Wang^\xcd\xf5", dcmSDK::LanguageType::ENGLISH, "Wang^\xe7\x8e\x8b"},
        {"", "Buc^J\xe9r\xf4me", dcmSDK::LanguageType::ENGLISH, "Buc^J\xc3\xa9r\xc3\xb4me"},
        {"", "Wang^\xcd\xf5", dcmSDK::LanguageType::CHINESE, "Wang^\xe7\x8e\x8b"},
        {"", "Wang^\xe7\x8e\x8b", dcmSDK::LanguageType::ENGLISH, "Wang^\xe7\x8e\x8b"},
        {"\\ISO 2022 IR 87", "\x1b$B;3ED\x1b(B^\x1b$BB@O:\x1b(B", dcmSDK::LanguageType::ENGLISH,
         "\xe5\xb1\xb1\xe7\x94\xb0^\xe5\xa4\xaa\xe9\x83\x8e"},
    };
    for (const auto& c : cases) {
        bvtest::TempDir dir;
        DicomFixture fixture;
        fixture.specificCharacterSet = c.charset;
        fixture.patientName = c.raw;
        const std::string path = (dir / "name.dcm").string();
        ASSERT_TRUE(fixture.write(path));
        dcmReader reader;
        reader.setLanguage(c.language);
        ASSERT_TRUE(reader.setFile(path.c_str()));
        EXPECT_EQ(readTag(reader, 0x0010, 0x0010), c.expected) << c.charset;
    }
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.patientName = "Wang^\xcd\xf5";
    const std::string path = (dir / "gb.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmSDK::setgb2utf8Callback(fakeGbConversion);
    dcmReader reader;
    reader.setLanguage(dcmSDK::LanguageType::CHINESE);
    ASSERT_TRUE(reader.setFile(path.c_str()));
    EXPECT_EQ(readTag(reader, 0x0010, 0x0010), "converted");
    dcmSDK::setgb2utf8Callback(nullptr);
}

TEST(dcmReader, CutsTextsAtCharacterBoundaries) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.specificCharacterSet = "ISO_IR 192";
    fixture.patientName = "\xe7\x8e\x8b\xe7\x8e\x8b";
    const std::string path = (dir / "cut.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmReader reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    char buffer[6];
    ASSERT_TRUE(reader.readDicomTagString(0x0010, 0x0010, buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "\xe7\x8e\x8b");
}

TEST(dcmReader, RefusesFilesThatAreNotSoundDataSets) {
    bvtest::TempDir dir;
    const std::string zeros = (dir / "zeros.dcm").string();
    std::ofstream(zeros, std::ios::binary) << std::string(128, '\0');
    const std::string missing = (dir / "missing.dcm").string();

    DicomFixture fixture;
    const std::string unknown = (dir / "unknown.dcm").string();
    ASSERT_TRUE(fixture.write(unknown));
    replaceInFile(unknown, "1.2.840.10008.1.2.1", "1.2.840.10008.9.9.9");

    dcmReader reader;
    EXPECT_FALSE(reader.setFile(zeros.c_str()));
    EXPECT_FALSE(reader.setFile(missing.c_str()));
    EXPECT_FALSE(reader.setFile(unknown.c_str()));
    EXPECT_FALSE(reader.setFile(""));
    EXPECT_FALSE(reader.setFile(nullptr));
    char buffer[64];
    EXPECT_FALSE(reader.readDicomTagString(0x0010, 0x0010, buffer, sizeof(buffer)));
    dcmReader::PixelType type;
    int count = 7;
    EXPECT_EQ(reader.readDicomPixelPointer(type, count), nullptr);
    EXPECT_EQ(count, 0);
}

TEST(dcmReader, RefusesPixelDataShorterThanTheHeaderClaims) {
    const struct {
        unsigned short rows;
        unsigned short columns;
        const char* frames;
    } cases[] = {{65535, 65535, nullptr}, {4, 4, "3"}, {4, 4, "2147483647"}};
    for (const auto& c : cases) {
        bvtest::TempDir dir;
        DicomFixture fixture;
        fixture.rows = 2;
        fixture.columns = 2;
        fixture.customise = [&](DcmDataset& ds) {
            ds.putAndInsertUint16(DCM_Rows, c.rows);
            ds.putAndInsertUint16(DCM_Columns, c.columns);
            if (c.frames != nullptr) {
                ds.putAndInsertString(DCM_NumberOfFrames, c.frames);
            }
        };
        for (E_TransferSyntax syntax : {EXS_LittleEndianExplicit, EXS_RLELossless}) {
            if (syntax == EXS_RLELossless && c.rows == 65535) {
                continue;
            }
            fixture.transferSyntax = syntax;
            const std::string path = (dir / "short.dcm").string();
            if (syntax == EXS_RLELossless) {
                // Compress a consistent image, then make the header claim more frames.
                fixture.customise = nullptr;
                fixture.rows = c.rows;
                fixture.columns = c.columns;
                ASSERT_TRUE(fixture.write(path));
                DcmFileFormat file;
                ASSERT_TRUE(file.loadFile(path.c_str()).good());
                file.getDataset()->putAndInsertString(DCM_NumberOfFrames, c.frames);
                ASSERT_TRUE(file.saveFile(path.c_str(), EXS_RLELossless).good());
            } else {
                ASSERT_TRUE(fixture.write(path));
            }
            dcmReader reader;
            ASSERT_TRUE(reader.setFile(path.c_str()));
            dcmReader::PixelType type;
            int count = 0;
            if (syntax == EXS_LittleEndianExplicit) {
                EXPECT_FALSE(reader.readDicomPixelType(type)) << c.rows << " " << c.frames;
            }
            EXPECT_EQ(reader.readDicomPixelPointer(type, count), nullptr) << c.rows;
            EXPECT_EQ(count, 0);
        }
    }
}

TEST(dcmReader, RefusesJpegFramesWhoseMarkersWouldStallTheDecoder) {
    // Each of these once kept DCMTK's marker walk going round forever.
    const struct {
        const char* name;
        std::vector<unsigned char> head;  // replaces the frame's first bytes
        bool replaceWhole;
    } cases[] = {
        {"five fuzzed bytes", {0xFF, 0x01, 0x00, 0x7F, 0xE0}, true},
        {"SOI turned into TEM", {0xFF, 0x01}, false},
        {"TEM before an empty APP0", {0xFF, 0x01, 0xFF, 0xE0, 0x00, 0x00}, false},
        {"TEM after a short APP0", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0x01}, false},
        {"APP0 of length zero", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00}, false},
    };
    for (E_TransferSyntax syntax : {EXS_JPEGProcess14SV1, EXS_JPEGProcess1}) {
        for (const auto& c : cases) {
            bvtest::TempDir dir;
            DicomFixture fixture;
            fixture.rows = 16;
            fixture.columns = 16;
            fixture.pixels =
                syntax == EXS_JPEGProcess1 ? DicomFixture::Pixels::U8 : DicomFixture::Pixels::U16;
            fixture.transferSyntax = syntax;
            const std::string path = (dir / "frame.dcm").string();
            ASSERT_TRUE(fixture.write(path));
            {
                DcmFileFormat file;
                ASSERT_TRUE(file.loadFile(path.c_str()).good());
                DcmPixelData* pixels = nullptr;
                DcmElement* element = nullptr;
                ASSERT_TRUE(file.getDataset()->findAndGetElement(DCM_PixelData, element).good());
                pixels = static_cast<DcmPixelData*>(element);
                DcmPixelSequence* sequence = nullptr;
                ASSERT_TRUE(
                    pixels->getEncapsulatedRepresentation(syntax, nullptr, sequence).good());
                DcmPixelItem* fragment = nullptr;
                ASSERT_TRUE(sequence->getItem(fragment, 1).good());
                Uint8* bytes = nullptr;
                ASSERT_TRUE(fragment->getUint8Array(bytes).good());
                std::vector<Uint8> frame(bytes, bytes + fragment->getLength());
                if (c.replaceWhole) {
                    frame.assign(c.head.begin(), c.head.end());
                } else {
                    std::copy(c.head.begin(), c.head.end(), frame.begin());
                }
                ASSERT_TRUE(fragment->putUint8Array(frame.data(), static_cast<Uint32>(frame.size()))
                                .good());
                ASSERT_TRUE(file.saveFile(path.c_str(), syntax).good());
            }
            dcmReader reader;
            ASSERT_TRUE(reader.setFile(path.c_str())) << c.name;
            dcmReader::PixelType type;
            int count = 0;
            EXPECT_EQ(reader.readDicomPixelPointer(type, count), nullptr) << c.name;
            EXPECT_EQ(count, 0) << c.name;
        }
    }
}

namespace {

// A deflated data set of one OB element of payload bytes: zeros, which compress about a
// thousandfold, but for the first noise bytes of every MiB, which do not compress.
void writeDeflatedZeros(const std::string& path, unsigned long long payload,
                        std::size_t noise = 0) {
    std::string meta(128, '\0');
    meta += "DICM";
    const std::string uid = "1.2.840.10008.1.2.1.99";
    meta += std::string("\x02\x00\x10\x00UI", 6);
    meta += static_cast<char>(uid.size());
    meta += '\0';
    meta += uid;
    std::string header("\x09\x00\x10\x10OB\x00\x00", 8);
    for (int shift = 0; shift < 32; shift += 8) {
        header += static_cast<char>((payload >> shift) & 0xFF);
    }
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    ASSERT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string compressed;
    std::vector<unsigned char> out(1 << 20);
    std::vector<unsigned char> zeros(1 << 20, 0);
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < noise; ++i) {
        state = state * 1103515245u + 12345u;
        zeros[i] = static_cast<unsigned char>(state >> 16);
    }
    auto pump = [&](const unsigned char* data, std::size_t size, int flush) {
        stream.next_in = const_cast<unsigned char*>(data);
        stream.avail_in = static_cast<uInt>(size);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, flush);
            compressed.append(reinterpret_cast<char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    };
    pump(reinterpret_cast<const unsigned char*>(header.data()), header.size(), Z_NO_FLUSH);
    for (unsigned long long left = payload; left > 0;) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<unsigned long long>(left, zeros.size()));
        pump(zeros.data(), chunk, Z_NO_FLUSH);
        left -= chunk;
    }
    pump(nullptr, 0, Z_FINISH);
    deflateEnd(&stream);
    std::ofstream(path, std::ios::binary) << meta << compressed;
}

}  // namespace

TEST(dcmReader, RefusesDeflatedDataSetsThatInflateIntoBombs) {
    // 11 KiB of noise a MiB keeps the ratio near 93:1, one real data sets reach.
    const struct {
        const char* name;
        unsigned long long payload;
        std::size_t noise;
        bool opens;
    } cases[] = {
        {"past the buffer limit", 1300000000ULL, 0, false},
        {"within the limit, far past any real ratio", 200000000ULL, 0, false},
        {"past the bound for deflated data sets at a real ratio", 280000000ULL, 11 << 10, false},
        {"within the bound at a real ratio", 16000000ULL, 11 << 10, true},
    };
    for (const auto& c : cases) {
        bvtest::TempDir dir;
        const std::string path = (dir / "bomb.dcm").string();
        writeDeflatedZeros(path, c.payload, c.noise);
        dcmReader reader;
        EXPECT_EQ(reader.setFile(path.c_str()), c.opens) << c.name;
    }
}

TEST(dcmReader, WritesPngOfFirstFrameThroughRegisteredRoutine) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.rows = 6;
    fixture.columns = 5;
    fixture.writeWindow = true;
    const std::string path = (dir / "png.dcm").string();
    ASSERT_TRUE(fixture.write(path));
    dcmReader reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    const std::string direct = (dir / "direct.png").string();
    ASSERT_TRUE(reader.convertToPngFile(direct.c_str(), true));
    std::ifstream png(direct, std::ios::binary);
    char signature[8] = {};
    png.read(signature, sizeof(signature));
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");

    static int seenWidth;
    static int seenHeight;
    dcmSDK::setSavePngCallback([](int width, int height, const unsigned char*, const char*) {
        seenWidth = width;
        seenHeight = height;
        return true;
    });
    EXPECT_TRUE(reader.convertToPngFile((dir / "routed.png").c_str(), false));
    dcmSDK::setSavePngCallback(nullptr);
    EXPECT_EQ(seenWidth, 5);
    EXPECT_EQ(seenHeight, 6);
}

// The thumbnail of a file with an unusable rescale is the thumbnail of the same file without one.
TEST(dcmReader, PngTakesTheRescaleRuleOfThePixelReaders) {
    bvtest::TempDir dir;
    static std::vector<unsigned char> seen;
    dcmSDK::setSavePngCallback([](int width, int height, const unsigned char* rgb, const char*) {
        seen.assign(rgb, rgb + 3 * width * height);
        return true;
    });
    auto thumbnail = [&](const char* slope, const char* intercept) {
        DicomFixture fixture;
        fixture.pixels = DicomFixture::Pixels::S16;
        fixture.rows = 5;
        fixture.columns = 6;
        fixture.customise = [=](DcmDataset& ds) {
            ds.putAndInsertString(DCM_RescaleSlope, slope);
            ds.putAndInsertString(DCM_RescaleIntercept, intercept);
        };
        const std::string path = (dir / "rescale.dcm").string();
        EXPECT_TRUE(fixture.write(path));
        dcmReader reader;
        seen.clear();
        EXPECT_TRUE(reader.setFile(path.c_str()));
        EXPECT_TRUE(reader.convertToPngFile((dir / "t.png").c_str(), false));
        return seen;
    };
    const std::vector<unsigned char> plain = thumbnail("1", "0");
    ASSERT_EQ(plain.size(), 90u);
    EXPECT_NE(std::count(plain.begin(), plain.end(), plain[0]), 90);
    EXPECT_EQ(thumbnail("0", "0"), plain);
    EXPECT_EQ(thumbnail("NaN", "0"), plain);
    EXPECT_EQ(thumbnail("1", "NaN"), plain);
    EXPECT_EQ(thumbnail("inf", "-inf"), plain);
    dcmSDK::setSavePngCallback(nullptr);
}

// Written as implicit VR little endian, labelled explicit in the meta header: the preamble and
// meta header of one file, the data set of the other.
std::string mislabelledImplicitFile(const bvtest::TempDir& dir, const DicomFixture& fixture) {
    DicomFixture explicitOne = fixture;
    explicitOne.transferSyntax = EXS_LittleEndianExplicit;
    DicomFixture implicitOne = fixture;
    implicitOne.transferSyntax = EXS_LittleEndianImplicit;
    const std::string explicitPath = (dir / "explicit.dcm").string();
    const std::string implicitPath = (dir / "implicit.dcm").string();
    EXPECT_TRUE(explicitOne.write(explicitPath));
    EXPECT_TRUE(implicitOne.write(implicitPath));
    auto bytesOf = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    // The meta header ends where its group length (the value after the 12-byte element header
    // that follows the preamble) says.
    auto dataSetOffset = [](const std::string& bytes) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 140;
        return std::size_t(144) + (p[0] | (p[1] << 8) | (p[2] << 16) | (std::size_t(p[3]) << 24));
    };
    const std::string head = bytesOf(explicitPath);
    const std::string body = bytesOf(implicitPath);
    EXPECT_EQ(head.compare(128, 8, std::string("DICM\x02\x00\x00\x00", 8)), 0);
    const std::string path = (dir / "mislabelled.dcm").string();
    std::ofstream(path, std::ios::binary)
        << head.substr(0, dataSetOffset(head)) << body.substr(dataSetOffset(body));
    return path;
}

TEST(dcmReader, ReadsAnImplicitDataSetLabelledExplicit) {
    bvtest::TempDir dir;
    DicomFixture fixture;
    fixture.pixels = DicomFixture::Pixels::S16;
    fixture.rows = 3;
    fixture.columns = 5;
    fixture.patientName = "Mislabelled^Jane";
    const std::string path = mislabelledImplicitFile(dir, fixture);
    dcmReader reader;
    ASSERT_TRUE(reader.setFile(path.c_str()));
    EXPECT_EQ(readTag(reader, 0x0002, 0x0010), "1.2.840.10008.1.2.1");
    EXPECT_EQ(readTag(reader, 0x0010, 0x0010), "Mislabelled^Jane");
    unsigned short rows = 0;
    ASSERT_TRUE(reader.readDicomTagUint16(0x0028, 0x0010, rows));
    EXPECT_EQ(rows, 3);
    dcmReader::PixelType type;
    int count = 0;
    const char* pixels = reader.readDicomPixelPointer(type, count);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(count, 15);
    EXPECT_EQ(readSamples(pixels, count, type, true), fixture.effectiveSamples());

    // An unknown label is refused still, whatever the data set holds.
    replaceInFile(path, "1.2.840.10008.1.2.1", "1.2.840.10008.9.9.9");
    EXPECT_FALSE(reader.setFile(path.c_str()));
}

TEST(dcmReader, ReaderServesFilesInTurn) {
    bvtest::TempDir dir;
    DicomFixture first;
    first.modality = "MR";
    DicomFixture second;
    second.modality = "CT";
    second.pixels = DicomFixture::Pixels::RGB8;
    ASSERT_TRUE(first.write((dir / "a.dcm").string()));
    ASSERT_TRUE(second.write((dir / "b.dcm").string()));
    dcmReader reader;
    ASSERT_TRUE(reader.setFile((dir / "a.dcm").c_str()));
    dcmReader::PixelType type;
    int count = 0;
    ASSERT_NE(reader.readDicomPixelPointer(type, count), nullptr);
    ASSERT_TRUE(reader.setFile((dir / "b.dcm").c_str()));
    EXPECT_EQ(readTag(reader, 0x0008, 0x0060), "CT");
    const char* data = reader.readDicomPixelPointer(type, count);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(type, dcmReader::PIXEL_RGB);
    EXPECT_EQ(readSamples(data, count, type, false), second.effectiveSamples());
    EXPECT_FALSE(reader.setFile((dir / "none.dcm").c_str()));
    EXPECT_EQ(readTag(reader, 0x0008, 0x0060), "<absent>");
}

TEST(dcmReader, ReadersOnSeveralThreadsDecodeTheirOwnFiles) {
    bvtest::TempDir dir;
    const E_TransferSyntax syntaxes[] = {EXS_JPEGProcess14SV1, EXS_JPEGLSLossless, EXS_RLELossless,
                                         EXS_DeflatedLittleEndianExplicit};
    std::vector<DicomFixture> fixtures;
    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i) {
        DicomFixture fixture;
        fixture.rows = 16;
        fixture.columns = 16;
        fixture.pixels = DicomFixture::Pixels::S16;
        fixture.transferSyntax = syntaxes[i % 4];
        fixture.specificCharacterSet = "ISO_IR 100";
        fixture.patientName = "J\xe9r\xf4me^" + std::to_string(i);
        fixture.samples = fixture.effectiveSamples();
        for (int& sample : fixture.samples) {
            sample = (sample + i * 101) % 30000;
        }
        paths.push_back((dir / ("f" + std::to_string(i) + ".dcm")).string());
        ASSERT_TRUE(fixture.write(paths.back()));
        fixtures.push_back(fixture);
    }
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            dcmReader reader;
            for (int round = 0; round < 5; ++round) {
                for (std::size_t j = static_cast<std::size_t>(t); j < paths.size(); j += 4) {
                    dcmReader::PixelType type;
                    int count = 0;
                    char name[256];
                    const char* data = nullptr;
                    if (!reader.setFile(paths[j].c_str()) ||
                        !reader.readDicomTagString(0x0010, 0x0010, name, sizeof(name)) ||
                        std::string(name) != "J\xc3\xa9r\xc3\xb4me^" + std::to_string(j) ||
                        (data = reader.readDicomPixelPointer(type, count)) == nullptr ||
                        readSamples(data, count, type, true) != fixtures[j].samples) {
                        ++failures[static_cast<std::size_t>(t)];
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
