#pragma once
// Everything the data file's loaders build: the resource tables, indexed exactly
// as the file's pointer lists (an empty slot is a null entry), and the general state.
#include <memory>
#include <string>
#include <vector>

#include "data/game_data.h"
#include "data/general.h"
#include "extension/extension.h"
#include "graphics/background.h"
#include "graphics/font.h"
#include "graphics/sprite.h"
#include "graphics/texture_page.h"
#include "object/object.h"
#include "object/timeline.h"
#include "path/path.h"
#include "room/room.h"
#include "sound/sound.h"
#include "vm/code_table.h"
#include "vm/script.h"

template <typename T>
using ResourceTable = std::vector<std::unique_ptr<T>>;

struct CGameResources {
    int formatVersion = 800;

    // STRG: offsets of the string records (u32 length, characters, zero).
    std::vector<uint32_t> strings;

    CGeneralHeader header;
    COptions options;
    std::vector<std::unique_ptr<CExtensionPackage>> extensions;
    std::vector<uint32_t> includedFiles;  // DAFL entry offsets

    ResourceTable<CSound> sounds;
    std::vector<uint32_t> audio;  // AUDO entry offsets (u32 length, then the bytes)
    ResourceTable<CSprite> sprites;
    ResourceTable<CBackground> backgrounds;
    ResourceTable<CPath> paths;
    ResourceTable<CScript> scripts;
    ResourceTable<CFontZV> fonts;
    uint32_t fontCharTableOffset = 0;  // the 256 u16 codes that end the FONT body
    ResourceTable<CTimeLine> timelines;
    ResourceTable<CObject> objects;
    ResourceTable<CRoom> rooms;
    CTexturePages texturePages;

    CCodeTable code;
    CDebugInfo debugInfo;

    // The string table entry `index` as text; nullptr when out of range.
    const char* StringAt(const CGameData& data, uint32_t index) const {
        return index < strings.size() && strings[index] ? data.Text(strings[index] + 4) : nullptr;
    }
};
