#include "load/data_file.h"

#include <cstdio>

#include "load/chunk_loaders.h"
#include "platform/console.h"

std::string DataFile_TagText(uint32_t tag) {
    std::string s(4, '?');
    for (int i = 0; i < 4; ++i) {
        char ch = char((tag >> (8 * i)) & 0xFF);
        if (ch >= 32 && ch < 127) s[i] = ch;
    }
    return s;
}

namespace {

constexpr uint32_t kForm = DataFile_Tag("FORM");
constexpr uint32_t kFormReversed = DataFile_Tag("MROF");

// Walks the chunks of a block whose container was checked.
template <typename F>
bool WalkChunks(const CGameData& data, F&& handle) {
    uint32_t position = 8;
    while (position < data.Size()) {
        uint32_t tag = data.U32(position);
        uint32_t length = data.U32(position + 4);
        if (!handle(tag, position + 8, length)) return false;
        position += 8 + length;
    }
    return true;
}

bool CheckContainer(const CGameData& data, const char* what, std::string& error) {
    CLoadReader r(data, error);
    r.SetContext(what);
    char text[200];
    if (data.Size() < 8) {
        std::snprintf(text, sizeof text, "the file is %u bytes long, too short for a data file", data.Size());
        return r.Fail(text);
    }
    uint32_t magic = data.U32(0);
    if (magic != kForm && magic != kFormReversed) return r.Fail("the file does not begin with \"FORM\"");
    if (data.U32(4) != data.Size() - 8) {
        std::snprintf(text, sizeof text, "the size word says %u bytes follow the header, but the file holds %u",
                      data.U32(4), data.Size() - 8);
        return r.Fail(text);
    }
    uint32_t position = 8;
    while (position < data.Size()) {
        if (!data.InRange(position, 8)) {
            std::snprintf(text, sizeof text, "the chunk header at offset %u runs past the end of the file", position);
            return r.Fail(text);
        }
        uint32_t length = data.U32(position + 4);
        if (!data.InRange(position + 8, length)) {
            std::snprintf(text, sizeof text, "chunk %s at offset %u (%u bytes) runs past the end of the file",
                          DataFile_TagText(data.U32(position)).c_str(), position, length);
            return r.Fail(text);
        }
        position += 8 + length;
    }
    return true;
}

}  // namespace

bool DataFile_CheckContainer(const CGameData& data, std::string& error) { return CheckContainer(data, "FORM", error); }

bool DataFile_HeaderPass(CGameData& data, CGameResources& res, std::string& error) {
    if (!DataFile_CheckContainer(data, error)) return false;
    CLoadReader r(data, error);
    res.formatVersion = 800;
    // Variable references are checked once the code table is known, wherever VARI lies.
    uint32_t variBody = 0, variLength = 0;
    bool walked = WalkChunks(data, [&](uint32_t tag, uint32_t body, uint32_t length) {
        if (length == 0) return true;
        ChunkContext c{data, res, r, body, length};
        r.SetContext(DataFile_TagText(tag));
        switch (tag) {
        case DataFile_Tag("STRG"): Console().Output("ID_STRG\n"); return Chunk_LoadStrings(c);
        case DataFile_Tag("GEN7"):
        case DataFile_Tag("GEN8"):
        case DataFile_Tag("GENL"): Console().Output("Get Header Information\n"); return Chunk_HeaderPassGeneral(c);
        case DataFile_Tag("CODE"): Console().Output("Code_Load()\n"); return Chunk_LoadCodeTable(c);
        case DataFile_Tag("VARI"):
            Console().Output("VARI_Load()\n");
            variBody = body;
            variLength = length;
            return true;
        default: return true;
        }
    });
    if (!walked) return false;
    if (variLength == 0) return true;
    r.SetContext("VARI");
    ChunkContext c{data, res, r, variBody, variLength};
    return Chunk_LoadVariableLinks(c);
}

bool DataFile_MainPass(CGameData& data, CGameResources& res, std::string& error) {
    Console().Output("initialise everything!\n");
    res.sounds.clear();
    res.sprites.clear();
    res.backgrounds.clear();
    res.paths.clear();
    res.scripts.clear();
    res.fonts.clear();
    res.timelines.clear();
    res.objects.clear();
    res.rooms.clear();
    res.options = COptions{};

    if (!DataFile_CheckContainer(data, error)) return false;
    CLoadReader r(data, error);
    bool result = true;
    // Function references name scripts and extension functions: checked after the walk.
    uint32_t funcBody = 0, funcLength = 0;
    bool walked = WalkChunks(data, [&](uint32_t tag, uint32_t body, uint32_t length) {
        std::string tagText = DataFile_TagText(tag);
        Console().Output("Process Chunk: %s   %d\n", tagText.c_str(), int(length));
        if (length == 0) return true;
        r.SetContext(tagText);
        ChunkContext c{data, res, r, body, length};
        switch (tag) {
        case DataFile_Tag("GEN8"): return Chunk_LoadGeneral(c);
        case DataFile_Tag("GEN7"):
        case DataFile_Tag("GENL"): res.formatVersion = 700; return Chunk_LoadGeneral(c);
        case DataFile_Tag("OPTN"): return Chunk_LoadOptions(c);
        case DataFile_Tag("EXTN"): return Chunk_LoadExtensions(c);
        case DataFile_Tag("SOND"): return Chunk_LoadSounds(c);
        case DataFile_Tag("AUDO"): return Chunk_LoadAudio(c);
        case DataFile_Tag("SPRT"): return Chunk_LoadSprites(c);
        case DataFile_Tag("BGND"): return Chunk_LoadBackgrounds(c);
        case DataFile_Tag("PATH"): return Chunk_LoadPaths(c);
        case DataFile_Tag("SCPT"): return Chunk_LoadScripts(c);
        case DataFile_Tag("FONT"): return Chunk_LoadFonts(c);
        case DataFile_Tag("TMLN"): return Chunk_LoadTimeLines(c);
        case DataFile_Tag("OBJT"): return Chunk_LoadObjects(c);
        case DataFile_Tag("ROOM"): return Chunk_LoadRooms(c);
        case DataFile_Tag("DAFL"): return Chunk_LoadIncludedFiles(c);
        case DataFile_Tag("TPAG"): return Chunk_LoadTexturePageEntries(c);
        case DataFile_Tag("TXTR"): return Chunk_LoadTextures(c);
        case DataFile_Tag("CODE"): return Chunk_CheckCodeOperands(c);
        case DataFile_Tag("FUNC"):
            funcBody = body;
            funcLength = length;
            return true;
        case DataFile_Tag("VARI"):
        case DataFile_Tag("STRG"):
        case DataFile_Tag("HELP"): return true;
        default:
            Console().Output("unknown Chunk %s:%d\n", tagText.c_str(), int32_t(tag));
            result = false;
            return true;
        }
    });
    if (!walked) return false;
    if (funcLength) {
        r.SetContext("FUNC");
        ChunkContext c{data, res, r, funcBody, funcLength};
        if (!Chunk_LoadFunctionLinks(c)) return false;
    }
    r.SetContext("FORM");
    if (!Chunk_ResolveGraphicsAndSound(data, res, r)) return false;
    return result;
}

bool DataFile_DebugInfoPass(const CGameData& debugData, CGameResources& res, std::string& error) {
    if (!CheckContainer(debugData, "debug info FORM", error)) return false;
    CLoadReader r(debugData, error);
    res.debugInfo = CDebugInfo{};
    std::vector<uint32_t> dbgi, scpt;
    bool ok = WalkChunks(debugData, [&](uint32_t tag, uint32_t body, uint32_t length) {
        std::string tagText = DataFile_TagText(tag);
        Console().Output("Process Chunk: %s   %d\n", tagText.c_str(), int(length));
        if (length == 0) return true;
        std::string context = "debug info " + tagText;
        r.SetContext(context);
        if (tag == DataFile_Tag("DBGI")) return r.PointerList(body, "position table list", dbgi, 4, body + length);
        if (tag == DataFile_Tag("SCPT")) return r.PointerList(body, "source list", scpt, 4, body + length);
        return true;
    });
    if (!ok) return false;

    auto& units = res.debugInfo.units;
    units.resize(std::max(dbgi.size(), scpt.size()));
    for (size_t i = 0; i < dbgi.size(); ++i) {
        if (!dbgi[i]) continue;
        r.SetContext("debug info DBGI", int(i));
        uint32_t n = r.U32(dbgi[i], "position table");
        if (!r.Count(n, dbgi[i] + 4, 8, "position")) return false;
        units[i].positions.resize(n);
        for (uint32_t k = 0; k < n; ++k)
            units[i].positions[k] = {debugData.U32(dbgi[i] + 4 + 8 * k), debugData.U32(dbgi[i] + 8 + 8 * k)};
    }
    for (size_t i = 0; i < scpt.size(); ++i) {
        if (!scpt[i]) continue;
        r.SetContext("debug info SCPT", int(i));
        if (!r.String(scpt[i], "source text", units[i].source)) return false;
    }
    res.debugInfo.present = true;
    return true;
}

bool CLoadReader::Charge(uint64_t bytes, const char* what) {
    if (!Ok()) return false;
    taken_ += bytes;
    if (taken_ <= kLoadFactor * Data().Size() + (1u << 20)) return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s would make the load take more than %u times the file's size (records sharing their data)", what,
                  unsigned(kLoadFactor));
    return Fail(text);
}
