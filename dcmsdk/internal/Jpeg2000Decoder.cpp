#include "dcmsdk/internal/Jpeg2000Decoder.h"

#include <dcmtk/dcmdata/dcerror.h>
#include <dcmtk/dcmdata/dcpxitem.h>
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace dcmSDK {

namespace {

makeOFConditionConst(kJ2kFailed, OFM_dcmdata, 0x1101, OF_error, "JPEG 2000 frame does not decode");
makeOFConditionConst(kJ2kMismatch, OFM_dcmdata, 0x1102, OF_error,
                     "JPEG 2000 frame does not match the image attributes");
makeOFConditionConst(kJ2kFragments, OFM_dcmdata, 0x1103, OF_error,
                     "JPEG 2000 fragments do not make up the frames");

struct Fragment {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

struct MemoryStream {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

OPJ_SIZE_T readStream(void* buffer, OPJ_SIZE_T bytes, void* user) {
    MemoryStream* stream = static_cast<MemoryStream*>(user);
    const std::size_t left = stream->size - stream->position;
    if (left == 0) {
        return static_cast<OPJ_SIZE_T>(-1);
    }
    const std::size_t count = std::min<std::size_t>(bytes, left);
    std::memcpy(buffer, stream->data + stream->position, count);
    stream->position += count;
    return count;
}

OPJ_OFF_T skipStream(OPJ_OFF_T bytes, void* user) {
    MemoryStream* stream = static_cast<MemoryStream*>(user);
    if (bytes < 0) {
        const std::size_t back =
            std::min<std::size_t>(static_cast<std::size_t>(-bytes), stream->position);
        stream->position -= back;
        return -static_cast<OPJ_OFF_T>(back);
    }
    const std::size_t forward =
        std::min<std::size_t>(static_cast<std::size_t>(bytes), stream->size - stream->position);
    stream->position += forward;
    return static_cast<OPJ_OFF_T>(forward);
}

OPJ_BOOL seekStream(OPJ_OFF_T position, void* user) {
    MemoryStream* stream = static_cast<MemoryStream*>(user);
    if (position < 0 || static_cast<std::uint64_t>(position) > stream->size) {
        return OPJ_FALSE;
    }
    stream->position = static_cast<std::size_t>(position);
    return OPJ_TRUE;
}

void quiet(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

bool startsFrame(const Fragment& fragment) {
    static const std::uint8_t codestream[] = {0xFF, 0x4F, 0xFF, 0x51};
    static const std::uint8_t jp2[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20};
    return (fragment.size >= sizeof(codestream) &&
            std::memcmp(fragment.data, codestream, sizeof(codestream)) == 0) ||
           (fragment.size >= sizeof(jp2) && std::memcmp(fragment.data, jp2, sizeof(jp2)) == 0);
}

// Groups the fragments into frames: one frame takes them all; otherwise one fragment a frame when
// the counts agree, else a new frame at each fragment that opens a code stream.
OFCondition splitFrames(DcmPixelSequence& sequence, std::uint32_t frames,
                        std::vector<std::vector<std::uint8_t>>& out) {
    std::vector<Fragment> fragments;
    const unsigned long items = sequence.card();
    for (unsigned long i = 1; i < items; ++i) {
        DcmPixelItem* item = nullptr;
        if (sequence.getItem(item, i).bad() || item == nullptr) {
            return kJ2kFragments;
        }
        Uint8* data = nullptr;
        const Uint32 length = item->getLength();
        if (length == 0) {
            continue;
        }
        if (item->getUint8Array(data).bad() || data == nullptr) {
            return kJ2kFragments;
        }
        fragments.push_back({data, length});
    }
    if (fragments.empty()) {
        return kJ2kFragments;
    }
    std::vector<std::size_t> starts;
    if (frames == 1) {
        starts.push_back(0);
    } else if (fragments.size() == frames) {
        for (std::size_t i = 0; i < fragments.size(); ++i) {
            starts.push_back(i);
        }
    } else {
        for (std::size_t i = 0; i < fragments.size(); ++i) {
            if (startsFrame(fragments[i])) {
                starts.push_back(i);
            }
        }
        if (starts.size() != frames || starts.front() != 0) {
            return kJ2kFragments;
        }
    }
    starts.push_back(fragments.size());
    for (std::size_t f = 0; f + 1 < starts.size(); ++f) {
        std::vector<std::uint8_t> joined;
        for (std::size_t i = starts[f]; i < starts[f + 1]; ++i) {
            joined.insert(joined.end(), fragments[i].data, fragments[i].data + fragments[i].size);
        }
        out.push_back(std::move(joined));
    }
    return EC_Normal;
}

OFCondition decodeFrame(const std::vector<std::uint8_t>& bytes, const Jpeg2000Decoder::Frame& frame,
                        std::vector<std::uint8_t>& out) {
    MemoryStream memory{bytes.data(), bytes.size(), 0};
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(64 * 1024, OPJ_TRUE));
    const bool isJp2 = bytes.size() >= 4 && bytes[0] == 0 && bytes[3] == 0x0C;
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(
        opj_create_decompress(isJp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!stream || !codec) {
        return kJ2kFailed;
    }
    opj_stream_set_user_data(stream.get(), &memory, nullptr);
    opj_stream_set_user_data_length(stream.get(), bytes.size());
    opj_stream_set_read_function(stream.get(), readStream);
    opj_stream_set_skip_function(stream.get(), skipStream);
    opj_stream_set_seek_function(stream.get(), seekStream);
    opj_set_info_handler(codec.get(), quiet, nullptr);
    opj_set_warning_handler(codec.get(), quiet, nullptr);
    opj_set_error_handler(codec.get(), quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters)) {
        return kJ2kFailed;
    }
    opj_image_t* rawImage = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &rawImage)) {
        opj_image_destroy(rawImage);
        return kJ2kFailed;
    }
    std::unique_ptr<opj_image_t, ImageDeleter> image(rawImage);
    // Checked before decoding, so a forged header cannot make OpenJPEG allocate past the frame.
    if (image->numcomps != frame.samplesPerPixel || image->x1 <= image->x0 ||
        image->y1 <= image->y0 || image->x1 - image->x0 != frame.columns ||
        image->y1 - image->y0 != frame.rows) {
        return kJ2kMismatch;
    }
    for (unsigned c = 0; c < image->numcomps; ++c) {
        const opj_image_comp_t& comp = image->comps[c];
        if (comp.dx != 1 || comp.dy != 1 || comp.prec > 8 * frame.bytesPerSample ||
            comp.prec == 0) {
            return kJ2kMismatch;
        }
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) ||
        !opj_end_decompress(codec.get(), stream.get())) {
        return kJ2kFailed;
    }
    for (unsigned c = 0; c < image->numcomps; ++c) {
        const opj_image_comp_t& comp = image->comps[c];
        if (comp.data == nullptr || comp.w != frame.columns || comp.h != frame.rows) {
            return kJ2kMismatch;
        }
    }
    const std::size_t pixels = static_cast<std::size_t>(frame.rows) * frame.columns;
    const std::size_t start = out.size();
    out.resize(start + pixels * frame.samplesPerPixel * frame.bytesPerSample);
    std::uint8_t* target = out.data() + start;
    for (std::size_t p = 0; p < pixels; ++p) {
        for (unsigned c = 0; c < frame.samplesPerPixel; ++c) {
            const std::uint32_t value = static_cast<std::uint32_t>(image->comps[c].data[p]);
            *target++ = static_cast<std::uint8_t>(value & 0xFF);
            if (frame.bytesPerSample == 2) {
                *target++ = static_cast<std::uint8_t>((value >> 8) & 0xFF);
            }
        }
    }
    return EC_Normal;
}

}  // namespace

OFCondition Jpeg2000Decoder::decode(DcmPixelSequence& sequence, std::uint32_t frames,
                                    const Frame& frame, std::vector<std::uint8_t>& out) {
    std::vector<std::vector<std::uint8_t>> codestreams;
    OFCondition status = splitFrames(sequence, frames, codestreams);
    for (const std::vector<std::uint8_t>& codestream : codestreams) {
        if (status.bad()) {
            break;
        }
        status = decodeFrame(codestream, frame, out);
    }
    return status;
}

}  // namespace dcmSDK
