#include "dcmsdk/dcmReader.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcpixseq.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using bvtest::DicomFixture;
using dcmSDK::dcmReader;

namespace {

using Bytes = std::vector<Uint8>;

struct SyntaxCase {
    const char* name;
    E_TransferSyntax syntax;
    DicomFixture::Pixels pixels;
    std::uint16_t bitsStored;
};

// Every JPEG-family syntax DCMTK decodes: baseline, extended 12-bit, the two lossless ones and
// both JPEG-LS ones.
const SyntaxCase kSyntaxes[] = {
    {"baseline", EXS_JPEGProcess1, DicomFixture::Pixels::U8, 8},
    {"extended 12-bit", EXS_JPEGProcess2_4, DicomFixture::Pixels::U16, 12},
    {"lossless", EXS_JPEGProcess14, DicomFixture::Pixels::U16, 16},
    {"lossless SV1", EXS_JPEGProcess14SV1, DicomFixture::Pixels::U16, 16},
    {"JPEG-LS lossless", EXS_JPEGLSLossless, DicomFixture::Pixels::U16, 12},
    {"JPEG-LS near-lossless", EXS_JPEGLSLossy, DicomFixture::Pixels::U16, 12},
};

DicomFixture fixtureFor(const SyntaxCase& c, std::uint16_t size) {
    DicomFixture fixture;
    fixture.rows = size;
    fixture.columns = size;
    fixture.pixels = c.pixels;
    fixture.bitsStored = c.bitsStored;
    fixture.transferSyntax = c.syntax;
    return fixture;
}

DcmPixelSequence* pixelSequence(DcmDataset& dataset) {
    DcmElement* element = nullptr;
    DcmPixelSequence* sequence = nullptr;
    if (dataset.findAndGetElement(DCM_PixelData, element).good() &&
        static_cast<DcmPixelData*>(element)
            ->getEncapsulatedRepresentation(dataset.getOriginalXfer(), nullptr, sequence)
            .bad()) {
        sequence = nullptr;
    }
    return sequence;
}

std::vector<Bytes> fragmentsOf(DcmDataset& dataset) {
    std::vector<Bytes> fragments;
    DcmPixelSequence* sequence = pixelSequence(dataset);
    for (unsigned long i = 1; sequence != nullptr && i < sequence->card(); ++i) {
        DcmPixelItem* item = nullptr;
        Uint8* data = nullptr;
        sequence->getItem(item, i);
        item->getUint8Array(data);
        fragments.emplace_back(data, data + item->getLength());
    }
    return fragments;
}

// Puts the fragments in place of the data set's pixel data, with an offset table that names
// the first fragment of each frame (frameStarts, indices into fragments).
void replaceFragments(DcmDataset& dataset, const std::vector<Bytes>& fragments,
                      const std::vector<std::size_t>& frameStarts) {
    const E_TransferSyntax syntax = dataset.getOriginalXfer();
    auto* sequence = new DcmPixelSequence(DCM_PixelSequenceTag);
    Bytes table;
    std::uint32_t offset = 0;
    for (std::size_t i = 0, next = 0; i < fragments.size(); ++i) {
        if (next < frameStarts.size() && frameStarts[next] == i) {
            for (int shift = 0; shift < 32; shift += 8) {
                table.push_back(static_cast<Uint8>(offset >> shift));
            }
            ++next;
        }
        offset += static_cast<std::uint32_t>(fragments[i].size()) + 8;
    }
    auto* tableItem = new DcmPixelItem(DCM_PixelItemTag);
    tableItem->putUint8Array(table.data(), static_cast<Uint32>(table.size()));
    sequence->insert(tableItem);
    for (const Bytes& fragment : fragments) {
        auto* item = new DcmPixelItem(DCM_PixelItemTag);
        item->putUint8Array(fragment.data(), static_cast<Uint32>(fragment.size()));
        sequence->insert(item);
    }
    auto* pixels = new DcmPixelData(DCM_PixelData);
    pixels->putOriginalRepresentation(syntax, nullptr, sequence);
    dataset.insert(pixels, true);
}

// Runs the cases in order in a child process, so that a decode that never ends holds up only the
// child, which an alarm ends as a safety net. The number of cases that came to their end.
std::size_t casesThatEnd(std::size_t count, const std::function<void(std::size_t)>& run) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return 0;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        for (std::size_t i = 0; i < count; ++i) {
            alarm(30);
            run(i);
            if (write(pipeEnds[1], "+", 1) != 1) {
                _exit(1);
            }
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    std::size_t ended = 0;
    char mark = 0;
    while (child > 0 && read(pipeEnds[0], &mark, 1) == 1) {
        ++ended;
    }
    close(pipeEnds[0]);
    int status = 0;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    return ended;
}

// The decoded pixels of a file; empty when the reader gives none.
std::string decodedPixels(const std::string& path) {
    dcmReader reader;
    dcmReader::PixelType type;
    int count = 0;
    const char* pixels =
        reader.setFile(path.c_str()) ? reader.readDicomPixelPointer(type, count) : nullptr;
    if (pixels == nullptr) {
        return std::string();
    }
    const int bytes = type == dcmReader::PIXEL_INT16 ? 2 : (type == dcmReader::PIXEL_RGB ? 3 : 1);
    return std::string(pixels, static_cast<std::size_t>(count) * bytes);
}

// The offset just past the first SOS segment, where the scan data starts.
std::size_t scanStart(const Bytes& frame) {
    for (std::size_t i = 0; i + 3 < frame.size(); ++i) {
        if (frame[i] == 0xFF && frame[i + 1] == 0xDA) {
            return i + 2 + ((frame[i + 2] << 8) | frame[i + 3]);
        }
    }
    return frame.size();
}

// An even offset in the scan data where FF and then the given byte follow; 0 when there is none.
std::size_t evenPairInScan(const Bytes& frame, std::uint8_t second) {
    for (std::size_t i = scanStart(frame); i + 1 < frame.size(); ++i) {
        if (i % 2 == 0 && frame[i] == 0xFF && frame[i + 1] == second) {
            return i;
        }
    }
    return 0;
}

}  // namespace

// A frame of SOI, one marker, then TEM, for every marker code, with and without a segment length
// after it: whatever the reader lets through, DCMTK decodes to an end. FF F7 is a frame header
// (SOF55) only in JPEG-LS; DCMTK's other JPEG decoders skip it as a segment and would then go
// round on the TEM for ever.
TEST(JpegFrameCheck, EveryMarkerBeforeATemIsWalkedAsItsDecoderWalksIt) {
    bvtest::TempDir dir;
    for (const SyntaxCase& c : kSyntaxes) {
        const std::string base = (dir / "base.dcm").string();
        const std::string path = (dir / "tem.dcm").string();
        ASSERT_TRUE(fixtureFor(c, 16).write(base)) << c.name;
        const auto frameOf = [](std::size_t i) {
            Bytes frame = {0xFF, 0xD8, 0xFF, static_cast<Uint8>(i / 2)};
            if (i % 2 == 1) {
                frame.insert(frame.end(), {0x00, 0x04, 0x00, 0x00});
            }
            frame.insert(frame.end(), {0xFF, 0x01});
            frame.resize(frame.size() + 16, 0x00);
            return frame;
        };
        const std::size_t cases = 2 * 256;
        const std::size_t ended = casesThatEnd(cases, [&](std::size_t i) {
            DcmFileFormat file;
            if (file.loadFile(base.c_str()).bad()) {
                _exit(2);
            }
            replaceFragments(*file.getDataset(), {frameOf(i)}, {0});
            if (file.saveFile(path.c_str(), c.syntax).bad()) {
                _exit(2);
            }
            decodedPixels(path);
        });
        EXPECT_EQ(ended, cases) << c.name << ": the decode of code " << ended / 2
                                << (ended % 2 == 1 ? " with a length" : "") << " came to no end";
    }
}

// A frame split over several fragments, the later ones starting inside the scan data (in
// JPEG-LS right before an FF 01 pair of it, which is no marker there), decodes to the same
// pixels as the frame in one fragment, alone and as both frames of a two-frame image.
TEST(JpegFrameCheck, FramesSplitInsideTheirScanDataDecodeWhole) {
    bvtest::TempDir dir;
    for (const SyntaxCase& c : kSyntaxes) {
        const bool jpegLs = c.syntax == EXS_JPEGLSLossless || c.syntax == EXS_JPEGLSLossy;
        for (const int frames : {1, 2}) {
            const std::string what = std::string(c.name) + ", " + std::to_string(frames) +
                                     " frame" + (frames > 1 ? "s" : "");
            const std::string whole = (dir / "whole.dcm").string();
            const std::string split = (dir / "split.dcm").string();
            // Noise, so the scan data holds FF pairs; the first seed that puts the wanted pair
            // at an even offset, as fragment lengths are even.
            Bytes frame;
            std::size_t cut = 0;
            for (std::uint32_t seed = 1; seed < 200 && cut == 0; ++seed) {
                DicomFixture fixture = fixtureFor(c, 64);
                fixture.frames = frames;
                std::uint32_t state = seed;
                const std::size_t perFrame = 64u * 64u;
                std::vector<int> samples(perFrame);
                for (int& sample : samples) {
                    state = state * 1103515245u + 12345u;
                    sample = static_cast<int>((state >> 8) % (1u << c.bitsStored));
                }
                for (int f = 1; f < frames; ++f) {
                    samples.insert(samples.end(), samples.begin(), samples.begin() + perFrame);
                }
                fixture.samples = samples;
                ASSERT_TRUE(fixture.write(whole)) << what;
                DcmFileFormat file;
                ASSERT_TRUE(file.loadFile(whole.c_str()).good()) << what;
                const std::vector<Bytes> fragments = fragmentsOf(*file.getDataset());
                ASSERT_EQ(fragments.size(), static_cast<std::size_t>(frames)) << what;
                frame = fragments[0];
                cut = evenPairInScan(frame, jpegLs ? 0x01 : 0x00);
            }
            ASSERT_NE(cut, 0u) << what;
            std::vector<Bytes> fragments;
            std::vector<std::size_t> frameStarts;
            for (int f = 0; f < frames; ++f) {
                frameStarts.push_back(fragments.size());
                fragments.emplace_back(frame.begin(), frame.begin() + cut);
                fragments.emplace_back(frame.begin() + cut, frame.end());
            }
            DcmFileFormat file;
            ASSERT_TRUE(file.loadFile(whole.c_str()).good()) << what;
            replaceFragments(*file.getDataset(), fragments, frameStarts);
            ASSERT_TRUE(file.saveFile(split.c_str(), c.syntax).good()) << what;
            const std::string expected = decodedPixels(whole);
            ASSERT_FALSE(expected.empty()) << what;
            EXPECT_TRUE(decodedPixels(split) == expected) << what;
        }
    }
}
