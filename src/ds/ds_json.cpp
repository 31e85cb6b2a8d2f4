#include "ds/ds_json.h"

#include <json-c/json.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "ds/ds_structures.h"

namespace {

// --- decoding --------------------------------------------------------------------------------

// The whole text as one JSON value, or null (trailing text is an error too).
json_object* ParseWhole(const std::string& text) {
    json_tokener* tok = json_tokener_new();
    if (tok == nullptr) return nullptr;
    json_object* obj = json_tokener_parse_ex(tok, text.c_str(), int(text.size()));
    const bool whole = obj != nullptr && json_tokener_get_error(tok) == json_tokener_success &&
                       size_t(json_tokener_get_parse_end(tok)) == text.size();
    json_tokener_free(tok);
    if (whole) return obj;
    json_object_put(obj);
    return nullptr;
}

std::string Wrapped(std::string_view text) { return "{ \"default\" : \"" + std::string(text) + "\" }"; }

int NewMapFrom(json_object* obj);
int NewListFrom(json_object* array);

// A JSON value as a stored value; false for null, which is left out.
bool Convert(json_object* v, DSValue& out) {
    switch (json_object_get_type(v)) {
    case json_type_null: return false;
    case json_type_boolean: out.SetReal(json_object_get_boolean(v) ? 1 : 0); break;
    case json_type_double:
    case json_type_int: out.SetReal(json_object_get_double(v)); break;
    case json_type_string:
        out.SetString(std::string_view(json_object_get_string(v), size_t(json_object_get_string_len(v))));
        break;
    case json_type_object:
        out.SetReal(NewMapFrom(v));
        out.nested = DSNested::Map;
        break;
    case json_type_array:
        out.SetReal(NewListFrom(v));
        out.nested = DSNested::List;
        break;
    }
    return true;
}

// json-c refuses nesting deeper than its limit, so the recursion is bounded.
int NewMapFrom(json_object* obj) {
    const int id = DS_Table<CDS_Map>().Create();
    if (id < 0) return -1;
    json_object_object_foreach(obj, key, value) {
        DSValue v;
        if (!Convert(value, v)) continue;
        // Found again: the table may have grown while the members were converted.
        DS_Table<CDS_Map>().Find(id)->Add(CValue(std::string_view(key)), v);
    }
    return id;
}

int NewListFrom(json_object* array) {
    const int id = DS_Table<CDS_List>().Create();
    if (id < 0) return -1;
    const size_t n = json_object_array_length(array);
    for (size_t i = 0; i < n; ++i) {
        DSValue v;
        if (Convert(json_object_array_get_idx(array, i), v)) DS_Table<CDS_List>().Find(id)->Add(v);
    }
    return id;
}

// --- encoding --------------------------------------------------------------------------------

json_object* EncodeMap(const CDS_Map& map, std::vector<const void*>& path);
json_object* EncodeList(const CDS_List& list, std::vector<const void*>& path);

bool OnPath(const std::vector<const void*>& path, const void* p) {
    for (const void* q : path)
        if (q == p) return true;
    return false;
}

// A structure that holds itself (a copy can make one) is written as null where it
// comes round again.
json_object* EncodeValue(const DSValue& v, std::vector<const void*>& path) {
    if (v.IsString()) return json_object_new_string_len(v.Text(), int(std::string_view(v.Text()).size()));
    if (!v.IsReal()) return nullptr;
    const int id = std::isfinite(v.val) && std::fabs(v.val) < 2147483648.0 ? int(v.val) : -1;
    if (v.nested == DSNested::Map) {
        const CDS_Map* m = DS_Table<CDS_Map>().Find(id);
        return m != nullptr && !OnPath(path, m) ? EncodeMap(*m, path) : nullptr;
    }
    if (v.nested == DSNested::List) {
        const CDS_List* l = DS_Table<CDS_List>().Find(id);
        return l != nullptr && !OnPath(path, l) ? EncodeList(*l, path) : nullptr;
    }
    return json_object_new_double(v.val);
}

json_object* EncodeMap(const CDS_Map& map, std::vector<const void*>& path) {
    path.push_back(&map);
    json_object* obj = json_object_new_object();
    map.ForEach([&](const DSValue& key, const DSValue& value) {
        std::string name;
        if (key.IsString()) {
            name = key.Text();
        } else {
            char number[32];
            const double whole = std::trunc(key.val);
            std::snprintf(number, sizeof number, "%.0f", std::isfinite(whole) ? whole : 0.0);
            name = number;
        }
        json_object_object_add(obj, name.c_str(), EncodeValue(value, path));
    });
    path.pop_back();
    return obj;
}

json_object* EncodeList(const CDS_List& list, std::vector<const void*>& path) {
    path.push_back(&list);
    json_object* array = json_object_new_array();
    for (const DSValue& v : list.Items()) json_object_array_add(array, EncodeValue(v, path));
    path.pop_back();
    return array;
}

}  // namespace

int DS_JsonDecode(const CValue& value) {
    std::string text;
    if (value.IsReal()) {
        char number[512];
        std::snprintf(number, sizeof number, "%.2f", value.val);
        text = Wrapped(number);
    } else {
        const std::string_view raw = value.Text();
        size_t b = 0, e = raw.size();
        while (b < e && std::isspace(static_cast<unsigned char>(raw[b]))) ++b;
        while (e > b && std::isspace(static_cast<unsigned char>(raw[e - 1]))) --e;
        text = e > b && raw[b] == '{' && raw[e - 1] == '}' ? std::string(raw) : Wrapped(raw);
    }
    json_object* obj = ParseWhole(text);
    if (obj == nullptr && value.IsString()) obj = ParseWhole(Wrapped(value.Text()));
    if (obj == nullptr) return -1;
    const int id = json_object_get_type(obj) == json_type_object ? NewMapFrom(obj) : -1;
    json_object_put(obj);
    return id;
}

std::string DS_JsonEncode(int mapId) {
    const CDS_Map* map = DS_Table<CDS_Map>().Find(mapId);
    if (map == nullptr) return std::string();
    std::vector<const void*> path;
    json_object* obj = EncodeMap(*map, path);
    std::string out = json_object_to_json_string(obj);
    json_object_put(obj);
    return out;
}
