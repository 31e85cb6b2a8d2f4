#include "save/highscore.h"

#include <array>

#include "io/file_paths.h"
#include "io/stream.h"
#include "save/game_save.h"

namespace {

constexpr int32_t kMagic = 0x43534948;  // "HISC"

struct TPlace {
    std::string name;
    int32_t score = 0;
};

struct THighscores {
    std::array<TPlace, kHighscorePlaces> places;
    CHighscoreSettings settings;
    std::string runPath;  // where the run's table goes at shut-down
    // The table as the run found it: an unchanged table is not written back, so a game
    // that never uses the table leaves no file behind.
    std::array<TPlace, kHighscorePlaces> atStart;
};

bool operator==(const TPlace& a, const TPlace& b) { return a.name == b.name && a.score == b.score; }

THighscores& Table() {
    static THighscores table = [] {
        THighscores t;
        for (TPlace& p : t.places) p.name = t.settings.nobody;
        return t;
    }();
    return table;
}

}  // namespace

void Highscore_Reset() {
    THighscores& t = Table();
    t.settings = CHighscoreSettings();
    Highscore_Clear();
}

void Highscore_Clear() {
    THighscores& t = Table();
    for (TPlace& p : t.places) p = {t.settings.nobody, 0};
}

void Highscore_Add(std::string_view name, int32_t score) {
    auto& places = Table().places;
    int p = 0;
    while (p < kHighscorePlaces && places[size_t(p)].score >= score) ++p;
    if (p == kHighscorePlaces) return;
    for (int k = kHighscorePlaces - 1; k > p; --k) places[size_t(k)] = std::move(places[size_t(k - 1)]);
    places[size_t(p)] = {std::string(name), score};
}

int32_t Highscore_Value(int place) {
    return place >= 1 && place <= kHighscorePlaces ? Table().places[size_t(place - 1)].score : 0;
}

std::string Highscore_Name(int place) {
    return place >= 1 && place <= kHighscorePlaces ? Table().places[size_t(place - 1)].name : std::string();
}

CHighscoreSettings& Highscore_Settings() { return Table().settings; }

bool Highscore_LoadFile(const std::string& path) {
    CStream in;
    if (!in.LoadFile(path) || in.ReadInt() != kMagic || in.Overrun()) return false;
    in.ReadInt();  // the length: the entries say where they end
    std::array<TPlace, kHighscorePlaces> read;
    for (TPlace& p : read) {
        p.name = in.ReadString();
        p.score = in.ReadInt();
    }
    // A cut-short file keeps the table it would have half overwritten.
    if (in.Overrun()) return false;
    Table().places = std::move(read);
    return true;
}

bool Highscore_SaveFile(const std::string& path) {
    CStream out;
    bool ok = out.WriteInt(kMagic) && out.WriteInt(0);
    for (const TPlace& p : Table().places) ok = ok && out.WriteString(p.name) && out.WriteInt(p.score);
    if (!ok) return false;
    const int32_t length = int32_t(out.Size());
    out.Seek(4);
    out.WriteInt(length);
    std::string error;
    return FilePaths_CreateParents(path) && GameSave_ReplaceFile(path, out.Data(), out.Size(), error);
}

void Highscore_StartRun(const std::string& path) {
    Highscore_Reset();
    Table().runPath = path;
    Highscore_LoadFile(path);
    Table().atStart = Table().places;
}

void Highscore_EndRun() {
    THighscores& t = Table();
    if (t.runPath.empty()) return;
    if (t.places != t.atStart) Highscore_SaveFile(t.runPath);
    t.runPath.clear();
}
