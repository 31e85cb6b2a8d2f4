#include "pack/pack.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <set>

#include <json-c/json.h>

#include "graphics/font_render.h"
#include "graphics/png.h"
#include "io/json_doc.h"
#include "pack/events.h"
#include "pack/image.h"
#include "pack/pack_code.h"
#include "pack/texture_packer.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

enum class Kind : int { Sprite, Background, Font, Sound, Path, Script, Object, TimeLine, Room, Count };
constexpr size_t kKindCount = size_t(Kind::Count);

struct Section {
    const char* key;   // the manifest's array
    const char* word;  // the resource kind in messages
};
// Manifest order of the resource sections; also the order in which names are taken.
constexpr std::array<Section, kKindCount> kSections = {{
    {"sprites", "sprite"},
    {"backgrounds", "background"},
    {"fonts", "font"},
    {"sounds", "sound"},
    {"paths", "path"},
    {"scripts", "script"},
    {"objects", "object"},
    {"timelines", "time line"},
    {"rooms", "room"},
}};

const char* Word(Kind k) { return kSections[size_t(k)].word; }
std::string AWord(Kind k) { return (k == Kind::Object ? "an " : "a ") + std::string(Word(k)); }

bool IsIdentifier(const std::string& s) {
    if (s.empty() || !(std::isalpha(uint8_t(s[0])) || s[0] == '_')) return false;
    for (char c : s)
        if (!(std::isalnum(uint8_t(c)) || c == '_')) return false;
    return true;
}

uint64_t Fnv1a(const std::string& s, uint64_t h = 1469598103934665603ull) {
    for (char c : s) {
        h ^= uint8_t(c);
        h *= 1099511628211ull;
    }
    return h;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(uint8_t(c)));
    return s;
}

constexpr int kMaxPictureSide = 8192;  // texture-page entry fields are 16-bit; pages stop at 8192
constexpr uint32_t kFirstInstanceId = 100001;
constexpr uint32_t kFirstTileId = 10000001;

// A texture-page entry waiting for the packer.
struct PendingPicture {
    size_t image = 0;  // into CBuilder::images_
    CRect part;
    bool extrude = false;
    std::string file;  // for "does not fit" messages
    int line = 0;
    std::string what;
};

// A room instance or tile whose id is assigned once every explicit id is known.
struct PendingId {
    size_t room = 0;
    size_t index = 0;
};

class CBuilder {
public:
    CBuilder(const std::string& dir, const PackOptions& options, CLineErrors& errors)
        : dir_(dir), options_(options), errors_(errors) {}

    bool Run(PackOutput& out);

private:
    // --- files ---
    // A project file as it is opened and as messages name it: the project folder as the
    // user gave it, joined with the relative path (absolute paths stay as they are).
    std::string Display(const std::string& rel) const {
        fs::path p(rel);
        if (p.is_absolute()) return p.lexically_normal().string();
        return (fs::path(dir_) / p).lexically_normal().string();
    }
    // Reads a file named by field `key` of `f` (the value `rel`); errors name that field.
    bool ReadBytes(const CJsonFields& f, const char* key, const std::string& rel, std::vector<uint8_t>& out);
    bool ReadPicture(const CJsonFields& f, const char* key, const std::string& rel, CImage& out);

    // --- names ---
    void CollectNames(CJsonFields& root);
    int Find(Kind kind, const std::string& name) const;
    // A field naming a resource of `kind`: -1 when absent or null; an error when unknown.
    bool Ref(CJsonFields& f, const char* key, Kind kind, int32_t& out);
    std::string NameOf(Kind kind, int index) const {
        const auto& list = indexNames_[size_t(kind)];
        return index >= 0 && size_t(index) < list.size() ? list[size_t(index)] : std::string();
    }

    // --- code ---
    // A code value: a string names a file; {"file": ...} or {"code": ...}. -1 for none.
    int AddCode(const CJsonFields& owner, const char* key, json_object* codeNode, const std::string& unitName);
    // "file" / "code" fields on the record itself; `defaultFile` is used when both are absent.
    int AddCodeFields(CJsonFields& f, const std::string& unitName, const std::string& defaultFile);
    int AddUnit(const std::string& unitName, std::string text, const std::string& file, int firstLine);

    // --- pictures ---
    int AddPicture(CImage image, CRect part, bool extrude, const CJsonFields& f, const char* key, std::string what);
    bool PackPictures();

    // --- sections ---
    void ReadGame(CJsonFields& root);
    void ReadOptions(CJsonFields& root);
    void ReadConstants(CJsonFields& root, std::vector<std::pair<std::string, std::string>>& versionConstants);
    void ReadTexturePages(CJsonFields& root);
    template <typename Fn>
    void EachEntry(CJsonFields& root, Kind kind, Fn&& fn);
    void ReadSprite(CJsonFields& f, WSprite& s);
    void ReadBackground(CJsonFields& f, WBackground& b);
    void ReadFont(CJsonFields& f, WFont& font);
    void ReadSound(CJsonFields& f, WSound& s);
    void ReadPath(CJsonFields& f, WPath& p);
    void ReadScript(CJsonFields& f, WScript& s);
    void ReadObject(CJsonFields& f, WObject& o);
    void ReadTimeLine(CJsonFields& f, WTimeLine& t);
    void ReadRoom(CJsonFields& f, WRoom& r, size_t roomIndex);
    void ReadRoomOrder(CJsonFields& root);
    void ReadIncludedFiles(CJsonFields& root);
    void ReadExtensions(CJsonFields& root);
    void CheckParents();
    void AssignIds();
    void FinishCode(PackOutput& out);

    // A small array of numbers ("origin": [x, y]); false (after an error) when it is not one.
    bool Numbers(CJsonFields& f, const char* key, double* out, size_t n, bool integers);

    std::string dir_;
    PackOptions options_;
    CLineErrors& errors_;
    CJsonDoc doc_;
    std::string manifest_;  // the manifest's display name
    GameDataDesc desc_;

    struct NameInfo {
        Kind kind;
        int index;
        int line;
    };
    std::map<std::string, NameInfo> names_;
    std::array<std::vector<std::string>, kKindCount> indexNames_;

    std::vector<PackCodeUnit> units_;
    std::deque<CImage> images_;
    std::vector<PendingPicture> pictures_;
    TexturePackSettings pageSettings_;

    std::vector<std::pair<std::string, std::string>> versionConstants_;
    std::vector<int> constantLines_;  // parallel to the options' constants
    std::vector<PendingId> autoInstances_, autoTiles_;
    std::set<uint32_t> usedInstanceIds_, usedTileIds_;
    std::map<uint32_t, int> instanceIdLines_, tileIdLines_;
};

// ---- files ----------------------------------------------------------------------

bool CBuilder::ReadBytes(const CJsonFields& f, const char* key, const std::string& rel, std::vector<uint8_t>& out) {
    std::string error;
    if (rel.empty()) {
        f.Error(key, std::string("\"") + key + "\" names no file");
        return false;
    }
    std::error_code ec;
    if (fs::is_directory(Display(rel), ec)) {
        f.Error(key, "cannot read " + Display(rel) + ": it is a folder");
        return false;
    }
    if (!File_ReadWhole(Display(rel), out, error)) {
        f.Error(key, "cannot read " + Display(rel) + ": " + error);
        return false;
    }
    return true;
}

bool CBuilder::ReadPicture(const CJsonFields& f, const char* key, const std::string& rel, CImage& out) {
    std::vector<uint8_t> bytes;
    if (!ReadBytes(f, key, rel, bytes)) return false;
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    if (!Png_DecodeRGBA(bytes.data(), bytes.size(), w, h, rgba)) {
        f.Error(key, Display(rel) + " is not a PNG picture that can be read");
        return false;
    }
    if (w > kMaxPictureSide || h > kMaxPictureSide) {
        f.Error(key, Display(rel) + " is " + std::to_string(w) + " by " + std::to_string(h) +
                         " pixels; pictures can be at most 8192 by 8192");
        return false;
    }
    out = CImage(w, h, std::move(rgba));
    return true;
}

// ---- names ----------------------------------------------------------------------

void CBuilder::CollectNames(CJsonFields& root) {
    for (size_t k = 0; k < kKindCount; ++k) {
        const Section& sec = kSections[k];
        if (!root.Has(sec.key)) continue;
        json_object* list = root.Object() ? json_object_object_get(root.Object(), sec.key) : nullptr;
        if (!Json_IsArray(list)) {
            root.Error(sec.key, std::string("\"") + sec.key + "\" must be an array of " + sec.word + "s");
            continue;
        }
        indexNames_[k].resize(Json_ArrayLength(list));
        for (size_t i = 0; i < Json_ArrayLength(list); ++i) {
            json_object* e = Json_ArrayAt(list, i);
            int line = doc_.ElementLine(list, i);
            if (!e) continue;  // an empty slot keeps its index
            if (!Json_IsObject(e)) {
                errors_.Add(
                    manifest_, line,
                    std::string("each entry of \"") + sec.key + "\" must be an object (or null for an empty slot)");
                continue;
            }
            json_object* nameValue = nullptr;
            if (!json_object_object_get_ex(e, "name", &nameValue) || !Json_IsString(nameValue)) {
                errors_.Add(manifest_, line, std::string(sec.word) + " without a \"name\"");
                continue;
            }
            std::string name = Json_StringValue(nameValue);
            int nameLine = doc_.KeyLine(e, "name");
            if (!IsIdentifier(name)) {
                errors_.Add(manifest_, nameLine,
                            std::string(sec.word) + " name \"" + name +
                                "\" is not a name scripts can use (letters, digits and _, not starting with a digit)");
                continue;
            }
            auto [it, fresh] = names_.emplace(name, NameInfo{Kind(k), int(i), nameLine});
            if (!fresh) {
                errors_.Add(manifest_, nameLine,
                            "the name " + name + " is already used by the " + Word(it->second.kind) + " at line " +
                                std::to_string(it->second.line));
                continue;
            }
            indexNames_[k][i] = name;
        }
    }
}

int CBuilder::Find(Kind kind, const std::string& name) const {
    auto it = names_.find(name);
    return it != names_.end() && it->second.kind == kind ? it->second.index : -1;
}

bool CBuilder::Ref(CJsonFields& f, const char* key, Kind kind, int32_t& out) {
    json_object* v = f.Get(key);
    if (!v) return false;
    if (!Json_IsString(v)) {
        f.Error(key, std::string("\"") + key + "\" must name " + AWord(kind) + ", not be " + Json_TypeWord(v));
        return false;
    }
    std::string name = Json_StringValue(v);
    int index = Find(kind, name);
    if (index < 0) {
        auto it = names_.find(name);
        if (it != names_.end()) f.Error(key, name + " is " + AWord(it->second.kind) + ", not " + AWord(kind));
        else f.Error(key, std::string("unknown ") + Word(kind) + " " + name);
        return false;
    }
    out = index;
    return true;
}

// ---- code -----------------------------------------------------------------------

int CBuilder::AddUnit(const std::string& unitName, std::string text, const std::string& file, int firstLine) {
    units_.push_back(PackCodeUnit{unitName, std::move(text), file, firstLine});
    return int(units_.size() - 1);
}

int CBuilder::AddCode(const CJsonFields& owner, const char* key, json_object* codeNode, const std::string& unitName) {
    if (!codeNode) return -1;
    const int line = owner.Line(key);
    std::string file;
    if (Json_IsString(codeNode)) {
        file = Json_StringValue(codeNode);
    } else if (Json_IsObject(codeNode)) {
        CJsonFields c(doc_, errors_, codeNode, doc_.ValueLine(codeNode), owner.What() + " " + key);
        std::string code;
        bool hasFile = c.String("file", file), hasCode = c.String("code", code);
        c.CheckUnknown();
        if (hasFile == hasCode) {
            c.Error("give either \"file\" or \"code\"");
            return -1;
        }
        if (hasCode) return AddUnit(unitName, code, manifest_, doc_.KeyLine(codeNode, "code"));
    } else {
        owner.Error(key, std::string("\"") + key + "\" must name a script file or be {\"code\": \"...\"}, not " +
                             Json_TypeWord(codeNode));
        return -1;
    }
    std::vector<uint8_t> bytes;
    CJsonFields at(doc_, errors_, nullptr, line, owner.What());
    if (!ReadBytes(at, key, file, bytes)) return -1;
    return AddUnit(unitName, std::string(bytes.begin(), bytes.end()), Display(file), 1);
}

int CBuilder::AddCodeFields(CJsonFields& f, const std::string& unitName, const std::string& defaultFile) {
    std::string file, code;
    bool hasFile = f.String("file", file), hasCode = f.String("code", code);
    if (hasFile && hasCode) {
        f.Error("code", "give either \"file\" or \"code\", not both");
        return -1;
    }
    if (hasCode) return AddUnit(unitName, code, manifest_, f.Line("code"));
    if (!hasFile) {
        if (defaultFile.empty()) return -1;
        file = defaultFile;
    }
    std::vector<uint8_t> bytes;
    if (!ReadBytes(f, hasFile ? "file" : "name", file, bytes)) return -1;
    return AddUnit(unitName, std::string(bytes.begin(), bytes.end()), Display(file), 1);
}

// ---- pictures -------------------------------------------------------------------

int CBuilder::AddPicture(CImage image, CRect part, bool extrude, const CJsonFields& f, const char* key,
                         std::string what) {
    images_.push_back(std::move(image));
    const CImage& img = images_.back();
    pictures_.push_back(PendingPicture{images_.size() - 1, part, extrude, manifest_, f.Line(key), std::move(what)});
    WTexturePageEntry e;
    e.dstX = int16_t(part.x);
    e.dstY = int16_t(part.y);
    e.dstW = int16_t(part.w);
    e.dstH = int16_t(part.h);
    e.srcW = int16_t(part.w);
    e.srcH = int16_t(part.h);
    e.fullW = int16_t(img.Width());
    e.fullH = int16_t(img.Height());
    desc_.texturePages.push_back(e);
    return int(desc_.texturePages.size() - 1);
}

bool CBuilder::PackPictures() {
    std::vector<TexturePackItem> items;
    items.reserve(pictures_.size());
    for (const PendingPicture& p : pictures_) items.push_back(TexturePackItem{&images_[p.image], p.part, p.extrude});
    TexturePackResult result;
    size_t tooLarge = 0;
    if (!TexturePack_Run(items, pageSettings_, result, tooLarge)) {
        const PendingPicture& p = pictures_[tooLarge];
        errors_.Add(p.file, p.line,
                    p.what + " (" + std::to_string(p.part.w) + " by " + std::to_string(p.part.h) +
                        " pixels) does not fit on a " + std::to_string(pageSettings_.pageSize) +
                        "-pixel texture page with " + std::to_string(pageSettings_.padding) + " pixels of padding");
        return false;
    }
    for (size_t i = 0; i < pictures_.size(); ++i) {
        WTexturePageEntry& e = *desc_.texturePages[i];
        e.srcX = int16_t(result.placements[i].x);
        e.srcY = int16_t(result.placements[i].y);
        e.page = int16_t(result.placements[i].page);
    }
    for (const CImage& page : result.pages) {
        std::vector<uint8_t> png = Png_EncodeRGBA(page.Width(), page.Height(), page.Pixels().data());
        if (png.empty()) {
            errors_.Add(manifest_, 0, "a texture page could not be encoded as PNG");
            return false;
        }
        desc_.textures.push_back(WTexture{0, std::move(png)});
    }
    return true;
}

// ---- small helpers --------------------------------------------------------------

bool CBuilder::Numbers(CJsonFields& f, const char* key, double* out, size_t n, bool integers) {
    json_object* v = f.Get(key);
    if (!v) return false;
    bool ok = Json_IsArray(v) && Json_ArrayLength(v) == n;
    for (size_t i = 0; ok && i < n; ++i) {
        double d = 0;
        ok = Json_NumberValue(Json_ArrayAt(v, i), d) && (!integers || (d == std::floor(d) && std::fabs(d) < 2e9));
        if (ok) out[i] = d;
    }
    if (!ok) {
        f.Error(key, std::string("\"") + key + "\" must be an array of " + std::to_string(n) +
                         (integers ? " whole numbers" : " numbers"));
        return false;
    }
    return true;
}

// A field that takes one of a few words, or the number they stand for (0..maxNumber).
bool Choice(CJsonFields& f, const char* key, std::initializer_list<std::pair<const char*, int32_t>> words,
            int32_t maxNumber, int32_t& out) {
    json_object* v = f.Get(key);
    if (!v) return false;
    if (!Json_IsString(v)) return f.Int(key, out, 0, maxNumber);
    const std::string word = Json_StringValue(v);
    std::string list;
    for (const auto& [w, value] : words) {
        if (word == w) {
            out = value;
            return true;
        }
        list += std::string(list.empty() ? "" : ", ") + w;
    }
    f.Error(key, std::string("\"") + key + "\" must be one of " + list + " (or a number up to " +
                     std::to_string(maxNumber) + "), not \"" + word + "\"");
    return false;
}

template <typename Fn>
void CBuilder::EachEntry(CJsonFields& root, Kind kind, Fn&& fn) {
    const Section& sec = kSections[size_t(kind)];
    json_object* list = root.Get(sec.key);
    if (!Json_IsArray(list)) return;  // reported by CollectNames
    for (size_t i = 0; i < Json_ArrayLength(list); ++i) {
        json_object* e = Json_ArrayAt(list, i);
        if (!Json_IsObject(e) || indexNames_[size_t(kind)][i].empty()) {
            fn(i, nullptr);
            continue;
        }
        CJsonFields f(doc_, errors_, e, doc_.ElementLine(list, i),
                      std::string(sec.word) + " " + indexNames_[size_t(kind)][i]);
        f.Get("name");
        fn(i, &f);
        f.CheckUnknown();
    }
}

// ---- game, options, constants ---------------------------------------------------

void CBuilder::ReadGame(CJsonFields& root) {
    WGeneral& g = desc_.general;
    g.tag = "GEN8";
    g.version = 8;
    CJsonFields f(doc_, errors_, root.Get("game"), root.Line("game"), "game");
    if (!root.Has("game")) {
        root.Error("the manifest needs a \"game\" object with at least the game's \"name\"");
        return;
    }
    if (!Json_IsObject(f.Object())) {
        root.Error("game", "\"game\" must be an object");
        return;
    }
    if (!f.String("name", g.gameName) || g.gameName.empty()) f.Error("name", "the game needs a non-empty \"name\"");
    g.fileName = g.gameName;
    f.String("file_name", g.fileName);
    f.String("config", g.configName);
    uint64_t h = Fnv1a(g.gameName);
    g.gameId = uint32_t(h >> 33);  // a stable default: the same name gives the same id
    f.Uint("id", g.gameId);
    for (size_t i = 0; i < g.identifier.size(); ++i) {
        if (i == 8) h = Fnv1a(g.gameName, h);
        g.identifier[i] = uint8_t(h >> (8 * (i % 8)));
    }
    std::string ident;
    if (f.String("identifier", ident)) {
        bool ok = ident.size() == 32;
        for (size_t i = 0; ok && i < 16; ++i) {
            auto hex = [](char c) {
                return std::isxdigit(uint8_t(c)) ? (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10) : -1;
            };
            int hi = hex(ident[2 * i]), lo = hex(ident[2 * i + 1]);
            ok = hi >= 0 && lo >= 0;
            if (ok) g.identifier[i] = uint8_t(hi << 4 | lo);
        }
        if (!ok) f.Error("identifier", "\"identifier\" must be 32 hexadecimal digits");
    }
    bool debug = false;
    f.Bool("debug", debug);
    g.flags = debug ? 0 : 1;

    // The game's version becomes the two constants the runner reads as numbers; they
    // go first so that the manifest's constants follow in their own order.
    double version[2] = {0, 0};
    if (Numbers(f, "version", version, 2, true)) {
        if (version[0] < 0 || version[1] < 0) {
            f.Error("version", "\"version\" numbers must not be negative");
        } else {
            versionConstants_.emplace_back("VersionMajor", std::to_string(int64_t(version[0])));
            versionConstants_.emplace_back("VersionMinor", std::to_string(int64_t(version[1])));
            constantLines_.assign(2, f.Line("version"));
        }
    }

    CJsonFields w(doc_, errors_, f.Get("window"), f.Line("window"), "game window");
    if (f.Has("window") && !Json_IsObject(w.Object())) f.Error("window", "\"window\" must be an object");
    w.Uint("width", g.windowWidth, 1, 8192);
    w.Uint("height", g.windowHeight, 1, 8192);
    bool borderless = false, resizable = false, cursor = true;
    int32_t splash = 0;
    w.Bool("borderless", borderless);
    w.Bool("resizable", resizable);
    w.Bool("show_cursor", cursor);
    w.Int("splash", splash, 0, 3);
    uint32_t extra = 0;
    w.Uint("flags", extra);
    w.CheckUnknown();
    g.headerFlags = extra | (borderless ? 0x1u : 0) | (cursor ? 0x20u : 0) | (resizable ? 0x40u : 0) |
                    (splash == 1   ? 0x200u
                     : splash == 2 ? 0x400u
                     : splash == 3 ? 0x800u
                                   : 0);
    desc_.options.words[WOptions::ShowCursor] = cursor ? 1 : 0;
    f.CheckUnknown();
}

void CBuilder::ReadOptions(CJsonFields& root) {
    WOptions& o = desc_.options;
    // Defaults for a game made today: new audio, errors shown, create event first.
    o.words[WOptions::NewAudio] = 1;
    o.words[WOptions::ShowErrors] = 1;
    o.words[WOptions::CreationOrder] = 1;
    if (!root.Has("options")) return;
    CJsonFields f(doc_, errors_, root.Get("options"), root.Line("options"), "options");
    if (!Json_IsObject(f.Object())) {
        root.Error("options", "\"options\" must be an object");
        return;
    }
    // Raw words first, so that the named settings below win over them.
    if (json_object* words = f.Get("words")) {
        if (!Json_IsObject(words)) {
            f.Error("words", "\"words\" must be an object of word index: value");
        } else {
            CJsonFields wf(doc_, errors_, words, doc_.ValueLine(words), "options words");
            for (const std::string& key : Json_Keys(words)) {
                char* end = nullptr;
                long index = std::strtol(key.c_str(), &end, 10);
                if (key.empty() || *end || index < 0 || index >= long(o.words.size()) ||
                    index == WOptions::LoadingImage) {
                    wf.Error(key.c_str(), "\"" + key + "\" is not an option word index (0 to 34, except 26)");
                    wf.Get(key.c_str());
                    continue;
                }
                wf.Uint(key.c_str(), o.words[size_t(index)]);
            }
        }
    }
    struct FlagWord {
        const char* key;
        int word;
    };
    static constexpr FlagWord kFlags[] = {
        {"full_screen", WOptions::FullScreen},           {"new_audio", WOptions::NewAudio},
        {"alt_enter_switch", WOptions::AltEnterSwitch},  {"freeze_when_inactive", WOptions::FreezeOnLostFocus},
        {"progress_bar", WOptions::ProgressBar},         {"show_errors", WOptions::ShowErrors},
        {"abort_on_error", WOptions::AbortOnError},      {"unset_variables_are_zero", WOptions::UnsetVariablesAreZero},
        {"create_event_first", WOptions::CreationOrder},
    };
    for (const FlagWord& fw : kFlags) f.Flag(fw.key, o.words[size_t(fw.word)]);
    f.Colour("window_colour", o.words[WOptions::WindowColour]);
    std::string loading;
    if (f.String("loading_image", loading)) {
        CImage img;
        if (ReadPicture(f, "loading_image", loading, img)) {
            CRect whole{0, 0, img.Width(), img.Height()};
            o.loadingImage = AddPicture(std::move(img), whole, false, f, "loading_image", "the loading image");
        }
    }
    f.CheckUnknown();
}

void CBuilder::ReadConstants(CJsonFields& root, std::vector<std::pair<std::string, std::string>>& out) {
    out = versionConstants_;
    if (!root.Has("constants")) return;
    json_object* c = root.Get("constants");
    if (!Json_IsObject(c)) {
        root.Error("constants", "\"constants\" must be an object of name: value");
        return;
    }
    CJsonFields f(doc_, errors_, c, doc_.ValueLine(c), "constants");
    for (const std::string& name : Json_Keys(c)) {
        json_object* v = f.Get(name.c_str());
        if (!IsIdentifier(name)) {
            f.Error(name.c_str(), "constant name \"" + name + "\" is not a name scripts can use");
            continue;
        }
        auto clash = names_.find(name);
        if (clash != names_.end()) {
            f.Error(name.c_str(), "constant " + name + " has the name of the " + Word(clash->second.kind) +
                                      " at line " + std::to_string(clash->second.line) +
                                      ", which scripts would see instead");
            continue;
        }
        std::string text;
        if (Json_IsString(v)) {
            text = Json_StringValue(v);
        } else if (json_object_is_type(v, json_type_int) || json_object_is_type(v, json_type_double)) {
            double d = 0;
            if (!Json_NumberValue(v, d)) {
                f.Error(name.c_str(), "constant " + name + " must be a finite number");
                continue;
            }
            text = json_object_is_type(v, json_type_int) ? std::to_string(json_object_get_int64(v))
                                                         : json_object_get_string(v);
        } else if (json_object_is_type(v, json_type_boolean)) {
            text = json_object_get_boolean(v) ? "1" : "0";
        } else {
            f.Error(name.c_str(), "constant " + name + " must be a number, true/false, or the text of an expression");
            continue;
        }
        if (name == "VersionMajor" || name == "VersionMinor") {
            if (!versionConstants_.empty()) {
                f.Error(name.c_str(), name + " is already given by the game's \"version\"");
                continue;
            }
        }
        out.emplace_back(name, text);
        constantLines_.push_back(f.Line(name.c_str()));
    }
}

void CBuilder::ReadTexturePages(CJsonFields& root) {
    pageSettings_.pageSize = kPackDefaultPageSize;
    if (root.Has("texture_pages")) {
        CJsonFields f(doc_, errors_, root.Get("texture_pages"), root.Line("texture_pages"), "texture_pages");
        if (!Json_IsObject(f.Object())) {
            root.Error("texture_pages", "\"texture_pages\" must be an object");
        } else {
            f.Int("size", pageSettings_.pageSize, 32, kMaxPictureSide);
            f.Int("padding", pageSettings_.padding, 0, 16);
            f.CheckUnknown();
        }
    }
    if (options_.pageSize > 0) pageSettings_.pageSize = options_.pageSize;
}

// ---- graphic resources ----------------------------------------------------------

void CBuilder::ReadSprite(CJsonFields& f, WSprite& s) {
    std::vector<CImage> frames;
    json_object* list = f.Get("frames");
    json_object* strip = f.Get("strip");
    if (!!list == !!strip) {
        f.Error("a sprite needs either \"frames\" (a list of PNG files) or \"strip\"");
        return;
    }
    if (list) {
        if (!Json_IsArray(list) || Json_ArrayLength(list) == 0) {
            f.Error("frames", "\"frames\" must be a non-empty list of PNG file names");
            return;
        }
        for (size_t i = 0; i < Json_ArrayLength(list); ++i) {
            json_object* e = Json_ArrayAt(list, i);
            CJsonFields at(doc_, errors_, nullptr, doc_.ElementLine(list, i), f.What());
            if (!Json_IsString(e)) {
                at.Error("each frame must be a PNG file name");
                return;
            }
            CImage img;
            if (!ReadPicture(at, "frames", Json_StringValue(e), img)) return;
            frames.push_back(std::move(img));
        }
    } else {
        CJsonFields sf(doc_, errors_, strip, doc_.ValueLine(strip), f.What() + " strip");
        if (!Json_IsObject(strip)) {
            f.Error("strip", "\"strip\" must be {\"file\": \"...\", \"frames\": N}");
            return;
        }
        std::string file;
        int32_t count = 1;
        sf.Int("frames", count, 1, 4096);
        if (!sf.String("file", file)) sf.Error("a strip needs its \"file\"");
        sf.CheckUnknown();
        CImage img;
        if (file.empty() || !ReadPicture(sf, "file", file, img)) return;
        if (img.Width() % count != 0) {
            sf.Error("frames", Display(file) + " is " + std::to_string(img.Width()) +
                                   " pixels wide, which does not divide into " + std::to_string(count) + " frames");
            return;
        }
        const int w = img.Width() / count;
        for (int i = 0; i < count; ++i) frames.push_back(img.Crop(CRect{i * w, 0, w, img.Height()}));
    }
    s.width = frames[0].Width();
    s.height = frames[0].Height();
    for (size_t i = 1; i < frames.size(); ++i)
        if (frames[i].Width() != s.width || frames[i].Height() != s.height) {
            f.Error(list ? "frames" : "strip",
                    "frame " + std::to_string(i) + " is " + std::to_string(frames[i].Width()) + " by " +
                        std::to_string(frames[i].Height()) + " pixels, but frame 0 is " + std::to_string(s.width) +
                        " by " + std::to_string(s.height) + "; all frames of a sprite have one size");
            return;
        }

    int32_t tolerance = 0;
    f.Int("alpha_tolerance", tolerance, 0, 254);
    f.Flag("transparent", s.transparent);
    f.Flag("smooth", s.smooth);
    f.Flag("preload", s.preload);
    bool trim = true;
    f.Bool("trim", trim);

    // Origin: [x, y], or "centre" for the middle of the frame.
    if (json_object* origin = f.Get("origin")) {
        std::string word = Json_StringValue(origin);
        if (word == "centre" || word == "center") {
            s.originX = s.width / 2;
            s.originY = s.height / 2;
        } else if (Json_IsString(origin)) {
            f.Error("origin", "\"origin\" must be [x, y] or \"centre\"");
        } else {
            double xy[2] = {0, 0};
            if (Numbers(f, "origin", xy, 2, true)) {
                s.originX = int32_t(xy[0]);
                s.originY = int32_t(xy[1]);
            }
        }
    }

    // Bounding box: "automatic" (the opaque pixels of all frames), "full" or [left, top, right, bottom].
    CRect opaque;
    for (const CImage& img : frames) {
        CRect r = Image_OpaqueBounds(img, uint8_t(tolerance));
        if (r.Empty()) continue;
        if (opaque.Empty()) {
            opaque = r;
        } else {
            int x0 = std::min(opaque.x, r.x), y0 = std::min(opaque.y, r.y);
            int x1 = std::max(opaque.Right(), r.Right()), y1 = std::max(opaque.Bottom(), r.Bottom());
            opaque = CRect{x0, y0, x1 - x0, y1 - y0};
        }
    }
    s.bboxMode = 0;
    if (opaque.Empty()) opaque = CRect{0, 0, s.width, s.height};
    CRect box = opaque;
    if (json_object* bbox = f.Get("bbox")) {
        std::string word = Json_StringValue(bbox);
        if (word == "automatic") {
            s.bboxMode = 0;
        } else if (word == "full") {
            s.bboxMode = 1;
            box = CRect{0, 0, s.width, s.height};
        } else if (Json_IsArray(bbox)) {
            double ltrb[4] = {0, 0, 0, 0};
            if (Numbers(f, "bbox", ltrb, 4, true)) {
                if (ltrb[0] > ltrb[2] || ltrb[1] > ltrb[3]) {
                    f.Error("bbox", "\"bbox\" is [left, top, right, bottom] with left <= right and top <= bottom");
                } else {
                    s.bboxMode = 2;
                    box = CRect{int(ltrb[0]), int(ltrb[1]), int(ltrb[2] - ltrb[0] + 1), int(ltrb[3] - ltrb[1] + 1)};
                }
            }
        } else {
            f.Error("bbox", "\"bbox\" must be \"automatic\", \"full\" or [left, top, right, bottom]");
        }
    }
    s.bboxLeft = box.x;
    s.bboxTop = box.y;
    s.bboxRight = box.Right() - 1;
    s.bboxBottom = box.Bottom() - 1;

    bool precise = false;
    f.Bool("precise", precise);
    s.precise = precise ? 1 : 0;
    std::string maskMode = "per_frame";
    if (f.String("masks", maskMode) && maskMode != "per_frame" && maskMode != "shared")
        f.Error("masks", "\"masks\" must be \"per_frame\" or \"shared\"");
    if (precise) {
        // A pixel is solid when it is opaque enough and inside the bounding box.
        auto solid = [&](const CImage& img, int x, int y) {
            return img.Alpha(x, y) > tolerance && x >= box.x && x < box.Right() && y >= box.y && y < box.Bottom();
        };
        const size_t n = size_t(s.width) * size_t(s.height);
        if (maskMode == "shared") {
            std::vector<uint8_t> mask(n, 0);
            for (const CImage& img : frames)
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x)
                        if (solid(img, x, y)) mask[size_t(y) * size_t(s.width) + size_t(x)] = 1;
            s.masks.push_back(std::move(mask));
        } else {
            for (const CImage& img : frames) {
                std::vector<uint8_t> mask(n, 0);
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x)
                        if (solid(img, x, y)) mask[size_t(y) * size_t(s.width) + size_t(x)] = 1;
                s.masks.push_back(std::move(mask));
            }
        }
    }

    for (size_t i = 0; i < frames.size(); ++i) {
        CRect part{0, 0, s.width, s.height};
        if (trim) {
            part = Image_OpaqueBounds(frames[i], 0);
            if (part.Empty()) part = CRect{0, 0, 1, 1};  // nothing to see; one clear pixel keeps the entry valid
        }
        s.frames.push_back(AddPicture(std::move(frames[i]), part, false, f, list ? "frames" : "strip",
                                      f.What() + " frame " + std::to_string(i)));
    }
}

void CBuilder::ReadBackground(CJsonFields& f, WBackground& b) {
    f.Flag("transparent", b.transparent);
    f.Flag("smooth", b.smooth);
    f.Flag("preload", b.preload);
    std::string file;
    if (!f.String("file", file)) {
        f.Error("a background needs its \"file\" (a PNG picture)");
        return;
    }
    CImage img;
    if (!ReadPicture(f, "file", file, img)) return;
    // Never trimmed, and its edges are repeated into the padding: backgrounds are drawn tiled.
    CRect whole{0, 0, img.Width(), img.Height()};
    b.texture = AddPicture(std::move(img), whole, true, f, "file", f.What());
}

void CBuilder::ReadFont(CJsonFields& f, WFont& font) {
    std::string file;
    if (!f.String("file", file)) {
        f.Error("a font needs its \"file\" (a TrueType or OpenType font)");
        return;
    }
    FontRenderRequest req;
    f.Int("size", req.size, 1, 512);
    f.Bool("bold", req.bold);
    f.Bool("italic", req.italic);
    double range[2] = {32, 127};
    if (f.Has("range") && Numbers(f, "range", range, 2, true)) {
        if (range[0] < 0 || range[1] > 32767 || range[0] > range[1]) {
            f.Error("range", "\"range\" is [first, last] with 0 <= first <= last <= 32767");
            return;
        }
    }
    req.first = int(range[0]);
    req.last = int(range[1]);
    int32_t antialias = 3;
    f.Int("antialias", antialias, 0, 254);
    req.antialias = antialias > 0;
    int32_t charset = 0;
    f.Int("charset", charset, 0, 255);
    bool hasFace = f.String("face", font.face);
    if (!ReadBytes(f, "file", file, req.fontFile)) return;
    req.maxSheetWidth = pageSettings_.pageSize - 2 * pageSettings_.padding;
    FontRenderResult res;
    std::string error;
    if (!Font_Render(req, res, error)) {
        f.Error("file", Display(file) + ": " + error);
        return;
    }
    if (!hasFace) font.face = res.family;
    font.size = uint32_t(req.size);
    font.bold = req.bold;
    font.italic = req.italic;
    font.first = uint16_t(req.first);
    font.last = uint32_t(req.last);
    font.charset = uint8_t(charset);
    font.antiAlias = uint8_t(antialias + 1);
    font.glyphs.clear();
    for (const CGlyph& g : res.glyphs)
        font.glyphs.push_back(WGlyph{g.code, g.x, g.y, g.width, g.height, g.shift, g.offset});
    CRect whole{0, 0, res.sheetWidth, res.sheetHeight};
    font.texture = AddPicture(CImage(res.sheetWidth, res.sheetHeight, std::move(res.sheetRgba)), whole, false, f,
                              "file", f.What() + " glyph sheet");
}

void CBuilder::ReadSound(CJsonFields& f, WSound& s) {
    std::string file;
    if (!f.String("file", file)) {
        f.Error("a sound needs its \"file\" (WAV or OGG)");
        return;
    }
    Choice(f, "kind", {{"normal", 0}, {"music", 1}, {"3d", 2}, {"multimedia", 3}}, 3, s.kind);
    if (f.Float("volume", s.volume) && (s.volume < 0 || s.volume > 1)) f.Error("volume", "\"volume\" runs from 0 to 1");
    if (f.Float("pan", s.pan) && (s.pan < -1 || s.pan > 1)) f.Error("pan", "\"pan\" runs from -1 to 1");
    f.Flag("preload", s.preload);
    if (json_object* fx = f.Get("effects")) {
        static const char* const kEffects[] = {"chorus", "echo",       "flanger",  "gargle",
                                               "reverb", "compressor", "equalizer"};
        if (Json_IsArray(fx)) {
            for (size_t i = 0; i < Json_ArrayLength(fx); ++i) {
                std::string name = Json_StringValue(Json_ArrayAt(fx, i));
                auto it = std::find(std::begin(kEffects), std::end(kEffects), name);
                if (it == std::end(kEffects)) {
                    f.Error("effects", "unknown sound effect \"" + name +
                                           "\" (chorus, echo, flanger, gargle, reverb, compressor, equalizer)");
                    break;
                }
                s.effects |= 1u << (it - std::begin(kEffects));
            }
        } else {
            f.Uint("effects", s.effects, 0, 127);
        }
    }

    std::vector<uint8_t> bytes;
    if (!ReadBytes(f, "file", file, bytes)) return;
    std::string ext = Lower(fs::path(file).extension().string());
    // The runner decodes by content; catching a mislabelled file here saves a silent game.
    bool wav =
        bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 && std::memcmp(&bytes[8], "WAVE", 4) == 0;
    bool ogg = bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0;
    if (ext == ".wav" && !wav) {
        f.Error("file", Display(file) + " does not start like a WAV file (RIFF ... WAVE)");
        return;
    }
    if (ext == ".ogg" && !ogg) {
        f.Error("file", Display(file) + " does not start like an OGG file (OggS)");
        return;
    }
    if (ext != ".wav" && ext != ".ogg" && ext != ".mp3") {
        f.Error("file", Display(file) + ": sounds are .wav, .ogg or .mp3 files");
        return;
    }
    s.fileType = ext;
    s.fileName = fs::path(file).filename().string();
    s.audioIndex = int32_t(desc_.audio.size());
    desc_.audio.push_back(WAudio{std::move(bytes)});
}

// ---- logic resources ------------------------------------------------------------

void CBuilder::ReadPath(CJsonFields& f, WPath& p) {
    bool smooth = false, closed = false;
    f.Bool("smooth", smooth);
    f.Bool("closed", closed);
    p.kind = smooth ? 1 : 0;
    p.closed = closed ? 1 : 0;
    f.Uint("precision", p.precision, 1, 8);
    json_object* points = f.Get("points");
    if (!points) return;
    if (!Json_IsArray(points)) {
        f.Error("points", "\"points\" must be a list of [x, y] or [x, y, speed]");
        return;
    }
    for (size_t i = 0; i < Json_ArrayLength(points); ++i) {
        json_object* pt = Json_ArrayAt(points, i);
        size_t n = Json_ArrayLength(pt);
        double v[3] = {0, 0, 100};
        bool ok = n == 2 || n == 3;
        for (size_t k = 0; ok && k < n; ++k) ok = Json_NumberValue(Json_ArrayAt(pt, k), v[k]);
        if (!ok) {
            errors_.Add(manifest_, doc_.ElementLine(points, i), f.What() + ": a point is [x, y] or [x, y, speed]");
            return;
        }
        p.points.push_back(WPathPoint{float(v[0]), float(v[1]), float(v[2])});
    }
}

void CBuilder::ReadScript(CJsonFields& f, WScript& s) {
    int unit = AddCodeFields(f, s.name, "scripts/" + s.name + ".zs");
    s.code = WCodeRef::Index(unit);
}

void CBuilder::ReadObject(CJsonFields& f, WObject& o) {
    Ref(f, "sprite", Kind::Sprite, o.sprite);
    Ref(f, "mask", Kind::Sprite, o.mask);
    Ref(f, "parent", Kind::Object, o.parent);
    f.Flag("visible", o.visible);
    f.Flag("solid", o.solid);
    f.Flag("persistent", o.persistent);
    f.Int("depth", o.depth);

    if (json_object* phys = f.Get("physics")) {
        CJsonFields p(doc_, errors_, phys, doc_.ValueLine(phys), f.What() + " physics");
        if (!Json_IsObject(phys)) {
            f.Error("physics", "\"physics\" must be an object");
        } else {
            o.usesPhysics = 1;
            p.Flag("enabled", o.usesPhysics);
            p.Flag("sensor", o.physicsSensor);
            Choice(p, "shape", {{"circle", 0}, {"box", 1}, {"polygon", 2}}, 2, o.physicsShape);
            p.Float("density", o.physicsValue1);
            p.Float("restitution", o.physicsValue2);
            p.Int("group", o.physicsGroup);
            p.Float("linear_damping", o.physicsValue3);
            p.Float("angular_damping", o.physicsValue4);
            if (json_object* pts = p.Get("points")) {
                bool ok = Json_IsArray(pts);
                for (size_t i = 0; ok && i < Json_ArrayLength(pts); ++i) {
                    json_object* pt = Json_ArrayAt(pts, i);
                    double xy[2];
                    ok = Json_ArrayLength(pt) == 2 && Json_NumberValue(Json_ArrayAt(pt, 0), xy[0]) &&
                         Json_NumberValue(Json_ArrayAt(pt, 1), xy[1]);
                    if (ok) o.shapePoints.push_back(WPoint{float(xy[0]), float(xy[1])});
                }
                if (!ok) p.Error("points", "\"points\" must be a list of [x, y]");
            }
            p.CheckUnknown();
        }
    }

    o.events.assign(12, {});
    json_object* events = f.Get("events");
    if (!events) return;
    if (!Json_IsObject(events)) {
        f.Error("events", "\"events\" must be an object of event: code");
        return;
    }
    CJsonFields ef(doc_, errors_, events, doc_.ValueLine(events), f.What());
    std::set<std::pair<int, uint32_t>> seen;
    for (const std::string& key : Json_Keys(events)) {
        json_object* codeNode = ef.Get(key.c_str());
        PackEventKey ev;
        std::string error;
        if (!PackEvent_Parse(
                key, [&](const std::string& n) { return Find(Kind::Object, n); }, ev, error)) {
            ef.Error(key.c_str(), error);
            continue;
        }
        if (!seen.insert({ev.type, ev.number}).second) {
            ef.Error(key.c_str(), "the event \"" + key + "\" is given twice (under another spelling)");
            continue;
        }
        std::string unitName = "Object." + o.name + "." +
                               PackEvent_ShortName(ev.type, ev.number, [&](int i) { return NameOf(Kind::Object, i); }) +
                               ".0";
        int unit = codeNode ? AddCode(ef, key.c_str(), codeNode, unitName) : -1;
        if (!codeNode) unit = AddUnit(unitName, "", manifest_, ef.Line(key.c_str()));  // null: an event with no code
        o.events[size_t(ev.type)].push_back(WEvent{ev.number, WCodeRef::Index(unit)});
    }
    for (auto& list : o.events)
        std::stable_sort(list.begin(), list.end(),
                         [](const WEvent& a, const WEvent& b) { return a.number < b.number; });
}

void CBuilder::ReadTimeLine(CJsonFields& f, WTimeLine& t) {
    json_object* moments = f.Get("moments");
    if (!moments) return;
    if (!Json_IsArray(moments)) {
        f.Error("moments", "\"moments\" must be a list of {\"step\": N, \"file\" or \"code\": ...}");
        return;
    }
    std::map<uint32_t, int> stepLines;
    for (size_t i = 0; i < Json_ArrayLength(moments); ++i) {
        json_object* m = Json_ArrayAt(moments, i);
        int line = doc_.ElementLine(moments, i);
        CJsonFields mf(doc_, errors_, m, line, f.What() + " moment");
        if (!Json_IsObject(m)) {
            mf.Error("each moment must be an object");
            continue;
        }
        WMoment moment;
        if (!mf.Uint("step", moment.step, 0, INT32_MAX)) {
            if (!mf.Has("step")) mf.Error("a moment needs its \"step\"");
            mf.CheckUnknown();
            continue;
        }
        auto [it, fresh] = stepLines.emplace(moment.step, line);
        if (!fresh) {
            mf.Error("step", "step " + std::to_string(moment.step) + " already has a moment at line " +
                                 std::to_string(it->second));
            continue;
        }
        const std::string unitName = "Timeline." + t.name + "." + std::to_string(moment.step);
        int unit = AddCodeFields(mf, unitName, "");
        if (unit < 0 && !mf.Has("file") && !mf.Has("code"))
            unit = AddUnit(unitName, "", manifest_, line);  // a moment without code
        moment.code = WCodeRef::Index(unit);
        mf.CheckUnknown();
        t.moments.push_back(std::move(moment));
    }
    // The runner searches moments by step, so they go in ascending order.
    std::stable_sort(t.moments.begin(), t.moments.end(),
                     [](const WMoment& a, const WMoment& b) { return a.step < b.step; });
}

void CBuilder::ReadRoom(CJsonFields& f, WRoom& r, size_t roomIndex) {
    f.String("caption", r.caption);
    f.Int("width", r.width, 1, 1 << 20);
    f.Int("height", r.height, 1, 1 << 20);
    f.Int("speed", r.speed, 1, 10000);
    f.Flag("persistent", r.persistent);
    f.Colour("colour", r.colour);
    f.Flag("draw_colour", r.drawColour);
    f.Flag("views_enabled", r.viewsEnabled);
    if (json_object* code = f.Get("creation"))
        r.creationCode = WCodeRef::Index(AddCode(f, "creation", code, "Room." + r.name));

    if (json_object* phys = f.Get("physics")) {
        CJsonFields p(doc_, errors_, phys, doc_.ValueLine(phys), f.What() + " physics");
        if (!Json_IsObject(phys)) {
            f.Error("physics", "\"physics\" must be an object");
        } else {
            r.physicsWorld = 1;
            p.Flag("enabled", r.physicsWorld);
            double g[2] = {r.gravityX, r.gravityY};
            if (Numbers(p, "gravity", g, 2, false)) r.gravityX = float(g[0]), r.gravityY = float(g[1]);
            p.Float("scale", r.physicsScale);
            p.CheckUnknown();
        }
    }

    auto list = [&](const char* key, size_t max, auto&& each) {
        json_object* v = f.Get(key);
        if (!v) return;
        if (!Json_IsArray(v)) {
            f.Error(key, std::string("\"") + key + "\" must be a list");
            return;
        }
        if (Json_ArrayLength(v) > max) {
            f.Error(key, std::string("a room has at most ") + std::to_string(max) + " " + key);
            return;
        }
        for (size_t i = 0; i < Json_ArrayLength(v); ++i) {
            json_object* e = Json_ArrayAt(v, i);
            CJsonFields ef(doc_, errors_, e, doc_.ElementLine(v, i),
                           f.What() + " " + key + "[" + std::to_string(i) + "]");
            if (!Json_IsObject(e)) {
                ef.Error("each entry must be an object");
                continue;
            }
            each(ef, i);
            ef.CheckUnknown();
        }
    };

    list("backgrounds", 8, [&](CJsonFields& e, size_t) {
        WRoomBackground b;
        b.visible = 1;
        if (!Ref(e, "background", Kind::Background, b.index) && !e.Has("background"))
            e.Error("a room background needs its \"background\"");
        e.Flag("visible", b.visible);
        e.Flag("foreground", b.foreground);
        e.Int("x", b.x);
        e.Int("y", b.y);
        e.Flag("tile_h", b.tileH);
        e.Flag("tile_v", b.tileV);
        e.Int("speed_h", b.speedH);
        e.Int("speed_v", b.speedV);
        e.Flag("stretch", b.stretch);
        r.backgrounds.push_back(b);
    });
    list("views", 8, [&](CJsonFields& e, size_t) {
        WRoomView v;
        v.visible = 1;
        e.Flag("visible", v.visible);
        double rect[4];
        if (Numbers(e, "view", rect, 4, true))
            v.viewX = int(rect[0]), v.viewY = int(rect[1]), v.viewW = int(rect[2]), v.viewH = int(rect[3]);
        if (Numbers(e, "port", rect, 4, true))
            v.portX = int(rect[0]), v.portY = int(rect[1]), v.portW = int(rect[2]), v.portH = int(rect[3]);
        double pair[2];
        if (Numbers(e, "border", pair, 2, true)) v.borderH = int(pair[0]), v.borderV = int(pair[1]);
        if (Numbers(e, "speed", pair, 2, true)) v.speedH = int(pair[0]), v.speedV = int(pair[1]);
        Ref(e, "follow", Kind::Object, v.follow);
        r.views.push_back(v);
    });
    list("instances", 1 << 20, [&](CJsonFields& e, size_t i) {
        WRoomInstance inst;
        if (!Ref(e, "object", Kind::Object, inst.object) && !e.Has("object"))
            e.Error("an instance needs its \"object\"");
        e.Int("x", inst.x);
        e.Int("y", inst.y);
        if (e.Uint("id", inst.id, kFirstInstanceId, 0x7FFFFFFF)) {
            auto [it, fresh] = instanceIdLines_.emplace(inst.id, e.Line("id"));
            if (!fresh)
                e.Error("id", "instance id " + std::to_string(inst.id) + " is already used at line " +
                                  std::to_string(it->second));
            usedInstanceIds_.insert(inst.id);
        } else {
            autoInstances_.push_back(PendingId{roomIndex, i});
        }
        if (json_object* code = e.Get("creation"))
            inst.creationCode =
                WCodeRef::Index(AddCode(e, "creation", code, "Instance." + r.name + "." + std::to_string(i)));
        if (json_object* sc = e.Get("scale")) {
            double xy[2] = {1, 1};
            if (Json_NumberValue(sc, xy[0])) xy[1] = xy[0];
            else Numbers(e, "scale", xy, 2, false);
            inst.scaleX = float(xy[0]), inst.scaleY = float(xy[1]);
        }
        uint32_t colour = 0xFFFFFF;
        double alpha = 1;
        e.Colour("colour", colour);
        if (e.Number("alpha", alpha) && (alpha < 0 || alpha > 1)) e.Error("alpha", "\"alpha\" runs from 0 to 1");
        inst.colour = uint32_t(std::lround(std::clamp(alpha, 0.0, 1.0) * 255)) << 24 | colour;
        e.Float("rotation", inst.rotation);
        r.instances.push_back(std::move(inst));
    });
    list("tiles", 1 << 20, [&](CJsonFields& e, size_t i) {
        WRoomTile t;
        if (!Ref(e, "background", Kind::Background, t.background) && !e.Has("background"))
            e.Error("a tile needs its \"background\"");
        e.Int("x", t.x);
        e.Int("y", t.y);
        e.Int("depth", t.depth);
        double src[4] = {0, 0, 0, 0};
        if (!e.Has("source")) e.Error("a tile needs its \"source\": [x, y, width, height] in the background");
        else if (Numbers(e, "source", src, 4, true)) {
            t.srcX = int(src[0]), t.srcY = int(src[1]), t.width = int(src[2]), t.height = int(src[3]);
            if (t.width <= 0 || t.height <= 0 || t.srcX < 0 || t.srcY < 0)
                e.Error("source", "a tile's source must have a positive size inside the background");
        }
        if (e.Uint("id", t.id, kFirstTileId, 0x7FFFFFFF)) {
            auto [it, fresh] = tileIdLines_.emplace(t.id, e.Line("id"));
            if (!fresh)
                e.Error("id",
                        "tile id " + std::to_string(t.id) + " is already used at line " + std::to_string(it->second));
            usedTileIds_.insert(t.id);
        } else {
            autoTiles_.push_back(PendingId{roomIndex, i});
        }
        if (json_object* sc = e.Get("scale")) {
            double xy[2] = {1, 1};
            if (Json_NumberValue(sc, xy[0])) xy[1] = xy[0];
            else Numbers(e, "scale", xy, 2, false);
            t.scaleX = float(xy[0]), t.scaleY = float(xy[1]);
        }
        uint32_t colour = 0xFFFFFF;
        double alpha = 1;
        e.Colour("colour", colour);
        if (e.Number("alpha", alpha) && (alpha < 0 || alpha > 1)) e.Error("alpha", "\"alpha\" runs from 0 to 1");
        t.colour = uint32_t(std::lround(std::clamp(alpha, 0.0, 1.0) * 255)) << 24 | colour;
        // The tile's part must lie inside its background, whose size is known by now.
        if (t.background >= 0 && size_t(t.background) < desc_.backgrounds.size() &&
            desc_.backgrounds[size_t(t.background)]) {
            int tex = desc_.backgrounds[size_t(t.background)]->texture;
            if (tex >= 0) {
                const WTexturePageEntry& pe = *desc_.texturePages[size_t(tex)];
                if (t.srcX + t.width > pe.fullW || t.srcY + t.height > pe.fullH)
                    e.Error("source", "the tile's source reaches past its background (" + std::to_string(pe.fullW) +
                                          " by " + std::to_string(pe.fullH) + " pixels)");
            }
        }
        r.tiles.push_back(t);
    });
}

void CBuilder::ReadRoomOrder(CJsonFields& root) {
    std::vector<uint32_t>& order = desc_.general.roomOrder;
    json_object* v = root.Get("room_order");
    if (!v) {
        for (size_t i = 0; i < desc_.rooms.size(); ++i)
            if (desc_.rooms[i]) order.push_back(uint32_t(i));
        return;
    }
    if (!Json_IsArray(v) || Json_ArrayLength(v) == 0) {
        root.Error("room_order", "\"room_order\" must be a non-empty list of room names");
        return;
    }
    for (size_t i = 0; i < Json_ArrayLength(v); ++i) {
        std::string name = Json_StringValue(Json_ArrayAt(v, i));
        int index = Find(Kind::Room, name);
        if (index < 0) {
            errors_.Add(manifest_, doc_.ElementLine(v, i),
                        "room_order: unknown room " + (name.empty() ? "(not a name)" : name));
            continue;
        }
        if (std::find(order.begin(), order.end(), uint32_t(index)) != order.end()) {
            errors_.Add(manifest_, doc_.ElementLine(v, i), "room_order: " + name + " is listed twice");
            continue;
        }
        order.push_back(uint32_t(index));
    }
}

void CBuilder::ReadIncludedFiles(CJsonFields& root) {
    json_object* v = root.Get("included_files");
    if (!v) return;
    if (!Json_IsArray(v)) {
        root.Error("included_files", "\"included_files\" must be a list");
        return;
    }
    for (size_t i = 0; i < Json_ArrayLength(v); ++i) {
        json_object* e = Json_ArrayAt(v, i);
        CJsonFields f(doc_, errors_, e, doc_.ElementLine(v, i), "included file");
        WIncludedFile inc;
        std::string file;
        if (Json_IsString(e)) {
            file = Json_StringValue(e);
        } else if (Json_IsObject(e)) {
            if (!f.String("file", file)) f.Error("an included file needs its \"file\"");
            f.String("name", inc.name);
            f.CheckUnknown();
        } else {
            f.Error("each included file is a file name or {\"file\": ..., \"name\": ...}");
            continue;
        }
        if (file.empty()) continue;
        if (inc.name.empty()) inc.name = fs::path(file).filename().string();
        if (!ReadBytes(f, "file", file, inc.data)) continue;
        desc_.includedFiles.push_back(std::move(inc));
    }
}

void CBuilder::ReadExtensions(CJsonFields& root) {
    json_object* v = root.Get("extensions");
    if (!v) return;
    if (!Json_IsArray(v)) {
        root.Error("extensions", "\"extensions\" must be a list of packages");
        return;
    }
    std::map<std::string, int> functionLines;
    std::set<uint32_t> ids;
    uint32_t nextId = 1;
    struct PendingFn {
        size_t package, file, fn;
    };
    std::vector<PendingFn> autoIds;
    for (size_t p = 0; p < Json_ArrayLength(v); ++p) {
        CJsonFields pf(doc_, errors_, Json_ArrayAt(v, p), doc_.ElementLine(v, p), "extension");
        if (!Json_IsObject(pf.Object())) {
            pf.Error("each extension package must be an object");
            desc_.extensions.push_back(std::nullopt);
            continue;
        }
        WExtensionPackage pkg;
        if (!pf.String("name", pkg.name) || pkg.name.empty()) pf.Error("an extension package needs its \"name\"");
        pf.String("version", pkg.secondString);
        json_object* files = pf.Get("files");
        if (files && !Json_IsArray(files)) pf.Error("files", "\"files\" must be a list");
        for (size_t fi = 0; fi < Json_ArrayLength(files); ++fi) {
            CJsonFields ff(doc_, errors_, Json_ArrayAt(files, fi), doc_.ElementLine(files, fi),
                           "extension " + pkg.name + " file");
            if (!Json_IsObject(ff.Object())) {
                ff.Error("each extension file must be an object");
                continue;
            }
            WExtensionFile file;
            if (!ff.String("name", file.name) || file.name.empty()) ff.Error("an extension file needs its \"name\"");
            ff.String("init", file.initFunction);
            ff.String("final", file.finalFunction);
            int32_t kind = int32_t(file.kind);
            if (Choice(ff, "kind", {{"other", 0}, {"library", 1}, {"script", 2}}, 255, kind))
                file.kind = uint32_t(kind);
            json_object* fns = ff.Get("functions");
            if (fns && !Json_IsArray(fns)) ff.Error("functions", "\"functions\" must be a list");
            for (size_t k = 0; k < Json_ArrayLength(fns); ++k) {
                CJsonFields fn(doc_, errors_, Json_ArrayAt(fns, k), doc_.ElementLine(fns, k), "extension function");
                if (!Json_IsObject(fn.Object())) {
                    fn.Error("each extension function must be an object");
                    continue;
                }
                WExtensionFunction w;
                if (!fn.String("name", w.name) || !IsIdentifier(w.name)) {
                    fn.Error("name", "an extension function needs a \"name\" scripts can call");
                } else {
                    auto [it, fresh] = functionLines.emplace(w.name, fn.Line("name"));
                    if (!fresh)
                        fn.Error("name", "extension function " + w.name + " is already defined at line " +
                                             std::to_string(it->second));
                    if (Find(Kind::Script, w.name) >= 0)
                        fn.Error("name", "extension function " + w.name +
                                             " has the name of a script, which scripts would call instead");
                }
                w.externalName = w.name;
                fn.String("external", w.externalName);
                if (fn.Uint("id", w.id, 0, 100000)) {
                    if (!ids.insert(w.id).second)
                        fn.Error("id", "extension function id " + std::to_string(w.id) + " is used twice");
                } else {
                    autoIds.push_back(PendingFn{desc_.extensions.size(), pkg.files.size(), file.functions.size()});
                }
                auto type = [&](const std::string& word, const char* key, uint32_t& out) {
                    if (word == "real") out = 0;
                    else if (word == "string") out = 1;
                    else {
                        fn.Error(key, "types are \"real\" or \"string\"");
                        return false;
                    }
                    return true;
                };
                std::string word;
                if (fn.String("result", word)) type(word, "result", w.resultType);
                if (fn.String("convention", word)) {
                    if (word == "cdecl") w.kind = 0;
                    else if (word == "stdcall") w.kind = 1;
                    else fn.Error("convention", "\"convention\" is cdecl or stdcall");
                }
                if (json_object* args = fn.Get("args")) {
                    if (!Json_IsArray(args) || Json_ArrayLength(args) > 16) {
                        fn.Error("args", "\"args\" must be a list of at most 16 types");
                    } else {
                        for (size_t a = 0; a < Json_ArrayLength(args); ++a) {
                            uint32_t t = 0;
                            if (!type(Json_StringValue(Json_ArrayAt(args, a)), "args", t)) break;
                            w.argTypes.push_back(t);
                        }
                    }
                }
                fn.CheckUnknown();
                file.functions.push_back(std::move(w));
            }
            ff.CheckUnknown();
            pkg.files.push_back(std::move(file));
        }
        pf.CheckUnknown();
        desc_.extensions.push_back(std::move(pkg));
    }
    // Functions without an explicit id take the lowest free ones, in manifest order.
    for (const PendingFn& p : autoIds) {
        while (ids.count(nextId)) ++nextId;
        desc_.extensions[p.package]->files[p.file]->functions[p.fn]->id = nextId;
        ids.insert(nextId);
    }
}

void CBuilder::CheckParents() {
    auto& objs = desc_.objects;
    for (size_t i = 0; i < objs.size(); ++i) {
        if (!objs[i]) continue;
        std::set<size_t> chain{i};
        int32_t p = objs[i]->parent;
        while (p >= 0 && size_t(p) < objs.size() && objs[size_t(p)]) {
            if (!chain.insert(size_t(p)).second) {
                errors_.Add(manifest_, names_[objs[i]->name].line,
                            "object " + objs[i]->name + ": its chain of parents comes back to itself");
                break;
            }
            p = objs[size_t(p)]->parent;
        }
    }
}

void CBuilder::AssignIds() {
    uint32_t next = kFirstInstanceId;
    for (const PendingId& p : autoInstances_) {
        while (usedInstanceIds_.count(next)) ++next;
        desc_.rooms[p.room]->instances[p.index].id = next;
        usedInstanceIds_.insert(next);
    }
    next = kFirstTileId;
    for (const PendingId& p : autoTiles_) {
        while (usedTileIds_.count(next)) ++next;
        desc_.rooms[p.room]->tiles[p.index].id = next;
        usedTileIds_.insert(next);
    }
    desc_.general.highestInstanceId = usedInstanceIds_.empty() ? 100000 : std::max(100000u, *usedInstanceIds_.rbegin());
    desc_.general.highestTileId = usedTileIds_.empty() ? 10000000 : std::max(10000000u, *usedTileIds_.rbegin());
}

// Code fields hold unit indices until here; they become source texts, or stay as the
// code indices the compiler gives (unit i is code entry i).
void CBuilder::FinishCode(PackOutput& out) {
    auto fix = [&](WCodeRef& c) {
        if (c.index < 0) return;
        if (options_.source) {
            c.source = units_[size_t(c.index)].text;
            c.index = -1;
        }
    };
    for (auto& s : desc_.scripts)
        if (s) fix(s->code);
    for (auto& o : desc_.objects)
        if (o)
            for (auto& list : o->events)
                for (auto& e : list) fix(e.code);
    for (auto& t : desc_.timeLines)
        if (t)
            for (auto& m : t->moments) fix(m.code);
    for (auto& r : desc_.rooms) {
        if (!r) continue;
        fix(r->creationCode);
        for (auto& inst : r->instances) fix(inst.creationCode);
    }
    desc_.hasCode = !options_.source;
    if (options_.source) return;
    PackCodeContext context{&desc_, manifest_, constantLines_};
    PackCode_Compile(units_, context, desc_, options_.debugInfo ? &out.debugInfo : nullptr, errors_);
    out.hasDebugInfo = options_.debugInfo;
}

bool CBuilder::Run(PackOutput& out) {
    manifest_ = Display(kPackManifestName);
    std::vector<uint8_t> bytes;
    std::string error;
    std::error_code ec;
    if (!fs::is_directory(dir_, ec)) {
        errors_.Add(dir_, 0, "not a project folder (it does not exist or is not a folder)");
        return false;
    }
    if (!File_ReadWhole(manifest_, bytes, error)) {
        errors_.Add(manifest_, 0, "cannot read the project's manifest: " + error);
        return false;
    }
    if (!doc_.Parse(manifest_, std::string(bytes.begin(), bytes.end()), errors_)) return false;
    CJsonFields root(doc_, errors_, doc_.Root(), 1, "manifest");
    if (!Json_IsObject(doc_.Root())) {
        errors_.Add(manifest_, 1, "the manifest must be one JSON object");
        return false;
    }

    CollectNames(root);
    ReadTexturePages(root);
    ReadGame(root);
    ReadOptions(root);
    ReadConstants(root, desc_.options.constants);

    EachEntry(root, Kind::Sprite, [&](size_t i, CJsonFields* f) {
        desc_.sprites.emplace_back();
        if (!f) return;
        WSprite s;
        s.name = indexNames_[size_t(Kind::Sprite)][i];
        ReadSprite(*f, s);
        desc_.sprites.back() = std::move(s);
    });
    EachEntry(root, Kind::Background, [&](size_t i, CJsonFields* f) {
        desc_.backgrounds.emplace_back();
        if (!f) return;
        WBackground b;
        b.name = indexNames_[size_t(Kind::Background)][i];
        ReadBackground(*f, b);
        desc_.backgrounds.back() = std::move(b);
    });
    EachEntry(root, Kind::Font, [&](size_t i, CJsonFields* f) {
        desc_.fonts.emplace_back();
        if (!f) return;
        WFont font;
        font.name = indexNames_[size_t(Kind::Font)][i];
        ReadFont(*f, font);
        desc_.fonts.back() = std::move(font);
    });
    EachEntry(root, Kind::Sound, [&](size_t i, CJsonFields* f) {
        desc_.sounds.emplace_back();
        if (!f) return;
        WSound s;
        s.name = indexNames_[size_t(Kind::Sound)][i];
        ReadSound(*f, s);
        desc_.sounds.back() = std::move(s);
    });
    EachEntry(root, Kind::Path, [&](size_t i, CJsonFields* f) {
        desc_.paths.emplace_back();
        if (!f) return;
        WPath p;
        p.name = indexNames_[size_t(Kind::Path)][i];
        ReadPath(*f, p);
        desc_.paths.back() = std::move(p);
    });
    EachEntry(root, Kind::Script, [&](size_t i, CJsonFields* f) {
        desc_.scripts.emplace_back();
        if (!f) return;
        WScript s;
        s.name = indexNames_[size_t(Kind::Script)][i];
        ReadScript(*f, s);
        desc_.scripts.back() = std::move(s);
    });
    EachEntry(root, Kind::Object, [&](size_t i, CJsonFields* f) {
        desc_.objects.emplace_back();
        if (!f) return;
        WObject o;
        o.name = indexNames_[size_t(Kind::Object)][i];
        ReadObject(*f, o);
        desc_.objects.back() = std::move(o);
    });
    EachEntry(root, Kind::TimeLine, [&](size_t i, CJsonFields* f) {
        desc_.timeLines.emplace_back();
        if (!f) return;
        WTimeLine t;
        t.name = indexNames_[size_t(Kind::TimeLine)][i];
        ReadTimeLine(*f, t);
        desc_.timeLines.back() = std::move(t);
    });
    EachEntry(root, Kind::Room, [&](size_t i, CJsonFields* f) {
        desc_.rooms.emplace_back();
        if (!f) return;
        desc_.rooms.back() = WRoom{};
        desc_.rooms.back()->name = indexNames_[size_t(Kind::Room)][i];
        ReadRoom(*f, *desc_.rooms.back(), i);
    });
    ReadRoomOrder(root);
    ReadIncludedFiles(root);
    ReadExtensions(root);
    root.CheckUnknown();
    CheckParents();
    if (errors_.Any()) return false;

    AssignIds();
    if (!PackPictures()) return false;
    FinishCode(out);
    if (errors_.Any()) return false;
    out.game = std::move(desc_);
    return true;
}

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    // Written beside the target and renamed over it, so that a failed write never
    // leaves a half file where a game is expected.
    std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = "cannot open " + temp + " for writing: " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int savedErrno = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        error = "cannot write " + path + ": " + std::strerror(savedErrno);
        std::remove(temp.c_str());
    }
    return ok;
}

}  // namespace

bool Pack_Project(const std::string& projectDir, const PackOptions& options, PackOutput& out, CLineErrors& errors) {
    out = PackOutput{};
    CBuilder builder(projectDir, options, errors);
    return builder.Run(out) && !errors.Any();
}

std::string Pack_DebugInfoPath(const std::string& outFile) {
    fs::path p(outFile);
    p.replace_extension(".tudebug");
    return p.string();
}

bool Pack_Build(const std::string& projectDir, const std::string& outFile, const PackOptions& options,
                CLineErrors& errors) {
    PackOutput out;
    if (!Pack_Project(projectDir, options, out, errors)) return false;
    std::string error;
    std::vector<uint8_t> game = DataFile_Write(out.game, &error);
    if (game.empty()) {
        errors.Add(outFile, 0, "the data file could not be laid out: " + error);
        return false;
    }
    std::vector<uint8_t> debug;
    if (out.hasDebugInfo) {
        debug = DebugInfo_Write(out.debugInfo, &error);
        if (debug.empty()) {
            errors.Add(Pack_DebugInfoPath(outFile), 0, "the debug-info file could not be laid out: " + error);
            return false;
        }
    }
    if (!WriteWhole(outFile, game, error)) {
        errors.Add(outFile, 0, error);
        return false;
    }
    if (out.hasDebugInfo && !WriteWhole(Pack_DebugInfoPath(outFile), debug, error)) {
        std::remove(outFile.c_str());  // the pair belongs together
        errors.Add(Pack_DebugInfoPath(outFile), 0, error);
        return false;
    }
    return true;
}
