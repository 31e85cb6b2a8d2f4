#include "io/json_doc.h"
#include "io/utf8.h"

#include <json-c/json.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

void CJsonDoc::Release::operator()(json_object* o) const { json_object_put(o); }

CJsonDoc::CJsonDoc() = default;
CJsonDoc::~CJsonDoc() = default;

namespace {

int LineAtOffset(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
}

}  // namespace

// Walks text that json-c has already accepted, in step with the tree json-c built,
// and notes where each key and value starts. Because the text is known to be valid,
// the scan only has to tell the token kinds apart, never to diagnose them.
class CJsonLineScanner {
public:
    CJsonLineScanner(CJsonDoc& doc, const std::string& text, CLineErrors& errors)
        : doc_(doc), s_(text), errors_(errors) {}

    void Run() {
        Skip();
        Value(doc_.root_.get());
    }
    bool Duplicates() const { return duplicates_; }

private:
    void Skip() {
        for (;;) {
            while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n' ||
                                      s_[p_] == '\f' || s_[p_] == '\v'))
                Advance();
            if (p_ + 1 < s_.size() && s_[p_] == '/' && s_[p_ + 1] == '*') {
                Advance(), Advance();
                while (p_ < s_.size() && !(s_[p_] == '*' && p_ + 1 < s_.size() && s_[p_ + 1] == '/')) Advance();
                if (p_ < s_.size()) Advance(), Advance();
            } else if (p_ + 1 < s_.size() && s_[p_] == '/' && s_[p_ + 1] == '/') {
                while (p_ < s_.size() && s_[p_] != '\n') Advance();
            } else {
                return;
            }
        }
    }
    void Advance() {
        if (s_[p_] == '\n') ++line_;
        ++p_;
    }
    char Peek() const { return p_ < s_.size() ? s_[p_] : '\0'; }

    // A quoted string; returns its decoded text (keys are looked up by it).
    std::string String() {
        std::string out;
        char quote = Peek();
        Advance();
        while (p_ < s_.size() && s_[p_] != quote) {
            if (s_[p_] == '\\' && p_ + 1 < s_.size()) {
                Advance();
                char e = s_[p_];
                Advance();
                switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    uint32_t cp = 0;
                    for (int k = 0; k < 4 && p_ < s_.size() && std::isxdigit(uint8_t(s_[p_])); ++k) {
                        char c = s_[p_];
                        cp = cp * 16 + uint32_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
                        Advance();
                    }
                    Utf8_Append(out, cp);
                    break;
                }
                default: out += e; break;
                }
            } else {
                out += s_[p_];
                Advance();
            }
        }
        if (p_ < s_.size()) Advance();
        return out;
    }

    void Value(json_object* v) {
        if (v) doc_.valueLines_[v] = line_;
        char c = Peek();
        if (c == '{') {
            Advance();
            std::vector<std::string> seen;
            for (;;) {
                Skip();
                if (Peek() == '}' || Peek() == '\0') break;
                int keyLine = line_;
                std::string key = String();
                Skip();
                if (Peek() == ':') Advance();
                Skip();
                json_object* child = nullptr;
                if (json_object_is_type(v, json_type_object)) json_object_object_get_ex(v, key.c_str(), &child);
                if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
                    errors_.Add(doc_.file_, keyLine, "key \"" + key + "\" is given twice in the same object");
                    duplicates_ = true;
                    child = nullptr;  // that value is the later one's; do not mix up their lines
                } else {
                    seen.push_back(key);
                    if (v) doc_.keyLines_[{v, key}] = keyLine;
                }
                Value(child);
                Skip();
                if (Peek() == ',') Advance();
            }
            if (Peek() == '}') Advance();
        } else if (c == '[') {
            Advance();
            size_t index = 0;
            std::vector<int>* lines = v ? &doc_.elementLines_[v] : nullptr;
            for (;;) {
                Skip();
                if (Peek() == ']' || Peek() == '\0') break;
                if (lines) lines->push_back(line_);
                json_object* child =
                    json_object_is_type(v, json_type_array) ? json_object_array_get_idx(v, index) : nullptr;
                ++index;
                Value(child);
                Skip();
                if (Peek() == ',') Advance();
            }
            if (Peek() == ']') Advance();
        } else if (c == '"' || c == '\'') {
            String();
        } else {
            // A number or a literal word: runs to the next delimiter.
            while (p_ < s_.size() && !std::strchr(",]}: \t\r\n/\"'", s_[p_])) Advance();
        }
    }

    CJsonDoc& doc_;
    const std::string& s_;
    CLineErrors& errors_;
    size_t p_ = 0;
    int line_ = 1;
    bool duplicates_ = false;
};

bool CJsonDoc::Parse(const std::string& file, const std::string& text, CLineErrors& errors) {
    file_ = file;
    root_.reset();
    valueLines_.clear();
    keyLines_.clear();
    elementLines_.clear();

    size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        errors.Add(file, LineAtOffset(text, nul), "the file holds a zero byte; it is not a text file");
        return false;
    }
    json_tokener* tok = json_tokener_new();
    if (!tok) {
        errors.Add(file, 0, "out of memory");
        return false;
    }
    json_tokener_set_flags(tok, JSON_TOKENER_VALIDATE_UTF8);
    // Passing the terminating zero tells the tokener that the text ends there.
    json_object* root = json_tokener_parse_ex(tok, text.c_str(), int(text.size() + 1));
    json_tokener_error err = json_tokener_get_error(tok);
    size_t end = json_tokener_get_parse_end(tok);
    json_tokener_free(tok);
    if (err != json_tokener_success) {
        if (root) json_object_put(root);
        std::string what = err == json_tokener_continue ? "the file ends inside a value" : json_tokener_error_desc(err);
        errors.Add(file, LineAtOffset(text, end), "JSON syntax error: " + what);
        return false;
    }
    root_.reset(root);

    // Anything but blanks and comments behind the document is a mistake (a second
    // top-level value, a stray bracket); the tokener stops at the first value's end.
    size_t p = std::min(end, text.size());
    while (p < text.size()) {
        char c = text[p];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0') {
            ++p;
        } else if (c == '/' && p + 1 < text.size() && text[p + 1] == '/') {
            while (p < text.size() && text[p] != '\n') ++p;
        } else if (c == '/' && p + 1 < text.size() && text[p + 1] == '*') {
            size_t close = text.find("*/", p + 2);
            p = close == std::string::npos ? text.size() : close + 2;
        } else {
            errors.Add(file, LineAtOffset(text, p), "JSON syntax error: unexpected text after the end of the document");
            root_.reset();
            return false;
        }
    }

    CJsonLineScanner scanner(*this, text, errors);
    scanner.Run();
    if (scanner.Duplicates()) {
        root_.reset();
        return false;
    }
    return true;
}

int CJsonDoc::ValueLine(const json_object* value) const {
    auto it = valueLines_.find(value);
    return it == valueLines_.end() ? 0 : it->second;
}

int CJsonDoc::KeyLine(const json_object* object, const std::string& key) const {
    auto it = keyLines_.find({object, key});
    return it == keyLines_.end() ? ValueLine(object) : it->second;
}

int CJsonDoc::ElementLine(const json_object* array, size_t index) const {
    auto it = elementLines_.find(array);
    if (it == elementLines_.end() || index >= it->second.size()) return ValueLine(array);
    return it->second[index];
}

// ---- value helpers ---------------------------------------------------------------

bool Json_IsObject(const json_object* v) { return json_object_is_type(v, json_type_object); }
bool Json_IsArray(const json_object* v) { return json_object_is_type(v, json_type_array); }
bool Json_IsString(const json_object* v) { return json_object_is_type(v, json_type_string); }
bool Json_IsNumber(const json_object* v) {
    return json_object_is_type(v, json_type_int) || json_object_is_type(v, json_type_double);
}
size_t Json_ArrayLength(const json_object* v) { return Json_IsArray(v) ? json_object_array_length(v) : 0; }
json_object* Json_ArrayAt(const json_object* v, size_t i) {
    return i < Json_ArrayLength(v) ? json_object_array_get_idx(v, i) : nullptr;
}
std::string Json_StringValue(const json_object* v) {
    if (!Json_IsString(v)) return {};
    return std::string(json_object_get_string(const_cast<json_object*>(v)), size_t(json_object_get_string_len(v)));
}

bool Json_NumberValue(const json_object* v, double& out) {
    if (json_object_is_type(v, json_type_int)) {
        out = double(json_object_get_int64(v));
        return true;
    }
    if (json_object_is_type(v, json_type_double)) {
        double d = json_object_get_double(v);
        if (!std::isfinite(d)) return false;
        out = d;
        return true;
    }
    return false;
}

const char* Json_TypeWord(const json_object* v) {
    switch (json_object_get_type(v)) {
    case json_type_null: return "null";
    case json_type_boolean: return "a true/false value";
    case json_type_double:
    case json_type_int: return "a number";
    case json_type_object: return "an object";
    case json_type_array: return "an array";
    case json_type_string: return "a string";
    }
    return "a value";
}

std::vector<std::string> Json_Keys(const json_object* v) {
    std::vector<std::string> keys;
    if (!Json_IsObject(v)) return keys;
    json_object_object_foreach(const_cast<json_object*>(v), key, value) {
        (void)value;
        keys.emplace_back(key);
    }
    return keys;
}

namespace {

struct NamedColour {
    const char* name;
    uint32_t bgr;
};
// The engine's colour constants, so that a manifest reads like the scripts do.
constexpr NamedColour kColours[] = {
    {"c_aqua", 16776960}, {"c_black", 0},        {"c_blue", 16711680},  {"c_dkgray", 4210752},  {"c_fuchsia", 16711935},
    {"c_gray", 8421504},  {"c_green", 32768},    {"c_lime", 65280},     {"c_ltgray", 12632256}, {"c_maroon", 128},
    {"c_navy", 8388608},  {"c_olive", 32896},    {"c_purple", 8388736}, {"c_red", 255},         {"c_silver", 12632256},
    {"c_teal", 8421376},  {"c_white", 16777215}, {"c_yellow", 65535},   {"c_orange", 4235519},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool Json_ParseColour(const json_object* v, uint32_t& out) {
    if (Json_IsString(v)) {
        std::string s = Json_StringValue(v);
        if (s.size() == 7 && s[0] == '#') {
            uint32_t rgb = 0;
            for (size_t i = 1; i < 7; ++i) {
                int d = HexDigit(s[i]);
                if (d < 0) return false;
                rgb = rgb << 4 | uint32_t(d);
            }
            // "#RRGGBB" as people write it; the engine keeps blue in the high byte.
            out = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
            return true;
        }
        for (const NamedColour& c : kColours)
            if (s == c.name) {
                out = c.bgr;
                return true;
            }
        return false;
    }
    double d = 0;
    if (json_object_is_type(v, json_type_int) && Json_NumberValue(v, d) && d >= 0 && d <= 0xFFFFFF) {
        out = uint32_t(d);
        return true;
    }
    return false;
}

// ---- field reader ----------------------------------------------------------------

CJsonFields::CJsonFields(const CJsonDoc& doc, CLineErrors& errors, json_object* object, int line, std::string what)
    : doc_(doc),
      errors_(errors),
      object_(Json_IsObject(object) ? object : nullptr),
      line_(line),
      what_(std::move(what)) {}

int CJsonFields::Line(const char* key) const { return object_ ? doc_.KeyLine(object_, key) : line_; }

bool CJsonFields::Has(const char* key) const {
    json_object* v = nullptr;
    return object_ && json_object_object_get_ex(object_, key, &v) && v != nullptr;
}

json_object* CJsonFields::Get(const char* key) {
    if (std::find(used_.begin(), used_.end(), key) == used_.end()) used_.emplace_back(key);
    json_object* v = nullptr;
    if (!object_ || !json_object_object_get_ex(object_, key, &v)) return nullptr;
    return v;
}

void CJsonFields::Error(const char* key, const std::string& message) const {
    errors_.Add(doc_.File(), Line(key), what_ + ": " + message);
}

void CJsonFields::Error(const std::string& message) const { errors_.Add(doc_.File(), line_, what_ + ": " + message); }

bool CJsonFields::Int(const char* key, int64_t& out, int64_t lo, int64_t hi) {
    json_object* v = Get(key);
    if (!v) return false;
    double d = 0;
    if (!Json_NumberValue(v, d) || d != std::floor(d)) {
        Error(key, std::string("\"") + key + "\" must be a whole number, not " +
                       (Json_IsNumber(v) ? "a fraction" : Json_TypeWord(v)));
        return false;
    }
    if (d < double(lo) || d > double(hi)) {
        Error(key, std::string("\"") + key + "\" must be between " + std::to_string(lo) + " and " + std::to_string(hi));
        return false;
    }
    out = json_object_is_type(v, json_type_int) ? json_object_get_int64(v) : int64_t(d);
    return true;
}

bool CJsonFields::Int(const char* key, int32_t& out, int64_t lo, int64_t hi) {
    int64_t v = 0;
    if (!Int(key, v, lo, hi)) return false;
    out = int32_t(v);
    return true;
}

bool CJsonFields::Uint(const char* key, uint32_t& out, int64_t lo, int64_t hi) {
    int64_t v = 0;
    if (!Int(key, v, lo, hi)) return false;
    out = uint32_t(v);
    return true;
}

bool CJsonFields::Number(const char* key, double& out) {
    json_object* v = Get(key);
    if (!v) return false;
    if (!Json_NumberValue(v, out)) {
        Error(key, std::string("\"") + key + "\" must be a finite number, not " + Json_TypeWord(v));
        return false;
    }
    return true;
}

bool CJsonFields::Float(const char* key, float& out) {
    double d = 0;
    if (!Number(key, d)) return false;
    if (std::fabs(d) > 3.0e38) {
        Error(key, std::string("\"") + key + "\" is too large");
        return false;
    }
    out = float(d);
    return true;
}

bool CJsonFields::Bool(const char* key, bool& out) {
    json_object* v = Get(key);
    if (!v) return false;
    if (!json_object_is_type(v, json_type_boolean)) {
        Error(key, std::string("\"") + key + "\" must be true or false, not " + Json_TypeWord(v));
        return false;
    }
    out = json_object_get_boolean(v) != 0;
    return true;
}

bool CJsonFields::Flag(const char* key, uint32_t& out) {
    bool b = out != 0;
    if (!Bool(key, b)) return false;
    out = b ? 1 : 0;
    return true;
}

bool CJsonFields::String(const char* key, std::string& out) {
    json_object* v = Get(key);
    if (!v) return false;
    if (!Json_IsString(v)) {
        Error(key, std::string("\"") + key + "\" must be a string, not " + Json_TypeWord(v));
        return false;
    }
    out = Json_StringValue(v);
    return true;
}

bool CJsonFields::Colour(const char* key, uint32_t& out) {
    json_object* v = Get(key);
    if (!v) return false;
    if (!Json_ParseColour(v, out)) {
        Error(key, std::string("\"") + key + "\" must be a colour: \"#RRGGBB\", a c_ colour name or a number");
        return false;
    }
    return true;
}

void CJsonFields::CheckUnknown() {
    for (const std::string& key : Json_Keys(object_))
        if (std::find(used_.begin(), used_.end(), key) == used_.end())
            Error(key.c_str(), "unknown field \"" + key + "\"");
}
