#include "dump.h"

#include "data/extension.h"
#include "graphics/background.h"
#include "graphics/font.h"
#include "graphics/sprite.h"
#include "load/data_file.h"
#include "object/object.h"
#include "object/timeline.h"
#include "path/path.h"
#include "room/room.h"
#include "sound/sound.h"
#include "vm/script.h"

namespace {

const char* YesNo(bool b) { return b ? "yes" : "no"; }

template <typename T, typename F>
void Table(FILE* out, const char* title, const std::vector<std::unique_ptr<T>>& table, F&& row) {
    std::fprintf(out, "\n%s (%zu)\n", title, table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        if (!table[i]) {
            std::fprintf(out, "  %4zu  (empty)\n", i);
            continue;
        }
        std::fprintf(out, "  %4zu  ", i);
        row(*table[i]);
        std::fputc('\n', out);
    }
}

std::string CodeText(const CCode* code) {
    if (!code) return "none";
    if (code->index >= 0) return "code " + std::to_string(code->index) + " " + code->name;
    if (!code->source.empty()) return "source (" + std::to_string(code->source.size()) + " bytes)";
    return "empty";
}

}  // namespace

void DataFile_Dump(const CGameData& data, const CGameResources& res, FILE* out) {
    std::fprintf(out, "Chunks\n");
    for (uint32_t p = 8; p + 8 <= data.Size();) {
        uint32_t length = data.U32(p + 4);
        std::fprintf(out, "  %s  offset %8u  length %8u\n", DataFile_TagText(data.U32(p)).c_str(), p, length);
        p += 8 + length;
    }

    const CGeneralHeader& h = res.header;
    std::fprintf(out, "\nGeneral header\n");
    std::fprintf(out, "  format version %u (%d)%s\n", h.version, res.formatVersion,
                 h.DebugBuild() ? ", debug build" : "");
    std::fprintf(out, "  file name \"%s\"  configuration \"%s\"  game name \"%s\"\n", h.fileName.c_str(),
                 h.configName.c_str(), h.gameName.c_str());
    std::fprintf(out, "  game id %u  highest instance id %u  highest tile id %u\n", h.gameId, h.highestInstanceId,
                 h.highestTileId);
    std::fprintf(out, "  window %dx%d  flags 0x%08x  splash mode %d\n", h.windowWidth, h.windowHeight, h.headerFlags,
                 h.splashMode);
    std::fprintf(out, "  identifier ");
    for (uint8_t b : h.identifier) std::fprintf(out, "%02x", b);
    std::fprintf(out, "\n  room order:");
    for (int room : h.roomOrder) std::fprintf(out, " %d", room);
    std::fprintf(out, "\n");

    const COptions& o = res.options;
    std::fprintf(out, "\nOptions%s\n", o.loaded ? "" : " (none)");
    if (o.loaded) {
        std::fprintf(out, "  full screen %s  new audio %s  show cursor %s  window colour 0x%08x\n",
                     YesNo(o.FullScreen()), YesNo(o.NewAudio()), YesNo(o.ShowCursor()), o.WindowColour());
        std::fprintf(out, "  show errors %s  abort on error %s  unset variables are 0 %s  create event first %s\n",
                     YesNo(o.ShowErrors()), YesNo(o.AbortOnError()), YesNo(o.UnsetVariablesAreZero()),
                     YesNo(o.CreateEventFirst()));
        std::fprintf(out, "  version %d.%d\n  words:", o.versionMajor, o.versionMinor);
        for (uint32_t w : o.words) std::fprintf(out, " %u", w);
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "\nConstants (%zu)\n", o.constants.size());
    for (const auto& [name, value] : o.constants) std::fprintf(out, "  %s = %s\n", name.c_str(), value.c_str());

    std::fprintf(out, "\nStrings (%zu)\n", res.strings.size());
    for (size_t i = 0; i < res.strings.size(); ++i)
        if (res.strings[i]) std::fprintf(out, "  %4zu  \"%s\"\n", i, data.Text(res.strings[i] + 4));

    Table(out, "Extension packages", res.extensions, [&](const CExtensionPackage& p) {
        std::fprintf(out, "%s (%s), %zu files", p.name.c_str(), p.secondName.c_str(), p.files.size());
        for (const auto& f : p.files) {
            std::fprintf(out, "\n        file %s kind %d init %s final %s", f.fileName.c_str(), f.kind,
                         f.initFunction.c_str(), f.finalFunction.c_str());
            for (const auto& fn : f.functions)
                std::fprintf(out, "\n          function %s id %d kind %d result %d external %s args %zu",
                             fn.name.c_str(), fn.id, fn.kind, fn.resultType, fn.externalName.c_str(),
                             fn.argTypes.size());
        }
    });
    std::fprintf(out, "\nIncluded files (%zu)\n", res.includedFiles.size());

    std::fprintf(out, "\nTexture pages (%zu)\n", res.texturePages.pages.size());
    for (size_t i = 0; i < res.texturePages.pages.size(); ++i)
        std::fprintf(out, "  %4zu  PNG at %u, %u bytes\n", i, res.texturePages.pages[i].pngOffset,
                     res.texturePages.pages[i].pngLength);
    std::fprintf(out, "\nTexture page entries (%zu)\n", res.texturePages.entries.size());
    for (size_t i = 0; i < res.texturePages.entries.size(); ++i) {
        uint32_t e = res.texturePages.entries[i];
        if (!e) {
            std::fprintf(out, "  %4zu  (empty)\n", i);
            continue;
        }
        std::fprintf(out, "  %4zu  page %d  source %d,%d %dx%d  target %d,%d %dx%d  full %dx%d\n", i, data.I16(e + 20),
                     data.I16(e), data.I16(e + 2), data.I16(e + 4), data.I16(e + 6), data.I16(e + 8), data.I16(e + 10),
                     data.I16(e + 12), data.I16(e + 14), data.I16(e + 16), data.I16(e + 18));
    }

    Table(out, "Sounds", res.sounds, [&](const CSound& s) {
        std::fprintf(out, "%s kind %d file %s (%s) volume %g pan %g data %d (%u bytes)", s.name.c_str(), s.kind,
                     s.fileName.c_str(), s.fileType.c_str(), s.volume, s.pan, s.dataIndex, s.dataLength);
    });
    std::fprintf(out, "\nAudio (%zu)\n", res.audio.size());
    for (size_t i = 0; i < res.audio.size(); ++i)
        std::fprintf(out, "  %4zu  %u bytes\n", i, res.audio[i] ? data.U32(res.audio[i]) : 0);
    Table(out, "Sprites", res.sprites, [&](const CSprite& s) {
        std::fprintf(out, "%s %dx%d origin %d,%d box %d,%d-%d,%d mode %d images %u masks %zu%s precise %s",
                     s.name.c_str(), s.width, s.height, s.xorigin, s.yorigin, s.bboxLeft, s.bboxTop, s.bboxRight,
                     s.bboxBottom, s.bboxMode, s.frameCount, s.masks.size(), s.separateMasks ? " (per image)" : "",
                     YesNo(s.precise));
    });
    Table(out, "Backgrounds", res.backgrounds, [&](const CBackground& b) {
        std::fprintf(out, "%s %dx%d transparent %s smooth %s", b.name.c_str(), b.width, b.height, YesNo(b.transparent),
                     YesNo(b.smooth));
    });
    Table(out, "Paths", res.paths, [&](const CPath& p) {
        std::fprintf(out, "%s %s%s precision %d points %zu", p.name.c_str(), p.kind == 1 ? "smooth" : "straight",
                     p.closed ? " closed" : "", p.precision, p.points.size());
    });
    Table(out, "Scripts", res.scripts,
          [&](const CScript& s) { std::fprintf(out, "%s %s", s.name.c_str(), CodeText(s.code.get()).c_str()); });
    Table(out, "Fonts", res.fonts, [&](const CFontZV& f) {
        std::fprintf(out, "%s \"%s\" size %d%s%s chars %d-%d glyphs %u height %d", f.name.c_str(), f.faceName.c_str(),
                     f.size, f.bold ? " bold" : "", f.italic ? " italic" : "", f.first, f.last, f.glyphCount, f.height);
    });
    Table(out, "Time lines", res.timelines, [&](const CTimeLine& t) {
        std::fprintf(out, "%s moments %zu", t.name.c_str(), t.moments.size());
        for (const auto& m : t.moments)
            std::fprintf(out, "\n        step %d: %s", m.step, CodeText(m.event->code.get()).c_str());
    });
    Table(out, "Objects", res.objects, [&](const CObject& o) {
        std::fprintf(out, "%s sprite %d mask %d depth %d parent %d%s%s%s%s", o.name.c_str(), o.spriteIndex, o.maskIndex,
                     o.depth, o.parent ? o.parent->index : -1, o.Visible() ? " visible" : "", o.Solid() ? " solid" : "",
                     o.Persistent() ? " persistent" : "", o.usesPhysics ? " physics" : "");
        for (int t = 0; t < kEventTypeCount; ++t)
            for (size_t n = 0; n < o.events[t].size(); ++n)
                if (o.events[t][n])
                    std::fprintf(out, "\n        event %d,%zu: %s", t, n, CodeText(o.events[t][n]->code.get()).c_str());
    });
    Table(out, "Rooms", res.rooms, [&](const CRoom& r) {
        std::fprintf(out, "%s \"%s\" %dx%d speed %d%s colour 0x%06x instances %zu tiles %zu creation %s%s",
                     r.name.c_str(), r.caption.c_str(), r.width, r.height, r.speed, r.persistent ? " persistent" : "",
                     r.colour & 0xFFFFFF, r.instances.size(), r.tiles.size(), CodeText(r.creationCode.get()).c_str(),
                     r.physicsWorld ? " physics world" : "");
        for (size_t k = 0; k < r.backgrounds.size(); ++k)
            if (r.backgrounds[k].visible || r.backgrounds[k].index >= 0)
                std::fprintf(out, "\n        background %zu: %d at %g,%g scale %g,%g", k, r.backgrounds[k].index,
                             r.backgrounds[k].x, r.backgrounds[k].y, r.backgrounds[k].xscale, r.backgrounds[k].yscale);
        for (size_t k = 0; k < r.views.size(); ++k)
            if (r.views[k].visible)
                std::fprintf(out, "\n        view %zu: %d,%d %dx%d port %d,%d %dx%d follow %d", k, r.views[k].viewX,
                             r.views[k].viewY, r.views[k].viewW, r.views[k].viewH, r.views[k].portX, r.views[k].portY,
                             r.views[k].portW, r.views[k].portH, r.views[k].follow);
        for (const auto& inst : r.instances)
            std::fprintf(out, "\n        instance %u: object %d at %d,%d creation %s", inst.id, inst.objectIndex,
                         inst.x, inst.y, CodeText(inst.creationCode.get()).c_str());
    });

    std::fprintf(out, "\nCode (%zu)%s\n", res.code.entries.size(), res.code.present ? "" : " (none: script text)");
    for (size_t i = 0; i < res.code.entries.size(); ++i) {
        const CCodeEntry& e = res.code.entries[i];
        if (!e.offset) std::fprintf(out, "  %4zu  (empty)\n", i);
        else std::fprintf(out, "  %4zu  %s  %u bytes\n", i, data.Text(e.nameOffset), e.length);
    }
    std::fprintf(out, "\nVariables (%zu)\n", res.code.variables.size());
    for (const auto& v : res.code.variables)
        std::fprintf(out, "  %s  %u references\n", v.name.c_str(), v.referenceCount);
    std::fprintf(out, "\nFunctions (%zu)\n", res.code.functions.size());
    for (const auto& f : res.code.functions)
        std::fprintf(out, "  %s  %u references\n", f.name.c_str(), f.referenceCount);
}
