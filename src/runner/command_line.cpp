#include "runner/command_line.h"

#include <strings.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

bool IsSeparator(char ch) { return static_cast<signed char>(ch) <= 32; }

}  // namespace

size_t NextToken(const char* text, size_t position, std::string& token) {
    token.clear();
    if (!text || text[position] == 0) return position;
    while (text[position] != 0 && IsSeparator(text[position])) ++position;
    bool quoted = false;
    while (text[position] != 0) {
        char ch = text[position];
        if (!quoted && IsSeparator(ch)) break;
        ++position;
        if (ch == '"') {
            quoted = !quoted;
            continue;
        }
        // Over-long tokens are cut; the rest of the token is still consumed.
        if (token.size() < kTokenMax) token.push_back(ch);
    }
    return position;
}

void ParseCommandLine(const char* text, RunOptions& options) {
    options = RunOptions{};
    if (!text) return;
    size_t position = 0;
    std::string token, argument;
    while (text[position] != 0) {
        position = NextToken(text, position, token);
        if (token == "-debug") {
            options.debug = true;
            options.debugLevel = 2;
        } else if (token == "-trace") {
            options.trace = true;
        } else if (token == "-ext") {
            options.extensionTrace = true;
        } else if (token == "-oldexec") {
            options.useBytecode = false;
        } else if (token == "-noaudio") {
            options.noAudio = true;
        } else if (token == "-inawindow") {
            options.forceWindowed = true;
        } else if (token == "-game") {
            position = NextToken(text, position, argument);
            // The first -game that names a file wins.
            if (!options.gameFile || options.gameFile->empty()) options.gameFile = argument;
        } else if (token == "-record" || token == "-playback") {
            position = NextToken(text, position, argument);
            (token == "-record" ? options.record : options.playback) = true;
            options.recordFile = argument;
        } else if (token == "-bp") {
            position = NextToken(text, position, argument);
            CBreakpoint bp;
            size_t at = argument.find('@');
            bp.script = argument.substr(0, at);
            int line = at == std::string::npos ? 0 : std::atoi(argument.c_str() + at + 1);
            bp.line = line - 1;
            if (options.breakpoints.size() < kMaxBreakpoints) options.breakpoints.push_back(bp);
        }
    }
}

std::string BuildCommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) line.push_back(' ');
        const std::string& a = args[i];
        bool needsQuotes = a.empty();
        for (char ch : a) needsQuotes |= IsSeparator(ch);
        if (needsQuotes) line.push_back('"');
        for (char ch : a)
            if (ch != '"') line.push_back(ch);  // a quote inside an argument cannot be expressed
        if (needsQuotes) line.push_back('"');
        if (line.size() >= kCommandLineMax) break;
    }
    if (line.size() > kCommandLineMax) line.resize(kCommandLineMax);
    return line;
}

namespace {

bool ParseNumber(const std::string& text, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end != 0) return false;
    out = v;
    return true;
}

}  // namespace

bool ParseHostSwitches(const std::vector<std::string>& args, HostOptions& host, std::vector<std::string>& rest,
                       std::string& error) {
    auto value = [&](size_t& i, std::string& out) {
        if (i + 1 >= args.size()) {
            error = args[i] + " needs an argument";
            return false;
        }
        out = args[++i];
        return true;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        if (a == "--headless") {
            host.headless = true;
        } else if (a == "--no-wait") {
            host.noWait = true;
        } else if (a == "--help" || a == "-h") {
            host.help = true;
        } else if (a == "--version") {
            host.version = true;
        } else if (a == "--list-functions") {
            host.listFunctions = true;
        } else if (a == "--allow-writes-anywhere") {
            host.allowWritesAnywhere = true;
        } else if (a == "--frames") {
            if (!value(i, v)) return false;
            if (!ParseNumber(v, host.frames) || host.frames < 0) {
                error = "--frames needs a whole number of frames, not \"" + v + "\"";
                return false;
            }
        } else if (a == "--log") {
            if (!value(i, v)) return false;
            host.logTarget = v;
        } else if (a == "--audio-out") {
            if (!value(i, v)) return false;
            host.audioOut = v;
        } else if (a == "--screenshot") {
            if (!value(i, v)) return false;
            size_t colon = v.find(':');
            HostOptions::Screenshot shot;
            // STEP:FILE, or STEP.K:FILE for the K-th picture presented during the step
            // (a room transition presents several).
            const std::string when = colon == std::string::npos ? v : v.substr(0, colon);
            const size_t dot = when.find('.');
            const bool stepOk = ParseNumber(when.substr(0, dot), shot.step) && shot.step >= 1;
            const bool presentOk =
                dot == std::string::npos || (ParseNumber(when.substr(dot + 1), shot.present) && shot.present >= 1);
            if (colon == std::string::npos || !stepOk || !presentOk || colon + 1 >= v.size()) {
                error =
                    "--screenshot needs STEP:FILE or STEP.K:FILE with a step and a K of 1 or more, not \"" + v + "\"";
                return false;
            }
            shot.file = v.substr(colon + 1);
            host.screenshots.push_back(shot);
        } else if (a.size() > 2 && a[0] == '-' && a[1] == '-') {
            error = "unknown switch " + a;
            return false;
        } else {
            rest.push_back(a);
        }
    }
    return true;
}

bool TakeLoneGamePath(std::vector<std::string>& args, std::string& error) {
    namespace fs = std::filesystem;
    size_t lone = args.size();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-game") return true;  // named the usual way: nothing to guess
        if (a == "-record" || a == "-playback" || a == "-bp") {
            ++i;  // the switch's own argument is never the game
        } else if (lone == args.size() && !a.empty() && a[0] != '-') {
            lone = i;
        }
    }
    if (lone == args.size()) return true;
    const std::string path = args[lone];
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        const fs::path data = fs::path(path) / "data.win";
        if (!fs::is_regular_file(data, ec)) {
            error = "the folder " + path + " holds no data.win";
            return false;
        }
        args[lone] = data.string();
    } else {
        const bool winFile = path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".win") == 0;
        // Anything else is one of the game's own parameters.
        if (!winFile) return true;
    }
    args.insert(args.begin() + long(lone), "-game");
    return true;
}

const char* Runner_ShortUsage() {
    return "Usage: zorvex GAME.win [options], or zorvex FOLDER (holding data.win), or zorvex -game FILE;\n"
           "zorvex --help lists the options.\n";
}

const char* Runner_Usage() {
    return "Usage: zorvex GAME.win [options]\n"
           "       zorvex FOLDER [options]      (the folder's data.win)\n"
           "       zorvex -game FILE [options]\n"
           "Plays a game data file. Switches with one dash are the game's, and any other word\n"
           "is passed on to the game as a parameter.\n"
           "\n"
           "Game options:\n"
           "  -game FILE          the game data file to play\n"
           "  -debug              debug mode\n"
           "  -trace              trace every code unit run and call to the log\n"
           "  -ext                trace extension calls\n"
           "  -oldexec            run code with the tree interpreter\n"
           "  -noaudio            no sound\n"
           "  -inawindow          never full screen\n"
           "  -record FILE        record the input to FILE\n"
           "  -playback FILE      play the input back from FILE\n"
           "  -bp SCRIPT@LINE     a breakpoint (at most 10)\n"
           "\n"
           "Runner options:\n"
           "  --headless          no window on screen\n"
           "  --frames N          end the game normally after N frames\n"
           "  --no-wait           do not hold the frame rate\n"
           "  --screenshot N:FILE write the picture presented at the end of step N as PNG\n"
           "  --screenshot N.K:FILE  the K-th picture presented during step N (transitions)\n"
           "  --log FILE          write the diagnostic log to FILE (- for stderr)\n"
           "  --audio-out FILE    write what a run without a window played to FILE (WAV)\n"
           "  --allow-writes-anywhere  let the game write, delete and rename files outside its save area\n"
           "  --list-functions    every built-in function: name, argument count, implemented or not\n"
           "  --help, --version\n";
}
