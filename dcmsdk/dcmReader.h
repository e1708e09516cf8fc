#pragma once

#include "dcmsdk/LanguageType.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DcmElement;
class DcmFileFormat;

namespace dcmSDK {

class DcmTextConverter;

// Reads the tags and the decoded pixel data of one DICOM file at a time. One object serves many
// files in turn; one thread uses it at a time, while readers on other threads run freely. No
// exception leaves it: every failure is a false or null result.
class dcmReader {
public:
    enum PixelType {
        PIXEL_UINT8 = 0,  // one byte a pixel
        PIXEL_INT16 = 1,  // two bytes, signed or unsigned as Pixel Representation says
        PIXEL_RGB = 2     // three bytes, interleaved RGB
    };

    dcmReader();
    virtual ~dcmReader();
    dcmReader(const dcmReader&) = delete;
    dcmReader& operator=(const dcmReader&) = delete;

    // The language decides how texts of a file without Specific Character Set are read.
    void setLanguage(LanguageType language);
    LanguageType getLanguage() const { return language_; }

    // Opens and parses a file; false when it cannot be read as DICOM. Releases the previous file
    // and its pixel memory.
    bool setFile(const char* path);

    // The value as NUL-terminated UTF-8 text (multiple values separated by a backslash), cut at a
    // character boundary to fit size bytes. False when the tag is absent or empty.
    bool readDicomTagString(unsigned short group, unsigned short element, char* buffer, int size);
    // A 16-bit value; integer and decimal-string elements are accepted when the first value fits.
    bool readDicomTagUint16(unsigned short group, unsigned short element, unsigned short& value);

    // The pixel layout without decoding; false when the pixel data cannot be delivered.
    bool readDicomPixelType(PixelType& type);
    // Decodes all frames; the memory belongs to the reader until the next setFile or destruction.
    // count = frames x rows x columns. Null on failure.
    char* readDicomPixelPointer(PixelType& type, int& count);

    // Writes the first frame as an 8-bit RGB PNG through the registered PNG routine (or libpng
    // when none is registered). With useFileWindow the file's first window is applied when it has
    // one; otherwise the frame's value range is stretched.
    bool convertToPngFile(const char* path, bool useFileWindow);

    // Value of a tag as UTF-8 text; empty when absent. Used by the tag reader.
    bool tagText(unsigned short group, unsigned short element, std::string& text);
    DcmFileFormat* fileFormat() const { return file_.get(); }
    // Text of an element of the open file, converted to UTF-8.
    bool elementText(DcmElement& element, std::string& text);

private:
    DcmElement* findElement(unsigned short group, unsigned short element);
    bool decodePixels();
    void reset();

    LanguageType language_ = LanguageType::ENGLISH;
    std::unique_ptr<DcmFileFormat> file_;
    std::unique_ptr<DcmTextConverter> text_;
    std::vector<std::uint8_t> pixels_;
    int pixelType_ = 0;
    int pixelCount_ = 0;
    bool decoded_ = false;
};

}  // namespace dcmSDK
