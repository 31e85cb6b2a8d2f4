#pragma once
// Loaders of the individual chunks; called by the passes with the chunk's body.
#include <cstdint>
#include <string>
#include <vector>

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

// The loaders' reader: DataReader's checks, and a bound on what one pass takes out of the
// file into memory. Records may share their data (many entries pointing at one list or one
// text), so without it a small file could make the load take any amount of memory; a pass
// may take kLoadFactor times the file's size (plus a little) and refuses the file beyond.
class CLoadReader : public DataReader {
public:
    using DataReader::DataReader;
    static constexpr uint64_t kLoadFactor = 16;

    bool Charge(uint64_t bytes, const char* what);

    bool String(uint32_t fieldOffset, const char* what, std::string& out, bool* present = nullptr) {
        return DataReader::String(fieldOffset, what, out, present) && Charge(out.size(), what);
    }
    bool PointerList(uint32_t offset, const char* what, std::vector<uint32_t>& out, uint32_t minRecord = 4,
                     uint64_t hi = UINT64_MAX) {
        return DataReader::PointerList(offset, what, out, minRecord, hi) && Charge(uint64_t(out.size()) * 4, what);
    }
    bool Count(uint32_t count, uint32_t offset, uint32_t elementSize, const char* what) {
        return DataReader::Count(count, offset, elementSize, what) && Charge(uint64_t(count) * elementSize, what);
    }

private:
    uint64_t taken_ = 0;
};

struct ChunkContext {
    CGameData& data;
    CGameResources& res;
    CLoadReader& r;
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
bool Chunk_ResolveGraphicsAndSound(CGameData& data, CGameResources& res, CLoadReader& r);

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
