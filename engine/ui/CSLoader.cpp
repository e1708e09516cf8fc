#include "engine/ui/CSLoader.h"

#include <functional>
#include <vector>

#include "engine/2d/Sprite.h"
#include "engine/base/Macros.h"
#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CheckBox.h"
#include "engine/ui/ImageView.h"
#include "engine/ui/JsonReader.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Slider.h"
#include "engine/ui/Text.h"
#include "engine/ui/TextField.h"

namespace cocos2d {

namespace {

constexpr int kFormatVersion = 1;

CSLoader* s_sharedLoader = nullptr;

// The plain node and sprite of layout files, able to carry layout-component data.
class LayoutNode : public Node, public ui::LayoutComponentHolder {
public:
    static LayoutNode* create() {
        auto* node = new LayoutNode();
        node->init();
        node->autorelease();
        return node;
    }
};

class LayoutSprite : public Sprite, public ui::LayoutComponentHolder {
public:
    static LayoutSprite* create() {
        auto* sprite = new LayoutSprite();
        sprite->init();
        sprite->autorelease();
        return sprite;
    }
};

bool isNumber(const Value& value) {
    const Value::Type type = value.getType();
    return type == Value::Type::INTEGER || type == Value::Type::DOUBLE ||
           type == Value::Type::FLOAT;
}

// Reads the properties of one node description; the first problem ends the load.
class NodeReader {
public:
    NodeReader(const ValueMap& map, std::string* error) : _map(map), _error(error) {}

    bool failed() const { return _failed; }

    bool fail(const std::string& key, const char* expected) {
        if (!_failed && _error != nullptr) {
            *_error = StringUtils::format("\"%s\" of node \"%s\" must be %s", key.c_str(),
                                          name().c_str(), expected);
        }
        _failed = true;
        return false;
    }

    std::string name() const {
        auto it = _map.find("name");
        return it != _map.end() && it->second.getType() == Value::Type::STRING
                   ? it->second.asString()
                   : std::string();
    }

    const Value* find(const std::string& key) const {
        auto it = _map.find(key);
        return it == _map.end() ? nullptr : &it->second;
    }

    bool string(const std::string& key, const std::function<void(const std::string&)>& apply) {
        const Value* value = find(key);
        if (value == nullptr) {
            return false;
        }
        if (value->getType() != Value::Type::STRING) {
            return fail(key, "a string");
        }
        apply(value->asString());
        return true;
    }

    bool number(const std::string& key, const std::function<void(float)>& apply) {
        const Value* value = find(key);
        if (value == nullptr) {
            return false;
        }
        if (!isNumber(*value)) {
            return fail(key, "a number");
        }
        apply(value->asFloat());
        return true;
    }

    bool flag(const std::string& key, const std::function<void(bool)>& apply) {
        const Value* value = find(key);
        if (value == nullptr) {
            return false;
        }
        if (value->getType() != Value::Type::BOOLEAN) {
            return fail(key, "true or false");
        }
        apply(value->asBool());
        return true;
    }

    // An array of exactly `count` numbers.
    bool numbers(const std::string& key, size_t count,
                 const std::function<void(const std::vector<float>&)>& apply) {
        const Value* value = find(key);
        if (value == nullptr) {
            return false;
        }
        const char* expected = count == 2   ? "an array of 2 numbers"
                               : count == 3 ? "an array of 3 numbers"
                                            : "an array of 4 numbers";
        if (value->getType() != Value::Type::VECTOR || value->asValueVector().size() != count) {
            return fail(key, expected);
        }
        std::vector<float> result;
        for (const Value& item : value->asValueVector()) {
            if (!isNumber(item)) {
                return fail(key, expected);
            }
            result.push_back(item.asFloat());
        }
        apply(result);
        return true;
    }

    bool color3(const std::string& key, const std::function<void(const Color3B&)>& apply) {
        return numbers(key, 3, [&](const std::vector<float>& v) {
            apply(Color3B(static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]),
                          static_cast<uint8_t>(v[2])));
        });
    }

    bool color4(const std::string& key, const std::function<void(const Color4B&)>& apply) {
        return numbers(key, 4, [&](const std::vector<float>& v) {
            apply(Color4B(static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]),
                          static_cast<uint8_t>(v[2]), static_cast<uint8_t>(v[3])));
        });
    }

    bool rect(const std::string& key, const std::function<void(const Rect&)>& apply) {
        return numbers(key, 4,
                       [&](const std::vector<float>& v) { apply(Rect(v[0], v[1], v[2], v[3])); });
    }

    // One of `names`; the index of the match.
    bool choice(const std::string& key, const std::vector<const char*>& names,
                const std::function<void(int)>& apply) {
        return string(key, [&](const std::string& text) {
            for (size_t i = 0; i < names.size(); ++i) {
                if (text == names[i]) {
                    apply(static_cast<int>(i));
                    return;
                }
            }
            fail(key, "one of the documented names");
        });
    }

private:
    const ValueMap& _map;
    std::string* _error;
    bool _failed = false;
};

TextHAlignment hAlignment(int index) {
    return static_cast<TextHAlignment>(index);
}
TextVAlignment vAlignment(int index) {
    return static_cast<TextVAlignment>(index);
}

const std::vector<const char*> kHAlignNames = {"left", "center", "right"};
const std::vector<const char*> kVAlignNames = {"top", "center", "bottom"};

Node* createOfType(const std::string& type) {
    if (type == "Node") {
        return LayoutNode::create();
    }
    if (type == "Sprite") {
        return LayoutSprite::create();
    }
    if (type == "Widget") {
        return ui::Widget::create();
    }
    if (type == "Layout") {
        return ui::Layout::create();
    }
    if (type == "Button") {
        return ui::Button::create();
    }
    if (type == "Text") {
        return ui::Text::create();
    }
    if (type == "ImageView") {
        return ui::ImageView::create();
    }
    if (type == "CheckBox") {
        return ui::CheckBox::create();
    }
    if (type == "Slider") {
        return ui::Slider::create();
    }
    if (type == "TextField") {
        return ui::TextField::create();
    }
    return nullptr;
}

// Properties that decide a renderer's content (and so a widget's natural size) come first.
void readContent(Node* node, NodeReader& r) {
    if (auto* sprite = dynamic_cast<Sprite*>(node)) {
        r.string("texture", [&](const std::string& file) { sprite->setTexture(file); });
        r.flag("flipX", [&](bool on) { sprite->setFlippedX(on); });
        r.flag("flipY", [&](bool on) { sprite->setFlippedY(on); });
    } else if (auto* layout = dynamic_cast<ui::Layout*>(node)) {
        r.number("layoutType", [&](float type) {
            if (type < 0.0f || type > 5.0f) {
                r.fail("layoutType", "0 to 5");
                return;
            }
            layout->setLayoutType(static_cast<int>(type));
        });
        r.flag("clipping", [&](bool on) { layout->setClippingEnabled(on); });
        r.color3("backgroundColor", [&](const Color3B& color) {
            layout->setBackGroundColorType(ui::Layout::BackGroundColorType::SOLID);
            layout->setBackGroundColor(color);
        });
        r.number("backgroundOpacity", [&](float opacity) {
            layout->setBackGroundColorOpacity(static_cast<uint8_t>(opacity));
        });
        r.flag("backgroundScale9", [&](bool on) { layout->setBackGroundImageScale9Enabled(on); });
        r.rect("backgroundCapInsets",
               [&](const Rect& insets) { layout->setBackGroundImageCapInsets(insets); });
        r.string("backgroundImage",
                 [&](const std::string& file) { layout->setBackGroundImage(file); });
    } else if (auto* button = dynamic_cast<ui::Button*>(node)) {
        r.flag("scale9", [&](bool on) { button->setScale9Enabled(on); });
        r.rect("capInsets", [&](const Rect& insets) { button->setCapInsets(insets); });
        r.string("normal", [&](const std::string& file) { button->loadTextureNormal(file); });
        r.string("pressed", [&](const std::string& file) { button->loadTexturePressed(file); });
        r.string("disabled", [&](const std::string& file) { button->loadTextureDisabled(file); });
        r.string("titleFontName", [&](const std::string& font) { button->setTitleFontName(font); });
        r.number("titleFontSize", [&](float size) { button->setTitleFontSize(size); });
        r.color3("titleColor", [&](const Color3B& color) { button->setTitleColor(color); });
        r.string("titleText", [&](const std::string& text) { button->setTitleText(text); });
        r.flag("pressedAction", [&](bool on) { button->setPressedActionEnabled(on); });
    } else if (auto* text = dynamic_cast<ui::Text*>(node)) {
        r.string("fontName", [&](const std::string& font) { text->setFontName(font); });
        r.number("fontSize", [&](float size) { text->setFontSize(size); });
        r.color4("textColor", [&](const Color4B& color) { text->setTextColor(color); });
        r.choice("hAlign", kHAlignNames,
                 [&](int i) { text->setTextHorizontalAlignment(hAlignment(i)); });
        r.choice("vAlign", kVAlignNames,
                 [&](int i) { text->setTextVerticalAlignment(vAlignment(i)); });
        r.numbers("textArea", 2, [&](const std::vector<float>& v) {
            text->ignoreContentAdaptWithSize(false);
            text->setContentSize(Size(v[0], v[1]));
        });
        r.color4("shadowColor", [&](const Color4B& color) {
            Size offset(2, -2);
            r.numbers("shadowOffset", 2,
                      [&](const std::vector<float>& v) { offset = Size(v[0], v[1]); });
            text->enableShadow(color, offset, 0);
        });
        r.flag("touchScaleChange", [&](bool on) { text->setTouchScaleChangeEnabled(on); });
        r.string("text", [&](const std::string& string) { text->setString(string); });
    } else if (auto* image = dynamic_cast<ui::ImageView*>(node)) {
        r.flag("scale9", [&](bool on) { image->setScale9Enabled(on); });
        r.rect("capInsets", [&](const Rect& insets) { image->setCapInsets(insets); });
        r.string("texture", [&](const std::string& file) { image->loadTexture(file); });
    } else if (auto* box = dynamic_cast<ui::CheckBox*>(node)) {
        r.string("background", [&](const std::string& file) { box->loadTextureBackGround(file); });
        r.string("cross", [&](const std::string& file) { box->loadTextureFrontCross(file); });
        r.flag("selected", [&](bool on) { box->setSelected(on); });
    } else if (auto* slider = dynamic_cast<ui::Slider*>(node)) {
        r.flag("scale9", [&](bool on) { slider->setScale9Enabled(on); });
        r.rect("capInsets", [&](const Rect& insets) { slider->setCapInsets(insets); });
        r.string("bar", [&](const std::string& file) { slider->loadBarTexture(file); });
        r.string("progressBar",
                 [&](const std::string& file) { slider->loadProgressBarTexture(file); });
        std::string balls[3];
        r.string("ball", [&](const std::string& file) { balls[0] = file; });
        r.string("ballPressed", [&](const std::string& file) { balls[1] = file; });
        r.string("ballDisabled", [&](const std::string& file) { balls[2] = file; });
        slider->loadSlidBallTextures(balls[0], balls[1], balls[2]);
        r.number("maxPercent",
                 [&](float percent) { slider->setMaxPercent(static_cast<int>(percent)); });
        r.number("percent", [&](float percent) { slider->setPercent(static_cast<int>(percent)); });
    } else if (auto* field = dynamic_cast<ui::TextField*>(node)) {
        r.string("fontName", [&](const std::string& font) { field->setFontName(font); });
        r.number("fontSize", [&](float size) { field->setFontSize(size); });
        r.color4("textColor", [&](const Color4B& color) { field->setTextColor(color); });
        r.color4("placeholderColor",
                 [&](const Color4B& color) { field->setPlaceHolderColor(color); });
        r.number("maxLength", [&](float length) {
            field->setMaxLengthEnabled(true);
            field->setMaxLength(static_cast<int>(length));
        });
        r.flag("password", [&](bool on) { field->setPasswordEnabled(on); });
        // A field template keeps the box it is given.
        if (r.find("size") != nullptr) {
            field->ignoreContentAdaptWithSize(false);
        }
        r.choice("hAlign", kHAlignNames,
                 [&](int i) { field->setTextHorizontalAlignment(hAlignment(i)); });
        r.string("placeholder", [&](const std::string& text) { field->setPlaceHolder(text); });
        r.string("text", [&](const std::string& text) { field->setString(text); });
    }
}

void readGeometry(Node* node, NodeReader& r) {
    r.string("name", [&](const std::string& name) { node->setName(name); });
    r.number("tag", [&](float tag) { node->setTag(static_cast<int>(tag)); });
    r.numbers("anchor", 2,
              [&](const std::vector<float>& v) { node->setAnchorPoint(Vec2(v[0], v[1])); });
    r.numbers("size", 2,
              [&](const std::vector<float>& v) { node->setContentSize(Size(v[0], v[1])); });
    r.numbers("position", 2,
              [&](const std::vector<float>& v) { node->setPosition(Vec2(v[0], v[1])); });
    const Value* scale = r.find("scale");
    if (scale != nullptr && isNumber(*scale)) {
        node->setScale(scale->asFloat());
    } else {
        r.numbers("scale", 2, [&](const std::vector<float>& v) { node->setScale(v[0], v[1]); });
    }
    r.number("rotation", [&](float degrees) { node->setRotation(degrees); });
    r.flag("visible", [&](bool on) { node->setVisible(on); });
    r.number("zOrder", [&](float z) { node->setLocalZOrder(static_cast<int>(z)); });
    r.color3("color", [&](const Color3B& color) { node->setColor(color); });
    r.number("opacity", [&](float opacity) { node->setOpacity(static_cast<uint8_t>(opacity)); });
}

void readWidget(ui::Widget* widget, NodeReader& r) {
    r.flag("touchEnabled", [&](bool on) { widget->setTouchEnabled(on); });
    r.flag("enabled", [&](bool on) { widget->setEnabled(on); });
    const Value* parameter = r.find("layoutParameter");
    if (parameter == nullptr) {
        return;
    }
    if (parameter->getType() != Value::Type::MAP) {
        r.fail("layoutParameter", "an object");
        return;
    }
    NodeReader p(parameter->asValueMap(), nullptr);
    ui::Margin margin;
    p.numbers("margin", 4,
              [&](const std::vector<float>& v) { margin = ui::Margin(v[0], v[1], v[2], v[3]); });
    std::string kind = "relative";
    p.string("type", [&](const std::string& text) { kind = text; });
    if (kind == "linear") {
        auto* linear = ui::LinearLayoutParameter::create();
        p.choice("gravity",
                 {"none", "left", "top", "right", "bottom", "centerVertical", "centerHorizontal"},
                 [&](int i) {
                     linear->setGravity(static_cast<ui::LinearLayoutParameter::LinearGravity>(i));
                 });
        linear->setMargin(margin);
        widget->setLayoutParameter(linear);
    } else if (kind == "relative") {
        auto* relative = ui::RelativeLayoutParameter::create();
        p.number("align", [&](float align) {
            if (align < 0.0f || align > 21.0f) {
                p.fail("align", "0 to 21");
                return;
            }
            relative->setAlign(
                static_cast<ui::RelativeLayoutParameter::RelativeAlign>(static_cast<int>(align)));
        });
        p.string("relativeName", [&](const std::string& text) { relative->setRelativeName(text); });
        p.string("relativeTo",
                 [&](const std::string& text) { relative->setRelativeToWidgetName(text); });
        relative->setMargin(margin);
        widget->setLayoutParameter(relative);
    } else {
        p.fail("type", "\"linear\" or \"relative\"");
    }
    if (p.failed()) {
        r.fail("layoutParameter", "a valid layout parameter");
    }
}

void readLayoutComponent(Node* node, NodeReader& r) {
    const Value* data = r.find("layout");
    if (data == nullptr) {
        return;
    }
    auto* holder = dynamic_cast<ui::LayoutComponentHolder*>(node);
    if (data->getType() != Value::Type::MAP || holder == nullptr) {
        r.fail("layout", "an object");
        return;
    }
    NodeReader c(data->asValueMap(), nullptr);
    ui::LayoutComponent* component = ui::LayoutComponent::create();
    c.choice("horizontalEdge", {"none", "left", "right", "center"}, [&](int i) {
        component->setHorizontalEdge(static_cast<ui::LayoutComponent::HorizontalEdge>(i));
    });
    c.choice("verticalEdge", {"none", "bottom", "top", "center"}, [&](int i) {
        component->setVerticalEdge(static_cast<ui::LayoutComponent::VerticalEdge>(i));
    });
    c.numbers("margin", 4, [&](const std::vector<float>& v) {
        component->setMargin(ui::Margin(v[0], v[1], v[2], v[3]));
    });
    c.numbers("percentPosition", 2, [&](const std::vector<float>& v) {
        component->setPercentPosition(Vec2(v[0], v[1]));
        component->setPositionPercentXEnabled(true);
        component->setPositionPercentYEnabled(true);
    });
    c.number("percentX", [&](float x) {
        component->setPercentPosition(Vec2(x, component->getPercentPosition().y));
        component->setPositionPercentXEnabled(true);
    });
    c.number("percentY", [&](float y) {
        component->setPercentPosition(Vec2(component->getPercentPosition().x, y));
        component->setPositionPercentYEnabled(true);
    });
    c.number("percentWidth", [&](float w) {
        component->setPercentContentSize(Vec2(w, component->getPercentContentSize().y));
        component->setPercentWidthEnabled(true);
    });
    c.number("percentHeight", [&](float h) {
        component->setPercentContentSize(Vec2(component->getPercentContentSize().x, h));
        component->setPercentHeightEnabled(true);
    });
    c.flag("stretchWidth", [&](bool on) { component->setStretchWidthEnabled(on); });
    c.flag("stretchHeight", [&](bool on) { component->setStretchHeightEnabled(on); });
    if (c.failed()) {
        r.fail("layout", "valid layout data");
        return;
    }
    holder->setLayoutComponent(component);
}

Node* buildNode(const Value& description, std::string* error, int depth) {
    if (description.getType() != Value::Type::MAP) {
        *error = "a node must be an object";
        return nullptr;
    }
    if (depth > 48) {
        *error = "nodes nested too deep";
        return nullptr;
    }
    NodeReader r(description.asValueMap(), error);
    std::string type;
    if (!r.string("type", [&](const std::string& text) { type = text; })) {
        r.fail("type", "a node type");
        return nullptr;
    }
    Node* node = createOfType(type);
    if (node == nullptr) {
        r.fail("type", "a known node type");
        return nullptr;
    }
    readContent(node, r);
    readGeometry(node, r);
    if (auto* widget = dynamic_cast<ui::Widget*>(node)) {
        readWidget(widget, r);
    }
    readLayoutComponent(node, r);
    if (r.failed()) {
        return nullptr;
    }
    const Value* children = r.find("children");
    if (children == nullptr) {
        return node;
    }
    if (children->getType() != Value::Type::VECTOR) {
        r.fail("children", "an array");
        return nullptr;
    }
    for (const Value& childDescription : children->asValueVector()) {
        Node* child = buildNode(childDescription, error, depth + 1);
        if (child == nullptr) {
            return nullptr;
        }
        node->addChild(child, child->getLocalZOrder());
    }
    return node;
}

}  // namespace

CSLoader* CSLoader::getInstance() {
    if (s_sharedLoader == nullptr) {
        s_sharedLoader = new CSLoader();
    }
    return s_sharedLoader;
}

void CSLoader::destroyInstance() {
    delete s_sharedLoader;
    s_sharedLoader = nullptr;
}

Node* CSLoader::createNode(const std::string& filename) {
    return getInstance()->load(filename, false);
}

Node* CSLoader::createNode(const std::string& filename, bool useCache) {
    return getInstance()->load(filename, useCache);
}

Node* CSLoader::load(const std::string& filename, bool useCache) {
    std::string error;
    if (useCache) {
        auto cached = _cache.find(filename);
        if (cached != _cache.end()) {
            return build(cached->second, &error);
        }
    }
    const std::string text = FileUtils::getInstance()->getStringFromFile(filename);
    if (text.empty()) {
        CCLOG("layout file %s: missing or empty", filename.c_str());
        return nullptr;
    }
    Value document;
    if (!JsonReader::parse(text, &document, &error)) {
        CCLOG("layout file %s: %s", filename.c_str(), error.c_str());
        return nullptr;
    }
    Node* node = build(document, &error);
    if (node == nullptr) {
        CCLOG("layout file %s: %s", filename.c_str(), error.c_str());
        return nullptr;
    }
    if (useCache) {
        _cache[filename] = std::move(document);
    }
    return node;
}

Node* CSLoader::createNodeFromText(const std::string& text, std::string* error) {
    std::string reason;
    Value document;
    Node* node = JsonReader::parse(text, &document, &reason) ? build(document, &reason) : nullptr;
    if (node == nullptr && error != nullptr) {
        *error = reason;
    }
    return node;
}

Node* CSLoader::build(const Value& document, std::string* error) {
    if (document.getType() != Value::Type::MAP) {
        *error = "the document must be an object";
        return nullptr;
    }
    const ValueMap& map = document.asValueMap();
    auto version = map.find("version");
    if (version == map.end() || !isNumber(version->second) ||
        version->second.asInt() != kFormatVersion) {
        *error = StringUtils::format("\"version\" must be %d", kFormatVersion);
        return nullptr;
    }
    auto root = map.find("root");
    if (root == map.end()) {
        *error = "the document has no \"root\"";
        return nullptr;
    }
    return buildNode(root->second, error, 0);
}

}  // namespace cocos2d
