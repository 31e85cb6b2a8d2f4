#include "function/function_save.h"

#include <cmath>
#include <filesystem>
#include <iterator>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "graphics/text.h"
#include "io/file_paths.h"
#include "object/event.h"
#include "save/game_save.h"
#include "save/highscore.h"
#include "value/args.h"
#include "value/value.h"

namespace {

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// --- saved games ------------------------------------------------------------------------

void F_GameSave(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(0);
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    std::string path;
    if (name.empty() || !FilePaths_ForWriting(name, path)) return;
    std::string error;
    if (!GameSave_WriteFile(path, error)) {
        Code_ShowError("Cannot save the game: " + error + "\nFile: " + path, false);
        return;
    }
    result.SetReal(1);
}

void F_GameLoad(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string name = Arg_TextFormCopy(argc, args, 0);
    const std::string path = name.empty() ? std::string() : FilePaths_Resolve(name);
    if (path.empty() || !IsRegularFile(path)) return result.SetReal(0);
    GameSave_SetPending(path);
    Game().run.newRoom = kRequestLoad;
    result.SetReal(1);
}

// --- high scores ------------------------------------------------------------------------

void F_HighscoreShow(CValue&, CInstance*, CInstance*, int, CValue*) { Event_ClearInput(); }

void F_HighscoreSetBackground(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Highscore_Settings().background = Arg_Int(argc, args, 0);
}

void F_HighscoreSetBorder(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Highscore_Settings().border = Arg_Flag(argc, args, 0);
}

void F_HighscoreSetFont(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CHighscoreSettings& s = Highscore_Settings();
    s.fontName = Arg_TextFormCopy(argc, args, 0);
    s.fontSize = Arg_Int(argc, args, 1);
    s.fontStyle = Arg_Int(argc, args, 2);
}

void F_HighscoreSetStrings(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CHighscoreSettings& s = Highscore_Settings();
    s.caption = Arg_TextFormCopy(argc, args, 0);
    s.nobody = Arg_TextFormCopy(argc, args, 1);
    s.escape = Arg_TextFormCopy(argc, args, 2);
}

void F_HighscoreSetColors(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    for (int k = 0; k < 3; ++k) Highscore_Settings().colours[k] = uint32_t(Arg_Int(argc, args, k));
}

void F_HighscoreShowExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CHighscoreSettings& s = Highscore_Settings();
    s.background = Arg_Int(argc, args, 1);
    s.border = Arg_Flag(argc, args, 2);
    s.colours[1] = uint32_t(Arg_Int(argc, args, 3));
    s.colours[2] = uint32_t(Arg_Int(argc, args, 4));
    s.fontName = Arg_TextFormCopy(argc, args, 5);
    s.fontSize = Arg_Int(argc, args, 6);
}

void F_HighscoreClear(CValue&, CInstance*, CInstance*, int, CValue*) { Highscore_Clear(); }

void F_HighscoreAdd(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Highscore_Add(Arg_TextFormCopy(argc, args, 0), Arg_Int(argc, args, 1));
}

void F_HighscoreAddCurrent(CValue&, CInstance*, CInstance*, int, CValue*) {
    Highscore_Add("DEFAULT", Game().run.score);
    Event_ClearInput();
}

void F_HighscoreValue(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Highscore_Value(Arg_Int(argc, args, 0)));
}

void F_HighscoreName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(Highscore_Name(Arg_Int(argc, args, 0)));
}

// Rounded to the nearest integer, halves to even (the current rounding mode).
int RoundEven(double v) { return int(std::nearbyint(v)); }

void F_DrawHighscore(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const double x1 = Arg_Real(argc, args, 0), y1 = Arg_Real(argc, args, 1);
    const double x2 = Arg_Real(argc, args, 2), y2 = Arg_Real(argc, args, 3);
    const int x = RoundEven(x1), width = RoundEven(x2 - x1), row = RoundEven((y2 - y1) / 10.0);
    int y = RoundEven(y1);
    for (int place = 1; place <= kHighscorePlaces; ++place) {
        Text_Draw(float(x), float(y), Highscore_Name(place), -1, -1);
        const std::string score = std::to_string(Highscore_Value(place));
        Text_Draw(float(x + width - Text_Width(score, -1)), float(y), score, -1, -1);
        y += row;
    }
}

}  // namespace

extern const FunctionImpl kSaveFunctions[] = {
    {"game_save", F_GameSave},
    {"game_load", F_GameLoad},
    {"highscore_show", F_HighscoreShow},
    {"highscore_set_background", F_HighscoreSetBackground},
    {"highscore_set_border", F_HighscoreSetBorder},
    {"highscore_set_font", F_HighscoreSetFont},
    {"highscore_set_strings", F_HighscoreSetStrings},
    {"highscore_set_colors", F_HighscoreSetColors},
    {"highscore_show_ext", F_HighscoreShowExt},
    {"highscore_clear", F_HighscoreClear},
    {"highscore_add", F_HighscoreAdd},
    {"highscore_add_current", F_HighscoreAddCurrent},
    {"highscore_value", F_HighscoreValue},
    {"highscore_name", F_HighscoreName},
    {"draw_highscore", F_DrawHighscore},
};
extern const size_t kSaveFunctionCount = std::size(kSaveFunctions);
