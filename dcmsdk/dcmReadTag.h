#pragma once

#include "dcmsdk/LanguageType.h"
#include "dcmsdk/dcmReader.h"

#include <map>
#include <string>
#include <vector>

class DcmItem;

namespace dcmSDK {

// One element of a file as the tag list shows it.
struct DicomTags {
    char tag[50];           // "(gggg,eeee)", preceded by one '>' per sequence level
    char value[256];        // UTF-8 value text
    char description[262];  // dictionary name of the element
    unsigned char flag;     // not 0 for private elements
};

// Reads the elements of one file as texts: single tags, the whole element list, and the image's
// display aspect.
class dcmReadTag {
public:
    // Decides how texts of a file without Specific Character Set are read; set before setFile.
    LanguageType language = LanguageType::ENGLISH;

    dcmReadTag();
    virtual ~dcmReadTag();
    dcmReadTag(const dcmReadTag&) = delete;
    dcmReadTag& operator=(const dcmReadTag&) = delete;

    bool setFile(const char* path);
    // The value as UTF-8 text, "" when absent; the text stays valid until the next setFile.
    const char* getTag(unsigned short group, unsigned short element);
    // The same value whole, with any NUL bytes it holds (getTag's text ends at the first one).
    const std::string& getTagValue(unsigned short group, unsigned short element);
    // Physical width over height of the image (columns and rows weighted by Pixel Spacing); 1 when
    // the file does not say.
    float getImageScale();
    // Every element of the meta information and the data set, nested items after their sequence;
    // the records stay valid until the next setFile. Null with count 0 when no file is open.
    DicomTags** getTagList(int& count);

private:
    void collect(DcmItem& item, int depth);

    dcmReader reader_;
    bool opened_ = false;
    std::map<unsigned, std::string> values_;
    std::vector<DicomTags> records_;
    std::vector<DicomTags*> pointers_;
};

}  // namespace dcmSDK
