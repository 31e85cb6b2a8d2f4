#pragma once
// JSON text to and from maps: objects become maps and arrays lists, nested ones marked
// in their parent so that encoding writes them back as objects and arrays.
#include <string>

#include "value/value.h"

// The id of a new map holding the JSON object of `value` (a real, or a text that is
// not an object, is held under the key "default"), or -1 when it cannot be read.
int DS_JsonDecode(const CValue& value);
// The JSON text of the map with that id; the empty text when there is none.
std::string DS_JsonEncode(int mapId);
