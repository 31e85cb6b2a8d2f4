#pragma once
// The game packer: a project folder (the manifest "game.json" and the pictures, fonts,
// sounds and script files it names) becomes a game data file. docs/project-format.md
// describes the folder; zorvex-pack is the command around this library.
//
// Every problem with the project is reported as "file:line: message" and the build
// then produces nothing: a data file is either complete and consistent or absent.
#include <string>

#include "io/line_errors.h"
#include "writer/writer.h"

constexpr const char* kPackManifestName = "game.json";
constexpr int kPackDefaultPageSize = 2048;

struct PackOptions {
    // Keep the script text in the code fields instead of compiling it: the file then
    // has no CODE, VARI or FUNC chunk and the runner compiles the text itself.
    bool source = false;
    // Also build the debug-info file (source positions and texts per code entry).
    bool debugInfo = false;
    // Texture page size in pixels; 0 takes the manifest's (or 2048).
    int pageSize = 0;
};

struct PackOutput {
    GameDataDesc game;
    bool hasDebugInfo = false;
    DebugInfoDesc debugInfo;
};

// Reads and builds the project in memory. False when the project has errors; they are
// all in `errors` (and `out` is then not to be used).
bool Pack_Project(const std::string& projectDir, const PackOptions& options, PackOutput& out, CLineErrors& errors);

// Packs the project and writes `outFile` (and, with debugInfo, the ".tudebug" file beside
// it). On any error nothing is written; files are written whole or not at all.
bool Pack_Build(const std::string& projectDir, const std::string& outFile, const PackOptions& options,
                CLineErrors& errors);

// "game.win" -> "game.tudebug": the name the runner looks for beside the data file.
std::string Pack_DebugInfoPath(const std::string& outFile);
