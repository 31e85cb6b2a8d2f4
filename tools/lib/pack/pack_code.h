#pragma once
// The code of a project: every piece of script text (scripts, events, time line
// moments, room and instance creation code) as one unit, and the step that turns the
// units into the data file's code.
#include <functional>
#include <string>
#include <vector>

#include "io/line_errors.h"
#include "writer/writer.h"

struct PackCodeUnit {
    std::string name;   // the code entry's name ("Object.obj_player.Step.0", "scr_move", ...)
    std::string text;   // the script text
    std::string file;   // where the text lives, for messages (the manifest for inline code)
    int firstLine = 1;  // the line of that file on which the text starts
};

// What the code step needs besides the texts: the game (its resource names, extension
// functions and constants, which compiled code refers to) and where each constant was
// written, for messages.
struct PackCodeContext {
    const GameDataDesc* game = nullptr;
    std::string manifest;
    std::vector<int> constantLines;  // parallel to game->options.constants
};

// Compiles every unit into code entry i of desc.code (so the units' indices are the code
// indices), with the VARI and FUNC records and the string table entries its bytecode
// uses. With `debug`, entry i of debug->entries gets the unit's source positions and text.
// False after recording each failure as "file:line: message".
bool PackCode_Compile(const std::vector<PackCodeUnit>& units, const PackCodeContext& context, GameDataDesc& desc,
                      DebugInfoDesc* debug, CLineErrors& errors);

// Turns the bytecode of a unit compiled from text into a code entry of `desc`: string
// operands become STRG indices (from `strings`, the unit's own table), variable and
// function operands become references by name for the writer's chains, the operands
// themselves zero. `functionName` names a function id. False with `error` set when
// the bytecode is malformed or names an id nothing answers to.
bool PackCode_Relocate(const std::vector<uint8_t>& bytecode, const std::vector<std::string>& strings,
                       uint32_t codeIndex, const std::function<std::string(int id)>& functionName, GameDataDesc& desc,
                       std::vector<uint8_t>& out, std::string& error);
