#include "engine/ui/JsonReader.h"

#include <climits>
#include <cmath>
#include <nlohmann/json.hpp>
#include <vector>

namespace cocos2d {

namespace {

constexpr size_t kMaxDepth = 64;

using Json = nlohmann::json;

// Builds the value tree straight from the parser's events, so no second tree is made and the
// depth limit holds before anything deep is built.
class ValueBuilder : public nlohmann::json_sax<Json> {
public:
    Value& root() { return _root; }
    const std::string& error() const { return _error; }

    bool null() override { return put(Value()); }
    bool boolean(bool value) override { return put(Value(value)); }

    bool number_integer(number_integer_t value) override {
        return value >= INT_MIN && value <= INT_MAX ? put(Value(static_cast<int>(value)))
                                                    : put(Value(static_cast<double>(value)));
    }

    bool number_unsigned(number_unsigned_t value) override {
        return value <= static_cast<number_unsigned_t>(INT_MAX)
                   ? put(Value(static_cast<int>(value)))
                   : put(Value(static_cast<double>(value)));
    }

    bool number_float(number_float_t value, const string_t& text) override {
        if (!std::isfinite(value)) {
            return fail("number out of range: " + text);
        }
        return put(Value(value));
    }

    bool string(string_t& value) override { return put(Value(std::move(value))); }
    bool binary(binary_t&) override { return fail("binary values are not JSON"); }

    bool start_object(std::size_t) override { return open(true); }
    bool key(string_t& value) override {
        _stack.back().key = std::move(value);
        return true;
    }
    bool end_object() override { return close(Value(std::move(_stack.back().map))); }

    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override { return close(Value(std::move(_stack.back().vector))); }

    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& problem) override {
        return fail(problem.what());
    }

private:
    struct Container {
        bool isObject = false;
        ValueMap map;
        ValueVector vector;
        std::string key;
    };

    bool fail(const std::string& message) {
        if (_error.empty()) {
            _error = message;
        }
        return false;
    }

    bool put(Value value) {
        if (_stack.empty()) {
            _root = std::move(value);
        } else if (_stack.back().isObject) {
            _stack.back().map[_stack.back().key] = std::move(value);
        } else {
            _stack.back().vector.push_back(std::move(value));
        }
        return true;
    }

    bool open(bool isObject) {
        if (_stack.size() >= kMaxDepth) {
            return fail("nesting deeper than 64 levels");
        }
        _stack.emplace_back();
        _stack.back().isObject = isObject;
        return true;
    }

    bool close(Value value) {
        _stack.pop_back();
        return put(std::move(value));
    }

    std::vector<Container> _stack;
    Value _root;
    std::string _error;
};

}  // namespace

bool JsonReader::parse(const std::string& text, Value* out, std::string* error) {
    ValueBuilder builder;
    if (!Json::sax_parse(text, &builder)) {
        if (error != nullptr) {
            *error = builder.error().empty() ? std::string("not valid JSON") : builder.error();
        }
        return false;
    }
    *out = std::move(builder.root());
    return true;
}

}  // namespace cocos2d
