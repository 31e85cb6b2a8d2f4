// JSON text to maps and back, run through the machine: nested objects and arrays become
// maps and lists of their own, nulls are left out, and encoding writes the nesting back.
#include <string>

#include "function/call_table.h"

namespace {

using JsonTest = CallTableTest;

TEST_F(JsonTest, DecodeBuildsNestedMapsAndLists) {
    RunTable({
        // map 0 with map 1 under "e", list 0 under "g" holding map 2
        {"json_decode",
         {S(R"( {"a": 1, "b": "x", "c": true, "d": null, "e": {"f": 2.5}, "g": [1, "two", {"h": 3}, null]} )")},
         R(0)},
        {"ds_map_size", {R(0)}, R(5)},  // "d" is null: left out
        {"ds_map_find_value", {R(0), S("a")}, R(1)},
        {"ds_map_find_value", {R(0), S("b")}, S("x")},
        {"ds_map_find_value", {R(0), S("c")}, R(1)},
        {"ds_map_find_value", {R(0), S("e")}, R(1)},
        {"ds_map_find_value", {R(1), S("f")}, R(2.5)},
        {"ds_map_find_value", {R(0), S("g")}, R(0)},
        {"ds_list_size", {R(0)}, R(3)},
        {"ds_list_find_value", {R(0), R(1)}, S("two")},
        {"ds_list_find_value", {R(0), R(2)}, R(2)},
        {"ds_map_find_value", {R(2), S("h")}, R(3)},
        // What is not an object is kept under "default".
        {"json_decode", {S("hello")}, R(3)},
        {"ds_map_find_value", {R(3), S("default")}, S("hello")},
        {"json_decode", {R(3.14159)}, R(4)},
        {"ds_map_find_value", {R(4), S("default")}, S("3.14")},
        {"json_decode", {S("{bad")}, R(5)},
        {"ds_map_find_value", {R(5), S("default")}, S("{bad")},
        // An object that does not parse, and whose text cannot be held either.
        {"json_decode", {S(R"({"a": })")}, R(-1)},
        {"json_decode", {S(R"({"a": 1} trailing })")}, R(-1)},
    });
}

TEST_F(JsonTest, EncodeWritesTheNestingBack) {
    RunTable({
        {"json_decode", {S(R"({"list": [1, "two", {"x": "y"}], "map": {"k": true}})")}, R(0)},
        // Entries in the map's order (by key hash: "map" is in bucket 1348, "list" in 2023),
        // numbers as json-c writes reals.
        {"json_encode", {R(0)}, S(R"({ "map": { "k": 1.0 }, "list": [ 1.0, "two", { "x": "y" } ] })")},
        // A value the game stores itself is a plain number, even if it names a map.
        {"ds_map_add", {R(0), S("plain"), R(1)}, R(1)},
        {"ds_map_delete", {R(0), S("list")}, R(0)},
        {"ds_map_delete", {R(0), S("map")}, R(0)},
        {"json_encode", {R(0)}, S(R"({ "plain": 1.0 })")},
        {"json_encode", {R(99)}, S("")},  // no such map: the empty text, no error
    });
}

// A copy can make a map hold itself; encoding writes null where it comes round again
// rather than recursing for ever.
TEST_F(JsonTest, AMapThatHoldsItselfEncodesOnce) {
    RunTable({
        {"json_decode", {S(R"({"m": {"a": 1}})")}, R(0)},
        {"ds_map_copy", {R(1), R(0)}, R(0)},  // map 1 now holds "m" marked as map 1
        {"json_encode", {R(1)}, S(R"({ "m": null })")},
        {"json_encode", {R(0)}, S(R"({ "m": { "m": null } })")},
    });
}

}  // namespace
