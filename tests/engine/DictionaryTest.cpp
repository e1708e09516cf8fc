#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>

#include "engine/base/Array.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Dictionary.h"
#include "engine/base/String.h"
#include "tests/support/lib/TempDir.h"

namespace {

using namespace cocos2d;

class Tracked : public Ref {
public:
    explicit Tracked(std::atomic<int>* destroyed) : _destroyed(destroyed) {}
    ~Tracked() override { _destroyed->fetch_add(1); }

private:
    std::atomic<int>* _destroyed;
};

// Each test runs inside its own pool so autoreleased containers go away at its end.
class DictionaryTest : public ::testing::Test {
protected:
    AutoreleasePool pool;
    std::atomic<int> destroyed{0};
};

TEST_F(DictionaryTest, HoldsOneReferencePerEntry) {
    auto* first = new Tracked(&destroyed);
    auto* second = new Tracked(&destroyed);
    {
        AutoreleasePool inner;
        __Dictionary* dictionary = __Dictionary::create();
        dictionary->setObject(first, "k");
        EXPECT_EQ(first->getReferenceCount(), 2u);
        dictionary->setObject(second, "k");
        EXPECT_EQ(first->getReferenceCount(), 1u);
        EXPECT_EQ(dictionary->objectForKey("k"), second);
        EXPECT_EQ(dictionary->count(), 1u);
        dictionary->setObject(first, "other");
        dictionary->setObject(nullptr, "null");
        EXPECT_EQ(dictionary->count(), 2u);
        dictionary->removeObjectForKey("other");
        dictionary->removeObjectForKey("absent");
        EXPECT_EQ(first->getReferenceCount(), 1u);
        EXPECT_EQ(dictionary->objectForKey("other"), nullptr);
    }
    EXPECT_EQ(second->getReferenceCount(), 1u);
    first->release();
    second->release();
    EXPECT_EQ(destroyed.load(), 2);
}

TEST_F(DictionaryTest, KeysKeepInsertionOrder) {
    __Dictionary* dictionary = __Dictionary::create();
    for (const char* key : {"zeta", "alpha", "mid"}) {
        dictionary->setObject(__String::create(key), key);
    }
    dictionary->setObject(__String::create("again"), "alpha");
    __Array* keys = dictionary->allKeys();
    ASSERT_EQ(keys->count(), 3);
    EXPECT_STREQ(static_cast<__String*>(keys->getObjectAtIndex(0))->getCString(), "zeta");
    EXPECT_STREQ(static_cast<__String*>(keys->getObjectAtIndex(1))->getCString(), "alpha");
    EXPECT_STREQ(static_cast<__String*>(keys->getObjectAtIndex(2))->getCString(), "mid");
    EXPECT_STREQ(dictionary->valueForKey("alpha")->getCString(), "again");

    dictionary->removeAllObjects();
    EXPECT_EQ(dictionary->count(), 0u);
    EXPECT_EQ(dictionary->allKeys()->count(), 0);
}

TEST_F(DictionaryTest, ValueForKeyGivesEmptyTextForMissingOrForeignEntries) {
    __Dictionary* dictionary = __Dictionary::create();
    dictionary->setObject(__Array::create(), "list");
    EXPECT_EQ(dictionary->valueForKey("missing")->length(), 0);
    EXPECT_EQ(dictionary->valueForKey("list")->length(), 0);
}

TEST_F(DictionaryTest, ConvertsValueMapsDeeply) {
    ValueMap english{{"hello", Value("Hello")}, {"count", Value(3)}};
    ValueVector red{Value("0"), Value("128"), Value("255")};
    ValueMap root{{"english", Value(english)}, {"Red", Value(red)}, {"flag", Value(true)}};

    __Dictionary* dictionary = __Dictionary::createWithValueMap(root);
    auto* nested = dynamic_cast<__Dictionary*>(dictionary->objectForKey("english"));
    ASSERT_NE(nested, nullptr);
    EXPECT_STREQ(nested->valueForKey("hello")->getCString(), "Hello");
    EXPECT_EQ(nested->valueForKey("count")->intValue(), 3);

    auto* array = dynamic_cast<__Array*>(dictionary->objectForKey("Red"));
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->count(), 3);
    EXPECT_EQ(static_cast<__String*>(array->getObjectAtIndex(1))->intValue(), 128);
    EXPECT_STREQ(dictionary->valueForKey("flag")->getCString(), "true");
}

TEST_F(DictionaryTest, ArrayRetainsAndFindsItsObjects) {
    auto* object = new Tracked(&destroyed);
    {
        AutoreleasePool inner;
        __Array* array = __Array::createWithCapacity(2);
        array->addObject(object);
        array->insertObject(__String::create("first"), 0);
        array->addObject(nullptr);
        EXPECT_EQ(array->count(), 2);
        EXPECT_EQ(array->getIndexOfObject(object), 1);
        EXPECT_TRUE(array->containsObject(object));
        EXPECT_EQ(array->getLastObject(), object);
        EXPECT_EQ(array->getObjectAtIndex(5), nullptr);
        EXPECT_EQ(object->getReferenceCount(), 2u);
        int visited = 0;
        for (Ref* each : *array) {
            visited += each != nullptr;
        }
        EXPECT_EQ(visited, 2);
        array->removeObjectAtIndex(0);
        array->removeObject(object);
        EXPECT_EQ(array->getIndexOfObject(object), CC_INVALID_INDEX);
        array->addObject(object);
        array->removeLastObject();
        array->addObject(object);
        array->removeAllObjects();
        EXPECT_EQ(object->getReferenceCount(), 1u);
    }
    object->release();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST_F(DictionaryTest, StringConversions) {
    struct {
        const char* text;
        int asInt;
        double asDouble;
        bool asBool;
    } const table[] = {
        {"", 0, 0.0, false},
        {"0", 0, 0.0, false},
        {"false", 0, 0.0, false},
        {"true", 0, 0.0, true},
        {"12.5px", 12, 12.5, true},
        {"-3", -3, -3.0, true},
        {"99999999999", 2147483647, 99999999999.0, true},
    };
    for (const auto& row : table) {
        __String* text = __String::create(row.text);
        EXPECT_EQ(text->intValue(), row.asInt) << row.text;
        EXPECT_DOUBLE_EQ(text->doubleValue(), row.asDouble) << row.text;
        EXPECT_FLOAT_EQ(text->floatValue(), static_cast<float>(row.asDouble)) << row.text;
        EXPECT_EQ(text->boolValue(), row.asBool) << row.text;
    }
    __String* formatted = __String::createWithFormat("%s-%03d", "id", 7);
    EXPECT_STREQ(formatted->getCString(), "id-007");
    EXPECT_EQ(formatted->compare("id-007"), 0);
    EXPECT_TRUE(formatted->isEqual(__String::create("id-007")));
    EXPECT_FALSE(formatted->isEqual(__Array::create()));
    const unsigned char bytes[] = {'a', 0, 'b'};
    EXPECT_EQ(__String::createWithData(bytes, 3)->_string, std::string("a\0b", 3));
    formatted->append("!");
    EXPECT_EQ(formatted->length(), 7);
}

TEST_F(DictionaryTest, ReadsAPropertyListFile) {
    bvtest::TempDir dir;
    const std::string path = (dir / "language.plist").string();
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<plist version=\"1.0\"><dict>\n"
                           "<key>english</key><dict><key>ok</key><string>OK</string></dict>\n"
                           "<key>Red</key><array><string>1</string><string>2</string></array>\n"
                           "</dict></plist>\n";
    __Dictionary* dictionary = __Dictionary::createWithContentsOfFile(path.c_str());
    ASSERT_NE(dictionary, nullptr);
    auto* english = dynamic_cast<__Dictionary*>(dictionary->objectForKey("english"));
    ASSERT_NE(english, nullptr);
    EXPECT_STREQ(english->valueForKey("ok")->getCString(), "OK");
    auto* red = dynamic_cast<__Array*>(dictionary->objectForKey("Red"));
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->count(), 2);

    EXPECT_EQ(__Dictionary::createWithContentsOfFile((dir / "missing.plist").c_str()), nullptr);
    EXPECT_EQ(__Dictionary::createWithContentsOfFile(nullptr), nullptr);
}

}  // namespace
