// General chunks: strings, the general header, options, extensions, included files.
#include <cmath>
#include <cstdlib>

#include "load/chunk_loaders.h"
#include "platform/console.h"

int ParseDecimal(const std::string& text) { return int(std::strtol(text.c_str(), nullptr, 10)); }

bool Chunk_BodyList(ChunkContext& c, std::vector<uint32_t>& out, uint32_t minRecord) {
    return c.r.PointerList(c.body, "pointer list", out, minRecord, c.End());
}

bool Chunk_LoadStrings(ChunkContext& c) {
    if (!Chunk_BodyList(c, c.res.strings, 5)) return false;
    // Each record is a length word, the characters and a zero byte.
    for (size_t i = 0; i < c.res.strings.size(); ++i) {
        uint32_t at = c.res.strings[i];
        if (!at) continue;
        c.r.SetEntry(int(i));
        uint32_t length = c.data.U32(at);
        if (!c.r.Need(at + 4, uint64_t(length) + 1, "string")) return false;
        if (c.data.Base()[at + 4 + length] != 0) return c.r.Fail("string is not terminated by a zero byte");
    }
    return true;
}

namespace {

constexpr uint32_t kHeaderMinimum = 72;

int SplashMode(uint32_t flags) {
    int mode = 0;
    if (flags & kHeaderSplash1) mode = 1;
    if (flags & kHeaderSplash2) mode = 2;
    if (flags & kHeaderSplash3) mode = 3;
    return mode;
}

}  // namespace

// The header pass reads what the window needs before it exists.
bool Chunk_HeaderPassGeneral(ChunkContext& c) {
    CGeneralHeader& h = c.res.header;
    if (c.length < kHeaderMinimum) return c.r.Fail("general header is too short");
    uint8_t version = c.data.Base()[c.body + 1];
    h.version = version;
    if (!c.r.String(c.body + 4, "file name", h.fileName)) return false;
    if (!c.r.String(c.body + 8, "configuration name", h.configName)) return false;
    if (!c.r.String(c.body + 40, "game name", h.gameName)) return false;
    h.splashMode = SplashMode(c.data.U32(c.body + 68));
    if (version == 8) {
        h.windowWidth = c.data.I32(c.body + 60);
        h.windowHeight = c.data.I32(c.body + 64);
        h.headerFlags = c.data.U32(c.body + 68);
    }
    c.res.formatVersion = 800;
    Console().Output("InitZVLFunctions\n");
    return true;
}

bool Chunk_LoadGeneral(ChunkContext& c) {
    CGeneralHeader& h = c.res.header;
    const uint8_t* body = c.data.Base() + c.body;
    if (c.length < kHeaderMinimum) return c.r.Fail("general header is too short");
    h.offset = c.body;
    h.flagsByte = body[0];
    h.version = body[1];
    if (!c.r.String(c.body + 4, "file name", h.fileName)) return false;
    if (!c.r.String(c.body + 8, "configuration name", h.configName)) return false;
    if (!c.r.String(c.body + 40, "game name", h.gameName)) return false;
    h.highestInstanceId = c.data.U32(c.body + 12);
    h.highestTileId = c.data.U32(c.body + 16);
    h.gameId = c.data.U32(c.body + 20);
    std::copy(body + 24, body + 40, h.identifier.begin());
    h.splashMode = SplashMode(c.data.U32(c.body + 68));
    if (h.version == 8) {
        h.windowWidth = c.data.I32(c.body + 60);
        h.windowHeight = c.data.I32(c.body + 64);
        h.headerFlags = c.data.U32(c.body + 68);
    }
    if (h.windowWidth <= 0 || h.windowHeight <= 0) return c.r.Fail("window size is not positive");

    // Older headers keep the room order where later ones keep the name and identifier.
    uint32_t countAt = h.version >= 8 ? 100 : 36;
    if (c.length < countAt + 4) return c.r.Fail("room order runs past the end of the chunk");
    uint32_t n = c.data.U32(c.body + countAt);
    if (uint64_t(countAt) + 4 + uint64_t(n) * 4 > c.length)
        return c.r.Fail("room order runs past the end of the chunk");
    h.roomOrder.resize(n);
    for (uint32_t i = 0; i < n; ++i) h.roomOrder[i] = c.data.I32(c.body + countAt + 4 + 4 * i);
    h.loaded = true;
    return true;
}

bool Chunk_LoadOptions(ChunkContext& c) {
    COptions& o = c.res.options;
    constexpr uint32_t kWords = COptions::kWordCount * 4;
    if (c.length < kWords + 4) return c.r.Fail("options chunk is too short");
    for (int i = 0; i < COptions::kWordCount; ++i) o.words[i] = c.data.U32(c.body + 4 * i);
    // The creation-order flag exists from format 5 on.
    if (c.res.header.loaded && c.res.header.version < 5) o.words[136 / 4] = 0;
    if (o.LoadingImage() && !c.r.Need(o.LoadingImage(), kTexturePageEntrySize, "loading image")) return false;
    uint32_t n = c.data.U32(c.body + kWords);
    if (uint64_t(kWords) + 4 + uint64_t(n) * 8 > c.length)
        return c.r.Fail("constant list runs past the end of the chunk");
    o.constants.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        c.r.SetEntry(int(i));
        uint32_t at = c.body + kWords + 4 + 8 * i;
        if (!c.r.String(at, "constant name", o.constants[i].first)) return false;
        if (!c.r.String(at + 4, "constant value", o.constants[i].second)) return false;
        if (o.constants[i].first == "VersionMajor") o.versionMajor = ParseDecimal(o.constants[i].second);
        if (o.constants[i].first == "VersionMinor") o.versionMinor = ParseDecimal(o.constants[i].second);
    }
    o.loaded = true;
    return true;
}

bool Chunk_LoadExtensions(ChunkContext& c) {
    std::vector<uint32_t> packages;
    if (!Chunk_BodyList(c, packages, 12)) return false;
    c.res.extensions.clear();
    std::vector<uint32_t> files, functions;
    for (size_t i = 0; i < packages.size(); ++i) {
        c.res.extensions.emplace_back();
        if (!packages[i]) continue;
        c.r.SetEntry(int(i));
        auto package = std::make_unique<CExtensionPackage>();
        uint32_t at = packages[i];
        if (!c.r.String(at, "package name", package->name)) return false;
        if (!c.r.String(at + 4, "package string", package->secondName)) return false;
        if (!c.r.PointerList(at + 8, "file list", files, 20)) return false;
        for (uint32_t f : files) {
            CExtensionFile file;
            if (f) {
                if (!c.r.String(f, "file name", file.fileName)) return false;
                if (!c.r.String(f + 4, "initialisation function", file.initFunction)) return false;
                if (!c.r.String(f + 8, "finalisation function", file.finalFunction)) return false;
                file.kind = c.data.I32(f + 12);
                if (!c.r.PointerList(f + 16, "function list", functions, 24)) return false;
                for (uint32_t g : functions) {
                    if (!g) continue;
                    CExtensionFunction fn;
                    if (!c.r.String(g, "function name", fn.name)) return false;
                    fn.id = c.data.I32(g + 4);
                    fn.kind = c.data.I32(g + 8);
                    fn.resultType = c.data.I32(g + 12);
                    if (!c.r.String(g + 16, "external name", fn.externalName)) return false;
                    uint32_t argc = c.r.U32(g + 20, "argument count");
                    if (!c.r.Count(argc, g + 24, 4, "argument")) return false;
                    for (uint32_t k = 0; k < argc; ++k) fn.argTypes.push_back(c.data.I32(g + 24 + 4 * k));
                    file.functions.push_back(std::move(fn));
                }
            }
            package->files.push_back(std::move(file));
        }
        c.res.extensions.back() = std::move(package);
    }
    return true;
}

bool Chunk_LoadIncludedFiles(ChunkContext& c) { return Chunk_BodyList(c, c.res.includedFiles, 4); }
