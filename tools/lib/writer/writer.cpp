#include "writer/writer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <set>
#include <unordered_map>

#include "graphics/png.h"

namespace {

// Words in an action record: the code index sits in word 8, the source text's
// offset in word 15; the rest are written as 0.
constexpr uint32_t kActionWords = 16;
constexpr uint32_t kActionCodeWord = 8;
constexpr uint32_t kActionTextWord = 15;

// Below version 8 the header is shorter, but the header pass still reads the flags
// at 68, so a short body is padded to here with zeros.
constexpr uint32_t kShortHeaderMinSize = 72;

enum class Sym : uint8_t { String, TexturePage, CodeBytes };

uint64_t SymKey(Sym s, uint32_t index) { return uint64_t(s) << 32 | index; }

// Strings of one file: a fixed prefix (indices bytecode may name), then every other
// string once, in order of first use. It outlives a layout pass, see CFileLayout.
class CStringPool {
public:
    uint32_t Intern(const std::string& s) {
        auto it = index_.find(s);
        if (it != index_.end()) return it->second;
        uint32_t i = uint32_t(strings_.size());
        strings_.push_back(s);
        index_.emplace(s, i);
        return i;
    }
    // Appends without looking for an existing copy: fixed entries keep their indices
    // even when the list repeats a string.
    void AddFixed(const std::string& s) {
        index_.emplace(s, uint32_t(strings_.size()));
        strings_.push_back(s);
    }
    const std::vector<std::string>& Strings() const { return strings_; }

private:
    std::vector<std::string> strings_;
    std::unordered_map<std::string, uint32_t> index_;
};

// One pass of laying out a file. Offsets that are not known yet (strings, texture-page
// entries, code written later) are fixups bound by symbol and patched at the end; a
// symbol that never got bound (its chunk was left out) resolves to 0.
class CFileLayout {
public:
    explicit CFileLayout(CStringPool& pool) : pool_(pool) {}

    std::vector<uint8_t> buf;
    std::string error;

    uint32_t Pos() const { return uint32_t(buf.size()); }
    void U8(uint8_t v) { buf.push_back(v); }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void I16(int16_t v) { U16(uint16_t(v)); }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void F32(float v) { U32(std::bit_cast<uint32_t>(v)); }
    void Bytes(const uint8_t* p, size_t n) { buf.insert(buf.end(), p, p + n); }
    void Bytes(const std::vector<uint8_t>& v) { buf.insert(buf.end(), v.begin(), v.end()); }
    void Zeros(size_t n) { buf.insert(buf.end(), n, 0); }
    void Align4() {
        while (buf.size() % 4 != 0) U8(0);
    }

    uint32_t Reserve32() {
        uint32_t p = Pos();
        U32(0);
        return p;
    }
    void Patch32(uint32_t pos, uint32_t v) {
        if (size_t(pos) + 4 > buf.size()) return;
        for (int i = 0; i < 4; ++i) buf[pos + i] = uint8_t(v >> (8 * i));
    }
    uint32_t Get32(uint32_t pos) const {
        if (size_t(pos) + 4 > buf.size()) return 0;
        return uint32_t(buf[pos]) | uint32_t(buf[pos + 1]) << 8 | uint32_t(buf[pos + 2]) << 16 |
               uint32_t(buf[pos + 3]) << 24;
    }
    // The current position becomes the target of the slot written by Reserve32.
    void PatchHere(uint32_t slot) { Patch32(slot, Pos()); }

    // Pointer list header: count, then one reserved slot per entry.
    std::vector<uint32_t> List(size_t n) {
        U32(uint32_t(n));
        std::vector<uint32_t> slots(n);
        for (auto& s : slots) s = Reserve32();
        return slots;
    }

    // A string field: the offset of the characters of the string's STRG record.
    void Str(const std::string& s) { Ref(Sym::String, pool_.Intern(s), 4); }

    void Ref(Sym s, uint32_t index, uint32_t addend) {
        fixups_.push_back({Pos(), SymKey(s, index), addend});
        U32(0);
    }
    void Bind(Sym s, uint32_t index) { bound_[SymKey(s, index)] = Pos(); }
    std::optional<uint32_t> Bound(Sym s, uint32_t index) const {
        auto it = bound_.find(SymKey(s, index));
        if (it == bound_.end()) return std::nullopt;
        return it->second;
    }
    void ResolveFixups() {
        for (const auto& f : fixups_) {
            auto it = bound_.find(f.key);
            Patch32(f.pos, it == bound_.end() ? 0 : it->second + f.addend);
        }
    }

    uint32_t BeginChunk(const std::string& tag) {
        Bytes(reinterpret_cast<const uint8_t*>(tag.data()), 4);
        return Reserve32();
    }
    void EndChunk(uint32_t lengthPos) { Patch32(lengthPos, Pos() - (lengthPos + 4)); }

    void Fail(const std::string& message) {
        if (error.empty()) error = message;
    }

    const CStringPool& Pool() const { return pool_; }

private:
    struct Fixup {
        uint32_t pos;
        uint64_t key;
        uint32_t addend;
    };
    CStringPool& pool_;
    std::vector<Fixup> fixups_;
    std::unordered_map<uint64_t, uint32_t> bound_;
};

void WriteStrings(CFileLayout& L) {
    const auto& strings = L.Pool().Strings();
    auto slots = L.List(strings.size());
    for (size_t i = 0; i < strings.size(); ++i) {
        L.Align4();
        L.PatchHere(slots[i]);
        L.Bind(Sym::String, uint32_t(i));
        L.U32(uint32_t(strings[i].size()));
        L.Bytes(reinterpret_cast<const uint8_t*>(strings[i].data()), strings[i].size());
        L.U8(0);
    }
    L.Align4();
}

class CDataFileWriter {
public:
    CDataFileWriter(const GameDataDesc& d, CFileLayout& l) : D(d), L(l) {}

    void Run() {
        if (D.general.tag.size() != 4) return L.Fail("general header tag must be four characters");
        for (const auto& raw : D.extraChunks)
            if (raw.tag.size() != 4) return L.Fail("raw chunk tag \"" + raw.tag + "\" must be four characters");
        if (D.hasCode) CheckReferences();
        if (!L.error.empty()) return;

        L.Bytes(reinterpret_cast<const uint8_t*>("FORM"), 4);
        uint32_t formSize = L.Reserve32();
        const size_t n = D.chunkOrder.size();
        for (size_t i = 0; i <= n; ++i) {
            for (const auto& raw : D.extraChunks) {
                if (std::min(raw.position, n) != i) continue;
                uint32_t len = L.BeginChunk(raw.tag);
                L.Bytes(raw.body);
                L.EndChunk(len);
            }
            if (i < n) Chunk(D.chunkOrder[i]);
        }
        if (L.buf.size() > std::numeric_limits<uint32_t>::max()) return L.Fail("the data file would exceed 4 GiB");
        L.Patch32(formSize, L.Pos() - 8);
        L.ResolveFixups();
        if (D.hasCode) LinkChains();
    }

private:
    const GameDataDesc& D;
    CFileLayout& L;
    // VARI/FUNC first-reference fields, patched once the code's place is known.
    std::vector<std::pair<uint32_t, size_t>> variableFirstFields_, functionFirstFields_;

    uint8_t Version() const { return D.general.version; }

    void Chunk(WChunk c) {
        if (size_t(c) >= kWChunkCount || D.omit[size_t(c)]) return;
        const bool codeChunk = c == WChunk::Code || c == WChunk::Variables || c == WChunk::Functions;
        if (codeChunk && !D.hasCode) return;
        uint32_t len = L.BeginChunk(c == WChunk::General ? D.general.tag : DataFile_ChunkTag(c));
        switch (c) {
        case WChunk::General: General(); break;
        case WChunk::Options: Options(); break;
        case WChunk::Extensions: Extensions(); break;
        case WChunk::Sounds: Table(D.sounds, [this](const WSound& s, size_t) { Sound(s); }); break;
        case WChunk::Audio:
            Table(D.audio, [this](const WAudio& a, size_t) {
                L.U32(uint32_t(a.bytes.size()));
                L.Bytes(a.bytes);
            });
            break;
        case WChunk::Sprites: Table(D.sprites, [this](const WSprite& s, size_t) { Sprite(s); }); break;
        case WChunk::Backgrounds:
            Table(D.backgrounds, [this](const WBackground& b, size_t) {
                L.Str(b.name);
                L.U32(b.transparent);
                L.U32(b.smooth);
                L.U32(b.preload);
                TexturePageRef(b.texture, "background " + b.name);
            });
            break;
        case WChunk::Paths: Table(D.paths, [this](const WPath& p, size_t) { Path(p); }); break;
        case WChunk::Scripts:
            Table(D.scripts, [this](const WScript& s, size_t) {
                L.Str(s.name);
                Code(s.code);
            });
            break;
        case WChunk::Fonts: Fonts(); break;
        case WChunk::TimeLines: Table(D.timeLines, [this](const WTimeLine& t, size_t) { TimeLine(t); }); break;
        case WChunk::Objects: Table(D.objects, [this](const WObject& o, size_t) { Object(o); }); break;
        case WChunk::Rooms: Table(D.rooms, [this](const WRoom& r, size_t) { Room(r); }); break;
        case WChunk::IncludedFiles:
            Table(D.includedFiles, [this](const WIncludedFile& f, size_t) {
                L.Str(f.name);
                L.U32(uint32_t(f.data.size()));
                L.Bytes(f.data);
            });
            break;
        case WChunk::TexturePages:
            Table(D.texturePages, [this](const WTexturePageEntry& e, size_t i) {
                L.Bind(Sym::TexturePage, uint32_t(i));
                for (int16_t v :
                     {e.srcX, e.srcY, e.srcW, e.srcH, e.dstX, e.dstY, e.dstW, e.dstH, e.fullW, e.fullH, e.page})
                    L.I16(v);
            });
            break;
        case WChunk::Textures: Textures(); break;
        case WChunk::Code:
            Table(D.code, [this](const WCodeEntry& e, size_t i) {
                L.Str(e.name);
                L.U32(uint32_t(e.bytecode.size()));
                L.Bind(Sym::CodeBytes, uint32_t(i));
                L.Bytes(e.bytecode);
            });
            break;
        case WChunk::Variables:
            for (size_t i = 0; i < D.variables.size(); ++i)
                RefRecord(D.variables[i].name, D.variables[i].refs.size(), variableFirstFields_, i);
            break;
        case WChunk::Functions:
            for (size_t i = 0; i < D.functions.size(); ++i)
                RefRecord(D.functions[i].name, D.functions[i].refs.size(), functionFirstFields_, i);
            break;
        case WChunk::Strings: WriteStrings(L); break;
        case WChunk::Count: break;
        }
        L.Align4();
        L.EndChunk(len);
    }

    // A body that is a pointer list of records, each on a 4-byte boundary.
    template <typename T, typename F>
    void Table(const std::vector<std::optional<T>>& items, F&& write) {
        auto slots = L.List(items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            if (!items[i]) continue;
            L.Align4();
            L.PatchHere(slots[i]);
            write(*items[i], i);
        }
    }

    void TexturePageRef(int32_t index, const std::string& what) {
        if (index < 0) return L.U32(0);
        if (size_t(index) >= D.texturePages.size() || !D.texturePages[size_t(index)]) {
            L.Fail(what + " names texture-page entry " + std::to_string(index) + ", which does not exist");
            return L.U32(0);
        }
        L.Ref(Sym::TexturePage, uint32_t(index), 0);
    }

    void Code(const WCodeRef& c) {
        if (D.hasCode) return L.U32(c.index < 0 ? 0xFFFFFFFFu : uint32_t(c.index));
        if (c.source) return L.Str(*c.source);
        L.U32(0);
    }

    // One action record holding the event's code; its offset goes into `slot`.
    void Action(const WCodeRef& c, uint32_t slot) {
        L.Align4();
        L.PatchHere(slot);
        for (uint32_t w = 0; w < kActionWords; ++w) {
            if (w == kActionCodeWord) {
                L.U32(D.hasCode ? (c.index < 0 ? 0xFFFFFFFFu : uint32_t(c.index)) : 0xFFFFFFFFu);
            } else if (w == kActionTextWord && !D.hasCode && c.source) {
                L.Str(*c.source);
            } else {
                L.U32(0);
            }
        }
    }

    void General() {
        const WGeneral& g = D.general;
        const uint32_t body = L.Pos();
        L.U8(g.flags);
        L.U8(g.version);
        L.U16(0);
        L.Str(g.fileName);
        L.Str(g.configName);
        L.U32(g.highestInstanceId);
        L.U32(g.highestTileId);
        L.U32(g.gameId);
        if (g.version >= 8) {
            L.Bytes(g.identifier.data(), 16);
            L.Str(g.gameName);
            L.Zeros(16);
            L.U32(g.windowWidth);
            L.U32(g.windowHeight);
            L.U32(g.headerFlags);
            L.Zeros(28);
            L.U32(uint32_t(g.roomOrder.size()));
            for (uint32_t r : g.roomOrder) L.U32(r);
        } else {
            // The room order takes 36/40 here, over the end of the identifier and the
            // game name; the name only survives when there is no room order.
            L.Bytes(g.identifier.data(), 12);
            L.U32(uint32_t(g.roomOrder.size()));
            if (g.roomOrder.empty()) L.Str(g.gameName);
            for (uint32_t r : g.roomOrder) L.U32(r);
            while (L.Pos() - body < kShortHeaderMinSize) L.U8(0);
        }
    }

    void Options() {
        const WOptions& o = D.options;
        for (size_t w = 0; w < o.words.size(); ++w) {
            if (int(w) == WOptions::LoadingImage) TexturePageRef(o.loadingImage, "options' loading image");
            else L.U32(o.words[w]);
        }
        L.U32(uint32_t(o.constants.size()));
        for (const auto& [name, value] : o.constants) {
            L.Str(name);
            L.Str(value);
        }
    }

    void Extensions() {
        Table(D.extensions, [this](const WExtensionPackage& p, size_t) {
            L.Str(p.name);
            L.Str(p.secondString);
            auto fileSlots = L.List(p.files.size());
            for (size_t f = 0; f < p.files.size(); ++f) {
                if (!p.files[f]) continue;
                const WExtensionFile& file = *p.files[f];
                L.Align4();
                L.PatchHere(fileSlots[f]);
                L.Str(file.name);
                L.Str(file.initFunction);
                L.Str(file.finalFunction);
                L.U32(file.kind);
                auto fnSlots = L.List(file.functions.size());
                for (size_t k = 0; k < file.functions.size(); ++k) {
                    if (!file.functions[k]) continue;
                    const WExtensionFunction& fn = *file.functions[k];
                    L.Align4();
                    L.PatchHere(fnSlots[k]);
                    L.Str(fn.name);
                    L.U32(fn.id);
                    L.U32(fn.kind);
                    L.U32(fn.resultType);
                    L.Str(fn.externalName);
                    L.U32(uint32_t(fn.argTypes.size()));
                    for (uint32_t t : fn.argTypes) L.U32(t);
                }
            }
        });
    }

    void Sound(const WSound& s) {
        L.Str(s.name);
        L.I32(s.kind);
        L.Str(s.fileType);
        L.Str(s.fileName);
        L.U32(s.effects);
        L.F32(s.volume);
        L.F32(s.pan);
        L.U32(s.preload);
        L.I32(s.audioIndex);
    }

    void Sprite(const WSprite& s) {
        L.Str(s.name);
        for (int32_t v : {s.width, s.height, s.bboxLeft, s.bboxRight, s.bboxBottom, s.bboxTop}) L.I32(v);
        L.U32(s.transparent);
        L.U32(s.smooth);
        L.U32(s.preload);
        L.I32(s.bboxMode);
        L.U32(s.precise);
        L.I32(s.originX);
        L.I32(s.originY);
        L.U32(uint32_t(s.frames.size()));
        for (size_t f = 0; f < s.frames.size(); ++f)
            TexturePageRef(s.frames[f], "sprite " + s.name + " frame " + std::to_string(f));
        L.U32(uint32_t(s.masks.size()));
        if (s.masks.empty()) return;
        if (s.width <= 0 || s.height <= 0) return L.Fail("sprite " + s.name + " has masks but no size");
        const size_t w = size_t(s.width), h = size_t(s.height), rowBytes = (w + 7) / 8;
        for (size_t m = 0; m < s.masks.size(); ++m) {
            const auto& mask = s.masks[m];
            if (mask.size() != w * h)
                return L.Fail("sprite " + s.name + " mask " + std::to_string(m) + " has " +
                              std::to_string(mask.size()) + " pixels, expected " + std::to_string(w * h));
            for (size_t y = 0; y < h; ++y) {
                for (size_t bx = 0; bx < rowBytes; ++bx) {
                    uint8_t byte = 0;
                    for (size_t bit = 0; bit < 8; ++bit) {
                        size_t x = bx * 8 + bit;
                        if (x < w && mask[y * w + x]) byte |= uint8_t(0x80 >> bit);
                    }
                    L.U8(byte);
                }
            }
        }
    }

    void Path(const WPath& p) {
        L.Str(p.name);
        L.U32(p.kind);
        L.U32(p.closed);
        L.U32(p.precision);
        L.U32(uint32_t(p.points.size()));
        for (const auto& pt : p.points) {
            L.F32(pt.x);
            L.F32(pt.y);
            L.F32(pt.speed);
        }
    }

    void Fonts() {
        Table(D.fonts, [this](const WFont& f, size_t) {
            L.Str(f.name);
            L.Str(f.face);
            L.U32(f.size);
            L.U32(f.bold);
            L.U32(f.italic);
            L.U32(uint32_t(f.first) | uint32_t(f.charset) << 16 | uint32_t(f.antiAlias) << 24);
            L.U32(f.last);
            TexturePageRef(f.texture, "font " + f.name);
            L.F32(f.scaleX);
            L.F32(f.scaleY);
            auto slots = L.List(f.glyphs.size());
            for (size_t g = 0; g < f.glyphs.size(); ++g) {
                const WGlyph& gl = f.glyphs[g];
                L.PatchHere(slots[g]);  // 14-byte records, 2-byte aligned, back to back
                for (int16_t v : {gl.code, gl.x, gl.y, gl.w, gl.h, gl.shift, gl.offset}) L.I16(v);
            }
        });
        L.Align4();
        for (uint16_t code : D.fontCodeTable) L.U16(code);
    }

    void TimeLine(const WTimeLine& t) {
        L.Str(t.name);
        L.U32(uint32_t(t.moments.size()));
        std::vector<uint32_t> listSlots;
        for (const auto& m : t.moments) {
            L.U32(m.step);
            listSlots.push_back(L.Reserve32());
        }
        for (size_t i = 0; i < t.moments.size(); ++i) {
            L.PatchHere(listSlots[i]);
            auto action = L.List(1);
            Action(t.moments[i].code, action[0]);
        }
    }

    void Object(const WObject& o) {
        L.Str(o.name);
        L.I32(o.sprite);
        L.U32(o.visible);
        L.U32(o.solid);
        L.I32(o.depth);
        L.U32(o.persistent);
        L.I32(o.parent);
        L.I32(o.mask);
        if (Version() >= 6) {
            L.U32(o.usesPhysics);
            L.U32(o.physicsSensor);
            L.I32(o.physicsShape);
            L.F32(o.physicsValue1);
            L.F32(o.physicsValue2);
            L.I32(o.physicsGroup);
            L.F32(o.physicsValue3);
            L.F32(o.physicsValue4);
            L.U32(uint32_t(o.shapePoints.size()));
            for (const auto& p : o.shapePoints) {
                L.F32(p.x);
                L.F32(p.y);
            }
        }
        auto typeSlots = L.List(o.events.size());
        for (size_t t = 0; t < o.events.size(); ++t) {
            L.PatchHere(typeSlots[t]);
            const auto& list = o.events[t];
            auto eventSlots = L.List(list.size());
            for (size_t e = 0; e < list.size(); ++e) {
                L.PatchHere(eventSlots[e]);
                L.U32(list[e].number);
                L.U32(1);  // action count
                uint32_t actionSlot = L.Reserve32();
                Action(list[e].code, actionSlot);
            }
        }
    }

    void Room(const WRoom& r) {
        L.Str(r.name);
        L.Str(r.caption);
        L.I32(r.width);
        L.I32(r.height);
        L.I32(r.speed);
        L.U32(r.persistent);
        L.U32(r.colour);
        L.U32(r.drawColour);
        Code(r.creationCode);
        L.U32(r.viewsEnabled);
        uint32_t bgList = L.Reserve32(), viewList = L.Reserve32();
        uint32_t instList = L.Reserve32(), tileList = L.Reserve32();
        if (Version() >= 6) {
            L.U32(r.physicsWorld);
            for (uint32_t w : r.physicsUnread) L.U32(w);
            L.F32(r.gravityX);
            L.F32(r.gravityY);
            L.F32(r.physicsScale);
        }

        L.PatchHere(bgList);
        auto slots = L.List(r.backgrounds.size());
        for (size_t i = 0; i < r.backgrounds.size(); ++i) {
            const auto& b = r.backgrounds[i];
            L.PatchHere(slots[i]);
            L.U32(b.visible);
            L.U32(b.foreground);
            L.I32(b.index);
            L.I32(b.x);
            L.I32(b.y);
            L.U32(b.tileH);
            L.U32(b.tileV);
            L.I32(b.speedH);
            L.I32(b.speedV);
            L.U32(b.stretch);
        }

        L.PatchHere(viewList);
        slots = L.List(r.views.size());
        for (size_t i = 0; i < r.views.size(); ++i) {
            const auto& v = r.views[i];
            L.PatchHere(slots[i]);
            L.U32(v.visible);
            for (int32_t x : {v.viewX, v.viewY, v.viewW, v.viewH, v.portX, v.portY, v.portW, v.portH, v.borderH,
                              v.borderV, v.speedH, v.speedV, v.follow})
                L.I32(x);
        }

        L.PatchHere(instList);
        slots = L.List(r.instances.size());
        for (size_t i = 0; i < r.instances.size(); ++i) {
            const auto& in = r.instances[i];
            L.PatchHere(slots[i]);
            L.I32(in.x);
            L.I32(in.y);
            L.I32(in.object);
            L.U32(in.id);
            Code(in.creationCode);
            L.F32(in.scaleX);
            L.F32(in.scaleY);
            L.U32(in.colour);
            L.F32(in.rotation);
        }

        L.PatchHere(tileList);
        slots = L.List(r.tiles.size());
        for (size_t i = 0; i < r.tiles.size(); ++i) {
            const auto& t = r.tiles[i];
            L.PatchHere(slots[i]);
            for (int32_t x : {t.x, t.y, t.background, t.srcX, t.srcY, t.width, t.height, t.depth}) L.I32(x);
            L.U32(t.id);
            L.F32(t.scaleX);
            L.F32(t.scaleY);
            L.U32(t.colour);
        }
    }

    void Textures() {
        std::vector<uint32_t> dataSlots(D.textures.size());
        Table(D.textures, [&](const WTexture& t, size_t i) {
            L.U32(t.word0);
            dataSlots[i] = L.Reserve32();
        });
        for (size_t i = 0; i < D.textures.size(); ++i) {
            if (!D.textures[i]) continue;
            L.Align4();
            L.PatchHere(dataSlots[i]);
            L.Bytes(D.textures[i]->png);
        }
    }

    void RefRecord(const std::string& name, size_t count, std::vector<std::pair<uint32_t, size_t>>& fields,
                   size_t index) {
        L.Str(name);
        L.U32(uint32_t(count));
        fields.emplace_back(L.Reserve32(), index);
    }

    // Every reference must name an instruction inside an existing code entry, and no
    // instruction may be in two chains: the loader rewrites the link word as it goes.
    void CheckReferences() {
        std::set<std::pair<uint32_t, uint32_t>> seenVar, seenFunc;
        auto check = [&](const std::string& kind, const std::string& name, const std::vector<WCodeLocation>& refs,
                         std::set<std::pair<uint32_t, uint32_t>>& seen) {
            for (const auto& r : refs) {
                const std::string where = kind + " " + name + " reference (code " + std::to_string(r.code) +
                                          ", offset " + std::to_string(r.offset) + ")";
                if (r.code >= D.code.size() || !D.code[r.code]) return L.Fail(where + " names no code entry");
                if (r.offset % 4 != 0 || size_t(r.offset) + 8 > D.code[r.code]->bytecode.size())
                    return L.Fail(where + " is not an instruction with an operand inside the entry");
                if (!seen.insert({r.code, r.offset}).second) return L.Fail(where + " is used twice");
            }
        };
        for (const auto& v : D.variables) check("variable", v.name, v.refs, seenVar);
        for (const auto& f : D.functions) check("function", f.name, f.refs, seenFunc);
    }

    std::optional<std::vector<uint32_t>> Absolute(const std::vector<WCodeLocation>& refs) {
        std::vector<uint32_t> out;
        for (const auto& r : refs) {
            auto base = L.Bound(Sym::CodeBytes, r.code);
            if (!base) return std::nullopt;
            out.push_back(*base + r.offset);
        }
        return out;
    }

    void LinkChains() {
        // Without a CODE chunk there is nothing to link and the first references stay 0.
        for (const auto& [field, index] : variableFirstFields_) {
            auto abs = Absolute(D.variables[index].refs);
            if (abs && !abs->empty()) L.Patch32(field, abs->front());
        }
        for (const auto& [field, index] : functionFirstFields_) {
            auto abs = Absolute(D.functions[index].refs);
            if (!abs || abs->empty()) continue;
            std::sort(abs->begin(), abs->end());
            L.Patch32(field, abs->front());
        }

        for (const auto& v : D.variables) {
            auto abs = Absolute(v.refs);
            if (!abs) continue;
            for (size_t i = 0; i < abs->size(); ++i) {
                int64_t dist = i + 1 < abs->size() ? int64_t((*abs)[i + 1]) - int64_t((*abs)[i]) : 0;
                if (dist < -(int64_t(1) << 28) || dist >= (int64_t(1) << 28))
                    return L.Fail("variable " + v.name + ": references too far apart for a 29-bit link");
                uint32_t word = (*abs)[i] + 4;
                L.Patch32(word, (L.Get32(word) & 0xE0000000u) | (uint32_t(dist) & 0x1FFFFFFFu));
            }
        }
        for (const auto& f : D.functions) {
            auto abs = Absolute(f.refs);
            if (!abs) continue;
            std::sort(abs->begin(), abs->end());
            for (size_t i = 0; i < abs->size(); ++i) {
                uint32_t dist = i + 1 < abs->size() ? (*abs)[i + 1] - (*abs)[i] : 0;
                L.Patch32((*abs)[i] + 4, dist);
            }
        }
    }
};

// Runs a layout twice: the first pass only learns every string, so that STRG can be
// written complete wherever it sits in the chunk order.
template <typename F>
std::vector<uint8_t> LayOut(CStringPool& pool, F&& writeFile, std::string* error) {
    std::string failure;
    for (int pass = 0; pass < 2; ++pass) {
        const size_t before = pool.Strings().size();
        CFileLayout layout(pool);
        writeFile(layout);
        if (!layout.error.empty()) {
            failure = layout.error;
            break;
        }
        if (pass == 1) {
            if (pool.Strings().size() != before) {
                failure = "string table changed between passes";
                break;
            }
            if (error) error->clear();
            return std::move(layout.buf);
        }
    }
    if (error) *error = failure;
    return {};
}

}  // namespace

std::vector<WChunk> DataFile_DefaultChunkOrder() {
    return {WChunk::General,   WChunk::Options,     WChunk::Extensions, WChunk::Sounds,        WChunk::Audio,
            WChunk::Sprites,   WChunk::Backgrounds, WChunk::Paths,      WChunk::Scripts,       WChunk::Fonts,
            WChunk::TimeLines, WChunk::Objects,     WChunk::Rooms,      WChunk::IncludedFiles, WChunk::TexturePages,
            WChunk::Textures,  WChunk::Code,        WChunk::Variables,  WChunk::Functions,     WChunk::Strings};
}

const char* DataFile_ChunkTag(WChunk chunk) {
    static const char* const kTags[kWChunkCount] = {"GEN8", "OPTN", "EXTN", "SOND", "AUDO", "SPRT", "BGND",
                                                    "PATH", "SCPT", "FONT", "TMLN", "OBJT", "ROOM", "DAFL",
                                                    "TPAG", "TXTR", "CODE", "VARI", "FUNC", "STRG"};
    return size_t(chunk) < kWChunkCount ? kTags[size_t(chunk)] : "????";
}

uint32_t GameDataDesc::AddString(const std::string& text) {
    auto it = std::find(strings.begin(), strings.end(), text);
    if (it != strings.end()) return uint32_t(it - strings.begin());
    strings.push_back(text);
    return uint32_t(strings.size() - 1);
}

std::array<uint16_t, 256> GameDataDesc::DefaultFontCodeTable() {
    std::array<uint16_t, 256> t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = uint16_t(i);
    return t;
}

std::vector<uint8_t> DataFile_Write(const GameDataDesc& desc, std::string* error) {
    CStringPool pool;
    for (const auto& s : desc.strings) pool.AddFixed(s);
    return LayOut(
        pool, [&](CFileLayout& L) { CDataFileWriter(desc, L).Run(); }, error);
}

std::vector<uint8_t> DebugInfo_Write(const DebugInfoDesc& desc, std::string* error) {
    CStringPool pool;
    return LayOut(
        pool,
        [&](CFileLayout& L) {
            L.Bytes(reinterpret_cast<const uint8_t*>("FORM"), 4);
            uint32_t formSize = L.Reserve32();

            uint32_t len = L.BeginChunk("STRG");
            WriteStrings(L);
            L.EndChunk(len);

            len = L.BeginChunk("DBGI");
            auto slots = L.List(desc.entries.size());
            for (size_t i = 0; i < desc.entries.size(); ++i) {
                if (!desc.entries[i]) continue;
                L.PatchHere(slots[i]);
                L.U32(uint32_t(desc.entries[i]->positions.size()));
                for (const auto& p : desc.entries[i]->positions) {
                    L.U32(p.bytecodeOffset);
                    L.U32(p.sourcePosition);
                }
            }
            L.EndChunk(len);

            len = L.BeginChunk("SCPT");
            slots = L.List(desc.entries.size());
            for (size_t i = 0; i < desc.entries.size(); ++i) {
                if (!desc.entries[i]) continue;
                L.PatchHere(slots[i]);
                L.Str(desc.entries[i]->source);
            }
            L.EndChunk(len);

            if (L.buf.size() > std::numeric_limits<uint32_t>::max()) return L.Fail("the debug file would exceed 4 GiB");
            L.Patch32(formSize, L.Pos() - 8);
            L.ResolveFixups();
        },
        error);
}

// ---- Bytecode ------------------------------------------------------------------

uint32_t WBytecode_OperandSize(uint8_t opcode, uint8_t typeByte) {
    if ((opcode & 0x40) == 0) return 0;
    switch (WType(typeByte & 0x0F)) {
    case WType::Double:
    case WType::Long: return 8;
    case WType::Float:
    case WType::Int:
    case WType::Bool:
    case WType::Variable:
    case WType::String: return 4;
    default: return 0;
    }
}

void WBytecode::Put32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(v >> (8 * i)));
}

void WBytecode::Put64(uint64_t v) {
    Put32(uint32_t(v));
    Put32(uint32_t(v >> 32));
}

uint32_t WBytecode::Word(WOp op, uint8_t typeByte, uint16_t imm) {
    uint32_t at = Here();
    Put32(uint32_t(op) << 24 | uint32_t(typeByte) << 16 | imm);
    return at;
}

uint32_t WBytecode::PushDouble(double v) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::Double), 0);
    Put64(std::bit_cast<uint64_t>(v));
    return at;
}
uint32_t WBytecode::PushFloat(float v) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::Float), 0);
    Put32(std::bit_cast<uint32_t>(v));
    return at;
}
uint32_t WBytecode::PushInt(int32_t v) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::Int), 0);
    Put32(uint32_t(v));
    return at;
}
uint32_t WBytecode::PushLong(int64_t v) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::Long), 0);
    Put64(uint64_t(v));
    return at;
}
uint32_t WBytecode::PushBool(bool v) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::Bool), 0);
    Put32(v ? 1 : 0);
    return at;
}
uint32_t WBytecode::PushString(uint32_t strgIndex) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::String), 0);
    Put32(strgIndex);
    return at;
}
uint32_t WBytecode::PushShort(int16_t v) { return Word(WOp::Push, uint8_t(WType::Error), uint16_t(v)); }

uint32_t WBytecode::PushVariable(int16_t scope, uint32_t refBits) {
    uint32_t at = Word(WOp::Push, uint8_t(WType::Variable), uint16_t(scope));
    Put32(refBits & 0xE0000000u);
    return at;
}

uint32_t WBytecode::Pop(WType valueType, int16_t scope, uint32_t refBits) {
    uint32_t at = Word(WOp::Pop, uint8_t(uint8_t(WType::Variable) | uint8_t(valueType) << 4), uint16_t(scope));
    Put32(refBits & 0xE0000000u);
    return at;
}

uint32_t WBytecode::Call(uint16_t argc) {
    uint32_t at = Word(WOp::Call, uint8_t(WType::Int), argc);
    Put32(0);
    return at;
}

uint32_t WBytecode::Conv(WType from, WType to) { return Word(WOp::Conv, uint8_t(uint8_t(from) | uint8_t(to) << 4), 0); }

uint32_t WBytecode::Binary(WOp op, WType top, WType below) {
    return Word(op, uint8_t(uint8_t(top) | uint8_t(below) << 4), 0);
}

uint32_t WBytecode::Unary(WOp op, WType type) {
    uint32_t at = Word(op, uint8_t(type), 0);
    for (uint32_t n = WBytecode_OperandSize(uint8_t(op), uint8_t(type)); n > 0; n -= 4) Put32(0);
    return at;
}

uint32_t WBytecode::Branch(WOp op, int32_t words) {
    uint32_t at = Here();
    Put32(uint32_t(op) << 24 | (uint32_t(words) & 0x00FFFFFFu));
    return at;
}

// ---- The sample game -------------------------------------------------------------
//
// A small game that holds every chunk kind, for the round-trip tests, the dump tool
// and the loader's edge cases: empty slots in the sprite, script, object, room and
// code tables; two texture pages; sprites with 3 images and 1 mask (9 pixels wide),
// 3 images and 3 masks, and no mask; a background; a font; two sounds with WAV data;
// a smooth and a straight path; a time line with moments and one without; objects
// with parent -1, -100 and a real parent, two events with the same type and number;
// rooms with backgrounds (one stretched), a view, instances with creation code,
// tiles and a physics world; options with constants; an extension package; included
// files; bytecode with matching VARI and FUNC records.

namespace {

// Fixed STRG indices of the string constants the bytecode pushes (see d.strings).
enum SampleString : uint32_t { kStrHello, kStrSecondCreate, kStrMoment };

struct SampleUnit {
    WCodeEntry entry;
    WDebugEntry debug;
};

struct SampleCode {
    std::vector<std::optional<SampleUnit>> units;
    std::vector<WVariableRef> variables;
    std::vector<WFunctionRef> functions;
};

// Scope operands of the built-in instances.
constexpr int16_t kScopeSelf = -1;
constexpr int16_t kScopeGlobal = -5;

// Code indices of the sample's units.
enum SampleCodeIndex : int32_t {
    kCodeHello,
    kCodeCount,
    kCodePlayerCreate,
    kCodePlayerCreateAgain,
    kCodePlayerStep,
    kCodeRoomCreate,
    kCodeInstanceCreate,
    kCodeMoment,
    kCodeEmptySlot,
    kCodeUnits
};

SampleCode BuildSampleCode() {
    SampleCode sc;
    sc.units.resize(kCodeUnits);
    std::unordered_map<std::string, size_t> varIndex, funcIndex;
    auto useVar = [&](const std::string& name, uint32_t code, uint32_t offset) {
        auto [it, added] = varIndex.emplace(name, sc.variables.size());
        if (added) sc.variables.push_back({name, {}});
        sc.variables[it->second].refs.push_back({code, offset});
    };
    auto useFunc = [&](const std::string& name, uint32_t code, uint32_t offset) {
        auto [it, added] = funcIndex.emplace(name, sc.functions.size());
        if (added) sc.functions.push_back({name, {}});
        sc.functions[it->second].refs.push_back({code, offset});
    };
    auto finish = [&](int32_t index, const std::string& name, const WBytecode& bc, std::string source,
                      std::vector<WDebugPosition> positions) {
        SampleUnit u;
        u.entry.name = name;
        u.entry.bytecode = bc.Bytes();
        u.debug.source = std::move(source);
        u.debug.positions = std::move(positions);
        sc.units[size_t(index)] = std::move(u);
    };
    // show_debug_message(<string constant>) as one statement.
    auto printString = [&](WBytecode& bc, uint32_t code, uint32_t str) {
        uint32_t at = bc.PushString(str);
        bc.Conv(WType::String, WType::Variable);
        useFunc("show_debug_message", code, bc.Call(1));
        bc.Popz(WType::Variable);
        return at;
    };

    {
        WBytecode bc;
        printString(bc, kCodeHello, kStrHello);
        uint32_t exit = bc.Exit();
        finish(kCodeHello, "scr_hello", bc, "show_debug_message(\"Hello from the sample game\");\n",
               {{0, 0}, {exit, 49}});
    }
    {
        WBytecode bc;
        bc.PushInt(42);
        useVar("score", kCodeCount, bc.Pop(WType::Int, kScopeSelf));
        uint32_t second = bc.PushVariable(kScopeSelf);
        useVar("score", kCodeCount, second);
        useFunc("show_debug_message", kCodeCount, bc.Call(1));
        bc.Popz(WType::Variable);
        bc.Exit();
        finish(kCodeCount, "scr_count", bc, "score = 42;\nshow_debug_message(score);\n", {{0, 0}, {second, 12}});
    }
    {
        WBytecode bc;
        useFunc("scr_hello", kCodePlayerCreate, bc.Call(0));
        bc.Popz(WType::Variable);
        uint32_t second = bc.Call(0);
        useFunc("scr_count", kCodePlayerCreate, second);
        bc.Popz(WType::Variable);
        bc.Exit();
        finish(kCodePlayerCreate, "obj_player_Create_0", bc, "scr_hello();\nscr_count();\n", {{0, 0}, {second, 13}});
    }
    {
        WBytecode bc;
        printString(bc, kCodePlayerCreateAgain, kStrSecondCreate);
        bc.Exit();
        finish(kCodePlayerCreateAgain, "obj_player_Create_0_again", bc,
               "show_debug_message(\"second create event\");\n", {{0, 0}});
    }
    {
        WBytecode bc;
        bc.PushInt(1);
        useVar("ticks", kCodePlayerStep, bc.Pop(WType::Int, kScopeSelf));
        bc.Exit();
        finish(kCodePlayerStep, "obj_player_Step_0", bc, "ticks = 1;\n", {{0, 0}});
    }
    {
        WBytecode bc;
        bc.PushInt(7);
        useVar("level", kCodeRoomCreate, bc.Pop(WType::Int, kScopeGlobal));
        bc.Exit();
        finish(kCodeRoomCreate, "rm_main_Create", bc, "global.level = 7;\n", {{0, 0}});
    }
    {
        WBytecode bc;
        useVar("level", kCodeInstanceCreate, bc.PushVariable(kScopeGlobal));
        useFunc("show_debug_message", kCodeInstanceCreate, bc.Call(1));
        bc.Popz(WType::Variable);
        bc.Exit();
        finish(kCodeInstanceCreate, "rm_main_Instance_100001", bc, "show_debug_message(global.level);\n", {{0, 0}});
    }
    {
        WBytecode bc;
        printString(bc, kCodeMoment, kStrMoment);
        bc.Exit();
        finish(kCodeMoment, "tml_intro_Moment_0", bc, "show_debug_message(\"time line moment\");\n", {{0, 0}});
    }
    // kCodeEmptySlot stays empty.
    return sc;
}

// A picture with filled rectangles; the sample's pages only need to be real PNGs
// whose pixels show which rectangle is which.
struct CCanvas {
    int w, h;
    std::vector<uint8_t> rgba;
    CCanvas(int width, int height) : w(width), h(height), rgba(size_t(width) * size_t(height) * 4, 0) {}
    void Fill(int x0, int y0, int rw, int rh, uint32_t colour) {  // colour 0xAARRGGBB
        for (int y = std::max(0, y0); y < std::min(h, y0 + rh); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x0 + rw); ++x) {
                uint8_t* p = &rgba[(size_t(y) * size_t(w) + size_t(x)) * 4];
                p[0] = uint8_t(colour >> 16);
                p[1] = uint8_t(colour >> 8);
                p[2] = uint8_t(colour);
                p[3] = uint8_t(colour >> 24);
            }
    }
    std::vector<uint8_t> Png() const { return Png_EncodeRGBA(w, h, rgba.data()); }
};

// A mono 16-bit PCM WAV of a square wave.
std::vector<uint8_t> MakeWav(uint32_t sampleRate, uint32_t samples, uint32_t period) {
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    const uint32_t dataBytes = samples * 2;
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(sampleRate);
    put32(sampleRate * 2);
    put16(2);
    put16(16);
    tag("data");
    put32(dataBytes);
    for (uint32_t i = 0; i < samples; ++i) put16(uint16_t((i / (period / 2)) % 2 ? -8000 : 8000));
    return out;
}

// A filled circle of the given radius centred in a w x h box, one byte per pixel.
std::vector<uint8_t> CircleMask(int w, int h, float radius) {
    std::vector<uint8_t> m(size_t(w) * size_t(h));
    const float cx = (w - 1) / 2.0f, cy = (h - 1) / 2.0f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float dx = x - cx, dy = y - cy;
            m[size_t(y) * size_t(w) + size_t(x)] = dx * dx + dy * dy <= radius * radius ? 1 : 0;
        }
    return m;
}

WTexturePageEntry Entry(int16_t sx, int16_t sy, int16_t w, int16_t h, int16_t page) {
    WTexturePageEntry e;
    e.srcX = sx, e.srcY = sy, e.srcW = w, e.srcH = h;
    e.dstX = 0, e.dstY = 0, e.dstW = w, e.dstH = h;
    e.fullW = w, e.fullH = h;
    e.page = page;
    return e;
}

// Texture-page entry indices of the sample.
enum SampleTexture : int32_t {
    kTexPlayer0,
    kTexPlayer1,
    kTexPlayer2,
    kTexCoin0,
    kTexCoin1,
    kTexCoin2,
    kTexBlock,
    kTexFont,
    kTexSky,
    kTexLoading,
    kTexCount
};

}  // namespace

GameDataDesc DataFile_SampleGame() {
    GameDataDesc d;
    d.hasCode = true;
    d.strings = {"Hello from the sample game", "second create event", "time line moment"};

    WGeneral& g = d.general;
    g.tag = "GEN8";
    g.flags = 1;
    g.version = 8;
    g.fileName = "sample";
    g.configName = "Default";
    g.highestInstanceId = 100003;
    g.highestTileId = 10000002;
    g.gameId = 20240;
    for (size_t i = 0; i < g.identifier.size(); ++i) g.identifier[i] = uint8_t(0xA0 + i);
    g.gameName = "Zorvex Sample";
    g.windowWidth = 320;
    g.windowHeight = 240;
    g.headerFlags = 0x20;  // show the mouse cursor
    g.roomOrder = {0, 2};

    WOptions& o = d.options;
    o.words[WOptions::NewAudio] = 1;
    o.words[WOptions::ShowCursor] = 1;
    o.words[WOptions::WindowColour] = 0x000000;
    o.words[WOptions::ShowErrors] = 1;
    // The instance creation code reads a global that the room creation code sets.
    o.words[WOptions::UnsetVariablesAreZero] = 1;
    o.words[WOptions::CreationOrder] = 0;
    o.loadingImage = kTexLoading;
    o.constants = {{"VersionMajor", "2"}, {"VersionMinor", "5"}};

    WExtensionFunction fn;
    fn.name = "sample_ext_add";
    fn.id = 1;
    fn.kind = 0;        // cdecl
    fn.resultType = 0;  // real
    fn.externalName = "sample_ext_add";
    fn.argTypes = {0, 0};
    WExtensionFile file;
    file.name = "libsample_ext.so";
    file.initFunction = "";
    file.finalFunction = "";
    // Described but not shipped: as a passive file the runner opens nothing for it, so
    // the sample starts without a missing-library report.
    file.kind = 0;
    file.functions = {fn};
    WExtensionPackage pkg;
    pkg.name = "sample_ext";
    pkg.secondString = "1.0.0";
    pkg.files = {file};
    d.extensions = {pkg};

    // Texture pages: page 0 holds the sprite frames and the glyph sheet, page 1 the
    // background and the loading image.
    CCanvas page0(64, 64), page1(32, 32);
    d.texturePages.resize(kTexCount);
    for (int f = 0; f < 3; ++f) {
        d.texturePages[size_t(kTexPlayer0 + f)] = Entry(int16_t(f * 10), 0, 9, 12, 0);
        page0.Fill(f * 10, 0, 9, 12, 0xFF2060C0u + uint32_t(f) * 0x300000u);
        d.texturePages[size_t(kTexCoin0 + f)] = Entry(int16_t(f * 8), 16, 8, 8, 0);
        page0.Fill(f * 8, 16, 8, 8, 0xFFE0C020u - uint32_t(f) * 0x002000u);
    }
    {
        // Trimmed: a 16x16 picture whose opaque part is the inner 14x14.
        WTexturePageEntry e = Entry(33, 1, 14, 14, 0);
        e.dstX = 1, e.dstY = 1, e.fullW = 16, e.fullH = 16;
        d.texturePages[kTexBlock] = e;
        page0.Fill(33, 1, 14, 14, 0xFF808080u);
    }
    d.texturePages[kTexFont] = Entry(0, 32, 48, 16, 0);
    page0.Fill(4, 32, 8, 12, 0xFFFFFFFFu);
    page0.Fill(12, 32, 8, 12, 0xFFFFFFFFu);
    page0.Fill(20, 32, 8, 13, 0xFFFFFFFFu);
    d.texturePages[kTexSky] = Entry(0, 0, 32, 32, 1);
    page1.Fill(0, 0, 32, 32, 0xFF4080FFu);
    d.texturePages[kTexLoading] = Entry(16, 16, 16, 16, 1);
    page1.Fill(16, 16, 16, 16, 0xFFFFFF00u);
    d.textures = {WTexture{0, page0.Png()}, WTexture{0, page1.Png()}};

    WSprite player;
    player.name = "spr_player";
    player.width = 9, player.height = 12;
    player.bboxLeft = 0, player.bboxRight = 8, player.bboxTop = 0, player.bboxBottom = 11;
    player.precise = 1;
    player.originX = 4, player.originY = 6;
    player.frames = {kTexPlayer0, kTexPlayer1, kTexPlayer2};
    player.masks = {CircleMask(9, 12, 4.5f)};
    WSprite coin;
    coin.name = "spr_coin";
    coin.width = 8, coin.height = 8;
    coin.bboxRight = 7, coin.bboxBottom = 7;
    coin.precise = 1;
    coin.originX = 4, coin.originY = 4;
    coin.frames = {kTexCoin0, kTexCoin1, kTexCoin2};
    coin.masks = {CircleMask(8, 8, 3.5f), CircleMask(8, 8, 2.5f), CircleMask(8, 8, 1.5f)};
    WSprite block;
    block.name = "spr_block";
    block.width = 16, block.height = 16;
    block.bboxLeft = 1, block.bboxRight = 14, block.bboxTop = 1, block.bboxBottom = 14;
    block.bboxMode = 1;
    block.frames = {kTexBlock};
    d.sprites = {player, std::nullopt, coin, block};

    WBackground sky;
    sky.name = "bg_sky";
    sky.texture = kTexSky;
    d.backgrounds = {sky};

    WFont font;
    font.name = "fnt_main";
    font.face = "DejaVu Sans";
    font.size = 12;
    font.bold = 1;
    font.first = 32;
    font.charset = 1;
    font.antiAlias = 3;
    font.last = 67;
    font.texture = kTexFont;
    font.glyphs = {
        {32, 0, 0, 4, 12, 4, 0}, {65, 4, 0, 8, 12, 9, 0}, {66, 12, 0, 8, 12, 9, 0}, {67, 20, 0, 8, 13, 9, 1}};
    d.fonts = {font};

    WSound beep;
    beep.name = "snd_beep";
    beep.kind = 0;
    beep.fileName = "beep.wav";
    beep.audioIndex = 0;
    WSound music;
    music.name = "snd_music";
    music.kind = 1;
    music.fileName = "music.wav";
    music.volume = 0.5f;
    music.pan = -0.25f;
    music.audioIndex = 1;
    d.sounds = {beep, music};
    d.audio = {WAudio{MakeWav(22050, 441, 50)}, WAudio{MakeWav(11025, 220, 20)}};

    WPath smooth;
    smooth.name = "pth_smooth";
    smooth.kind = 1;
    smooth.closed = 1;
    smooth.precision = 4;
    smooth.points = {{0, 0, 100}, {64, 0, 100}, {64, 64, 50}, {0, 64, 100}};
    WPath straight;
    straight.name = "pth_straight";
    straight.kind = 0;
    straight.points = {{16, 16, 100}, {48, 16, 100}, {48, 48, 100}};
    d.paths = {smooth, straight};

    d.scripts = {WScript{"scr_hello", WCodeRef::Index(kCodeHello)}, std::nullopt,
                 WScript{"scr_count", WCodeRef::Index(kCodeCount)}};

    WTimeLine intro;
    intro.name = "tml_intro";
    intro.moments = {{0, WCodeRef::Index(kCodeMoment)}, {30, WCodeRef::Index(kCodeHello)}};
    WTimeLine none;
    none.name = "tml_empty";
    d.timeLines = {intro, none};

    WObject playerObj;
    playerObj.name = "obj_player";
    playerObj.sprite = 0;
    playerObj.parent = -1;
    playerObj.usesPhysics = 1;
    playerObj.physicsShape = 2;
    playerObj.physicsValue1 = 0.5f;
    playerObj.physicsValue2 = 0.1f;
    playerObj.physicsGroup = 1;
    playerObj.physicsValue3 = 0.1f;
    playerObj.physicsValue4 = 0.2f;
    playerObj.shapePoints = {{0, 0}, {9, 0}, {9, 12}, {0, 12}};
    playerObj.events.resize(4);
    playerObj.events[0] = {{0, WCodeRef::Index(kCodePlayerCreate)}, {0, WCodeRef::Index(kCodePlayerCreateAgain)}};
    playerObj.events[3] = {{0, WCodeRef::Index(kCodePlayerStep)}};
    WObject coinObj;
    coinObj.name = "obj_coin";
    coinObj.sprite = 2;
    coinObj.depth = -10;
    coinObj.parent = 0;
    WObject wall;
    wall.name = "obj_wall";
    wall.sprite = 3;
    wall.solid = 1;
    wall.parent = -100;
    wall.events.resize(12);
    d.objects = {playerObj, coinObj, std::nullopt, wall};

    WRoom main;
    main.name = "rm_main";
    main.caption = "Zorvex sample";
    main.width = 320, main.height = 240, main.speed = 30;
    main.colour = 0x402010;
    main.creationCode = WCodeRef::Index(kCodeRoomCreate);
    main.viewsEnabled = 1;
    WRoomBackground back;
    back.visible = 1;
    back.index = 0;
    back.stretch = 1;
    WRoomBackground front;
    front.visible = 1;
    front.foreground = 1;
    front.index = 0;
    front.speedH = 1;
    main.backgrounds = {back, front};
    WRoomView view;
    view.visible = 1;
    view.viewW = 320, view.viewH = 240, view.portW = 320, view.portH = 240;
    view.follow = 0;
    main.views = {view};
    WRoomInstance p;
    p.x = 32, p.y = 32, p.object = 0, p.id = 100001;
    p.creationCode = WCodeRef::Index(kCodeInstanceCreate);
    WRoomInstance c;
    c.x = 64, c.y = 32, c.object = 1, c.id = 100002;
    c.scaleX = 2, c.scaleY = 2, c.colour = 0x80FFFFFFu, c.rotation = 45;
    WRoomInstance w;
    w.x = 0, w.y = 224, w.object = 3, w.id = 100003;
    main.instances = {p, c, w};
    WRoomTile t1;
    t1.x = 0, t1.y = 0, t1.background = 0, t1.width = 16, t1.height = 16, t1.depth = 1000000, t1.id = 10000001;
    WRoomTile t2 = t1;
    t2.x = 16, t2.srcX = 16, t2.id = 10000002, t2.colour = 0x800000FFu;
    main.tiles = {t1, t2};
    main.physicsWorld = 1;
    main.gravityX = 0, main.gravityY = 10, main.physicsScale = 0.1f;
    WRoom second;
    second.name = "rm_second";
    second.caption = "Second room";
    second.width = 160, second.height = 120;
    d.rooms = {main, std::nullopt, second};

    auto text = [](const char* s) { return std::vector<uint8_t>(s, s + std::strlen(s)); };
    d.includedFiles = {WIncludedFile{"readme.txt", text("Zorvex sample game\n")},
                       WIncludedFile{"settings.ini", text("[main]\nlevel=1\n")}};

    SampleCode sc = BuildSampleCode();
    for (auto& u : sc.units) {
        if (u) d.code.push_back(u->entry);
        else d.code.push_back(std::nullopt);
    }
    d.variables = std::move(sc.variables);
    d.functions = std::move(sc.functions);
    return d;
}

DebugInfoDesc DataFile_SampleDebugInfo() {
    DebugInfoDesc d;
    for (auto& u : BuildSampleCode().units) {
        if (u) d.entries.push_back(u->debug);
        else d.entries.push_back(std::nullopt);
    }
    return d;
}
