#pragma once
// The game's command line, tokenised by the engine's own rules, and the runner's
// host switches (the double-dash ones every test and user needs).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

constexpr size_t kCommandLineMax = 8191;  // characters kept of the command line
constexpr size_t kTokenMax = 4095;        // characters kept of one token
constexpr size_t kMaxBreakpoints = 10;

struct CBreakpoint {
    std::string script;
    int line = 0;  // stored line: the number given minus 1
    bool active = true;
};

// The options that the single-dash switches set.
struct RunOptions {
    bool debug = false;
    int debugLevel = 0;
    bool trace = false;
    bool extensionTrace = false;
    bool useBytecode = true;
    bool noAudio = false;
    bool forceWindowed = false;
    bool record = false;
    bool playback = false;
    std::optional<std::string> recordFile;
    std::optional<std::string> gameFile;
    std::vector<CBreakpoint> breakpoints;
};

// Copies the next token of `text` from `position` into `token` and returns the
// position after it. Bytes that read as signed 8-bit values of 32 or less separate
// tokens (so do 0x80..0xFF); double quotes group and are dropped.
size_t NextToken(const char* text, size_t position, std::string& token);

// Resets `options` to the defaults, then applies the switches found in `text`
// (null or empty: defaults only).
void ParseCommandLine(const char* text, RunOptions& options);

// The command-line copy rebuilt from argv: arguments joined by spaces, each one that
// holds a separator byte quoted so it stays one token, cut to kCommandLineMax.
std::string BuildCommandLine(const std::vector<std::string>& args);

// The runner's own switches.
struct HostOptions {
    bool headless = false;
    long frames = -1;  // -1: until the game ends
    bool noWait = false;
    struct Screenshot {
        long step = 0;
        long present = 0;  // the picture presented K-th during the step; 0: the last one
        std::string file;
        bool taken = false;
    };
    std::vector<Screenshot> screenshots;
    std::string logTarget;  // "" discards the log
    std::string audioOut;   // the loopback render is written here as a WAV file
    bool help = false;
    bool version = false;
    bool listFunctions = false;
    bool allowWritesAnywhere = false;  // game code may write outside its save area
};

// Takes the double-dash switches out of argv (argv[0] excluded); everything else is
// left, in order, in `rest`. False with `error` set on a malformed switch.
bool ParseHostSwitches(const std::vector<std::string>& args, HostOptions& host, std::vector<std::string>& rest,
                       std::string& error);

// A lone path where "-game" is missing: a file ending in ".win", or a folder holding
// data.win, becomes "-game PATH" in place. Other words stay (the game's parameters).
// False with `error` set for a folder without data.win.
bool TakeLoneGamePath(std::vector<std::string>& args, std::string& error);

// One paragraph for a bad command line; Runner_Usage has every option (--help).
const char* Runner_ShortUsage();
const char* Runner_Usage();
