#pragma once
// The data file's passes over its chunks.
//
// Every pass returns false with `error` set to one line ("Corrupt game data: ...")
// when the file breaks its own structure; the main pass also returns false, with
// `error` empty, when it meets a chunk it does not know (the game is then not started).
#include <string>

#include "data/game_data.h"
#include "data/game_resources.h"

// FORM header, size word and the chunk layout: run before any pass.
bool DataFile_CheckContainer(const CGameData& data, std::string& error);

// Before the window exists: strings, general header, code table, variable links.
bool DataFile_HeaderPass(CGameData& data, CGameResources& res, std::string& error);

// After the graphics device exists: every chunk to its loader.
bool DataFile_MainPass(CGameData& data, CGameResources& res, std::string& error);

// The optional debug-info file, read into its own block.
bool DataFile_DebugInfoPass(const CGameData& debugData, CGameResources& res, std::string& error);

// A chunk tag as four printable characters.
std::string DataFile_TagText(uint32_t tag);

constexpr uint32_t DataFile_Tag(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}
