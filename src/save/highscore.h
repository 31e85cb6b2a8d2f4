#pragma once
// The local table of the ten best scores, kept between runs in "hiscore.dat" in the
// save area, and the display settings the high-score functions set.
//
// The file: the bytes "HISC", a u32 with the file's length, then per place (best first)
// a u32 name length, the name's bytes and an i32 score.
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kHighscorePlaces = 10;
constexpr const char* kHighscoreFileName = "hiscore.dat";

struct CHighscoreSettings {
    std::string caption = "Top Ten Players";
    std::string nobody = "<nobody>";
    std::string escape = "press <Escape> to close";
    int background = -1;
    bool border = true;
    uint32_t colours[3] = {0x000000, 0x0000FF, 0x000000};
    std::string fontName = "Times New Roman";
    int fontSize = 10;
    int fontStyle = 0;
};

// Every place "<nobody>" with 0 and the settings at their defaults (start of a run).
void Highscore_Reset();
// Every place back to the current "nobody" text and 0.
void Highscore_Clear();
// Puts the score in below every place with a score as good or better; a score no
// better than place 10 changes nothing.
void Highscore_Add(std::string_view name, int32_t score);
// Places 1 to 10; another place answers 0 and the empty text.
int32_t Highscore_Value(int place);
std::string Highscore_Name(int place);
CHighscoreSettings& Highscore_Settings();

// The file forms. Loading a missing file or one without the magic leaves the table as
// it is; both give false when nothing was read or written.
bool Highscore_LoadFile(const std::string& path);
bool Highscore_SaveFile(const std::string& path);
// The run's table: loaded from the save area when the game is known, saved there (when
// it was loaded from there) at shut-down.
void Highscore_StartRun(const std::string& path);
void Highscore_EndRun();
