#pragma once
// The code of a project: every piece of script text (scripts, events, time line
// moments, room and instance creation code) as one unit, and the step that turns the
// units into the data file's code.
#include <string>
#include <vector>

#include "data/writer.h"
#include "pack/pack_errors.h"

struct PackCodeUnit {
    std::string name;   // the code entry's name ("Object.obj_player.Step.0", "scr_move", ...)
    std::string text;   // the script text
    std::string file;   // where the text lives, for messages (the manifest for inline code)
    int firstLine = 1;  // the line of that file on which the text starts
};

// What the code step needs to know about the game besides the texts: the names scripts
// may use for resources and constants.
struct PackCodeContext {
    const GameDataDesc* game = nullptr;
};

// Compiles every unit into code entry i of desc.code (so the units' indices are the code
// indices), with the VARI and FUNC records and the string table entries its bytecode
// uses. With `debug`, entry i of debug->entries gets the unit's source positions and text.
// False after recording each unit's compile error as "file:line: message".
bool PackCode_Compile(const std::vector<PackCodeUnit>& units, const PackCodeContext& context, GameDataDesc& desc,
                      DebugInfoDesc* debug, CPackErrors& errors);
