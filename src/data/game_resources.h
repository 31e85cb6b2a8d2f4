#pragma once
// Everything the data file's loaders build: the resource tables, indexed exactly
// as the file's pointer lists (an empty slot is a null entry), and the general state.
//
// The records belong to the layers that give them behaviour (sprites to graphics, rooms
// to room, ...), so the tables hold them as forward-declared types: a layer includes
// the header of the records it reads. The loader (load/), which knows every record,
// makes and frees the tables and answers name lookups across them.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/code_table.h"
#include "data/game_data.h"
#include "data/general.h"
#include "data/texture_page.h"

class CExtensionPackage;
class CSound;
class CSprite;
class CBackground;
class CPath;
class CScript;
class CFontZV;
class CTimeLine;
class CObject;
class CRoom;

template <typename T>
using ResourceTable = std::vector<std::unique_ptr<T>>;

struct CGameResources {
    CGameResources();
    ~CGameResources();
    CGameResources(CGameResources&&);
    CGameResources& operator=(CGameResources&&);

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

    // The index of the object, sprite, sound, background, path, font, time line, script
    // or room named `name` (searched in that order), or -1.
    int FindName(std::string_view name) const;

    // The string table entry `index` as text; nullptr when out of range.
    const char* StringAt(const CGameData& data, uint32_t index) const {
        return index < strings.size() && strings[index] ? data.Text(strings[index] + 4) : nullptr;
    }
};
