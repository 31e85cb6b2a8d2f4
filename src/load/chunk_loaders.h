#pragma once
// Loaders of the individual chunks; called by the passes with the chunk's body.
#include <cstdint>

#include "data/extension.h"
#include "data/game_data.h"
#include "data/game_resources.h"
#include "graphics/background.h"
#include "graphics/font.h"
#include "graphics/sprite.h"
#include "object/object.h"
#include "object/timeline.h"
#include "path/path.h"
#include "room/room.h"
#include "sound/sound.h"
#include "vm/script.h"

struct ChunkContext {
    CGameData& data;
    CGameResources& res;
    DataReader& r;
    uint32_t body;    // offset of the body in the block
    uint32_t length;  // body length
    uint32_t End() const { return body + length; }
};

// General chunks.
bool Chunk_HeaderPassGeneral(ChunkContext& c);
bool Chunk_LoadStrings(ChunkContext& c);
bool Chunk_LoadGeneral(ChunkContext& c);
bool Chunk_LoadOptions(ChunkContext& c);
bool Chunk_LoadExtensions(ChunkContext& c);
bool Chunk_LoadIncludedFiles(ChunkContext& c);

// Graphic and sound resources.
bool Chunk_LoadTexturePageEntries(ChunkContext& c);
bool Chunk_LoadTextures(ChunkContext& c);
bool Chunk_LoadSprites(ChunkContext& c);
bool Chunk_LoadBackgrounds(ChunkContext& c);
bool Chunk_LoadFonts(ChunkContext& c);
bool Chunk_LoadSounds(ChunkContext& c);
bool Chunk_LoadAudio(ChunkContext& c);
// After the walk: references between chunks that may come in any order.
bool Chunk_ResolveGraphicsAndSound(CGameData& data, CGameResources& res, DataReader& r);

// Logic resources.
bool Chunk_LoadObjects(ChunkContext& c);
bool Chunk_LoadRooms(ChunkContext& c);
bool Chunk_LoadPaths(ChunkContext& c);
bool Chunk_LoadTimeLines(ChunkContext& c);
bool Chunk_LoadScripts(ChunkContext& c);

// Code.
bool Chunk_LoadCodeTable(ChunkContext& c);      // header pass
bool Chunk_LoadVariableLinks(ChunkContext& c);  // header pass
bool Chunk_CheckCodeOperands(ChunkContext& c);  // main pass
bool Chunk_LoadFunctionLinks(ChunkContext& c);  // main pass

// The chunk's own pointer list, which must lie inside the body.
bool Chunk_BodyList(ChunkContext& c, std::vector<uint32_t>& out, uint32_t minRecord);
