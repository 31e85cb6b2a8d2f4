#pragma once
// A hand-written JSON file (the project manifest, a sprite or background description)
// as a document. json-c parses it (comments and trailing commas are accepted, which
// keeps hand-written files and their diffs tidy); a second scan over the text remembers
// the line of every key and value, so that a complaint about any field can name the line
// it sits on. The second scan also finds keys given twice, which json-c silently collapses.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/line_errors.h"

struct json_object;

class CJsonDoc {
public:
    CJsonDoc();
    ~CJsonDoc();
    CJsonDoc(const CJsonDoc&) = delete;
    CJsonDoc& operator=(const CJsonDoc&) = delete;

    // Parses `text`; `file` is the name that errors carry. False after recording the
    // syntax error (or a duplicate key) in `errors`.
    bool Parse(const std::string& file, const std::string& text, CLineErrors& errors);

    json_object* Root() const { return root_.get(); }
    const std::string& File() const { return file_; }

    // 1-based lines; 0 when unknown. A null value has no json_object, so its line is
    // found through the key or the array slot that holds it.
    int ValueLine(const json_object* value) const;
    int KeyLine(const json_object* object, const std::string& key) const;
    int ElementLine(const json_object* array, size_t index) const;

private:
    friend class CJsonLineScanner;
    struct Release {
        void operator()(json_object* o) const;
    };
    std::unique_ptr<json_object, Release> root_;
    std::string file_;
    std::unordered_map<const json_object*, int> valueLines_;
    std::map<std::pair<const json_object*, std::string>, int> keyLines_;
    std::unordered_map<const json_object*, std::vector<int>> elementLines_;
};

// One JSON object of the file read field by field. Every getter leaves `out`
// untouched when the key is absent or null (so callers preset the default) and
// records an error naming the key's line when the value has the wrong type or range.
// Keys that were never asked for are reported by CheckUnknown: a misspelt field is
// an error, not a silently ignored default.
class CJsonFields {
public:
    // `object` must be a JSON object (or null, read as an empty one); `what` names it
    // in messages ("sprite spr_player").
    CJsonFields(const CJsonDoc& doc, CLineErrors& errors, json_object* object, int line, std::string what);

    const CJsonDoc& Doc() const { return doc_; }
    CLineErrors& Errors() const { return errors_; }
    json_object* Object() const { return object_; }
    const std::string& What() const { return what_; }
    int Line() const { return line_; }
    // The key's line when present, else the object's.
    int Line(const char* key) const;

    // Present and not null. Does not mark the key as used.
    bool Has(const char* key) const;
    // The raw value (null when absent or null); marks the key as used.
    json_object* Get(const char* key);

    bool Int(const char* key, int64_t& out, int64_t lo, int64_t hi);
    bool Int(const char* key, int32_t& out, int64_t lo = INT32_MIN, int64_t hi = INT32_MAX);
    bool Uint(const char* key, uint32_t& out, int64_t lo = 0, int64_t hi = UINT32_MAX);
    bool Number(const char* key, double& out);
    bool Float(const char* key, float& out);
    bool Bool(const char* key, bool& out);
    bool Flag(const char* key, uint32_t& out);  // a bool stored as 0 / 1
    bool String(const char* key, std::string& out);
    // Colour: "#RRGGBB", a colour constant name (c_white ...) or a whole number in
    // the engine's 0xBBGGRR order. The result is 0x00BBGGRR.
    bool Colour(const char* key, uint32_t& out);

    // Records "<what>: <message>" at the key's line.
    void Error(const char* key, const std::string& message) const;
    void Error(const std::string& message) const;

    // Records an error for every key that no getter asked for.
    void CheckUnknown();

private:
    const CJsonDoc& doc_;
    CLineErrors& errors_;
    json_object* object_;
    int line_;
    std::string what_;
    std::vector<std::string> used_;
};

// Helpers over json-c values, for the places that read arrays and mixed forms.
bool Json_IsObject(const json_object* v);
bool Json_IsArray(const json_object* v);
bool Json_IsString(const json_object* v);
bool Json_IsNumber(const json_object* v);
size_t Json_ArrayLength(const json_object* v);
json_object* Json_ArrayAt(const json_object* v, size_t i);
std::string Json_StringValue(const json_object* v);
// A finite number (int or double); false for anything else.
bool Json_NumberValue(const json_object* v, double& out);
// The type as a word for messages ("a string", "an array").
const char* Json_TypeWord(const json_object* v);
// The keys of an object in the order the file gives them.
std::vector<std::string> Json_Keys(const json_object* v);
// A colour as "#RRGGBB", c_ name or number; false when it is none of these.
bool Json_ParseColour(const json_object* v, uint32_t& out);
