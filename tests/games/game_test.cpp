// End-to-end game tests: packs a project folder, plays it headless through the runner's
// command-line contract, and compares what it printed, its exit code and any golden
// frames with the expectations kept beside the project.
//
//   zorvex-game-test GAME_DIR BIN_DIR BUILD WORK_DIR    BUILD: bytecode, source, oldexec
//   zorvex-game-test --self-test WORK_DIR               checks the comparisons themselves
//
// GAME_DIR holds the project (game.json ...), expected.txt (stdout exactly), test.ini
// ([test] frames, exit_code, builds, tolerance, timeout, input, replay, files) and optionally
// frames/NNN.png, the picture expected at the end of step NNN, and frames/NNN.K.png, the
// K-th picture presented during step NNN.
//
// input=FILE names a text file of window events by frame (see ParseInputScript); the
// test turns it into a recorded input file and plays the game with -playback.
// files=A, B names files put beside the data file before the game runs (extension
// packages look for theirs there): each is taken from GAME_DIR, else from BIN_DIR.
// replay=1 plays the game twice: recording its input with -record, then playing that
// recording back; both runs must print expected.txt and give the same pictures.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "graphics/png.h"
#include "io/ini_file.h"
#include "io/input.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// --- files -------------------------------------------------------------------------------

bool ReadWhole(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteWhole(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// Whole decimal numbers only: a typo in a setting must not quietly become 0.
bool ParseWhole(const std::string& text, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end != 0) return false;
    out = v;
    return true;
}

// --- settings ------------------------------------------------------------------------------

const char* const kBuilds[] = {"bytecode", "source", "oldexec"};

struct Settings {
    long frames = -1;
    long exitCode = 0;
    std::vector<std::string> builds{kBuilds, kBuilds + 3};
    long tolerance = 2;
    long timeout = 60;  // seconds, per program run
    std::string input;
    long replay = 0;
    std::vector<std::string> files;
};

bool ReadSettings(const fs::path& path, Settings& s, std::string& error) {
    std::string text;
    if (!ReadWhole(path, text)) return error = "cannot read " + path.string(), false;
    CIniFile ini;
    ini.ParseText(text);
    const CIniFile::Section* section = nullptr;
    for (const CIniFile::Section& sec : ini.Sections())
        if (!sec.headerless && sec.name == "test") section = &sec;
    if (!section) return error = path.string() + ": no [test] section", false;
    // A misspelt key is an error rather than a silent default.
    for (const CIniFile::Key& k : section->keys) {
        static const char* const kKnown[] = {"frames",  "exit_code", "builds", "tolerance",
                                             "timeout", "input",     "replay", "files"};
        if (std::none_of(std::begin(kKnown), std::end(kKnown), [&](const char* n) { return k.name == n; }))
            return error = path.string() + ": unknown key \"" + k.name + "\"", false;
    }
    auto number = [&](const char* key, long& out, long min, long max) {
        const std::string* v = ini.Find("test", key);
        if (!v) return true;
        if (!ParseWhole(*v, out) || out < min || out > max) {
            error = path.string() + ": " + key + " must be a whole number from " + std::to_string(min) + " to " +
                    std::to_string(max) + ", not \"" + *v + "\"";
            return false;
        }
        return true;
    };
    if (!ini.Find("test", "frames")) return error = path.string() + ": frames is required", false;
    if (!number("frames", s.frames, 0, 1000000) || !number("exit_code", s.exitCode, 0, 255) ||
        !number("tolerance", s.tolerance, 0, 255) || !number("timeout", s.timeout, 1, 3600) ||
        !number("replay", s.replay, 0, 1))
        return false;
    if (const std::string* v = ini.Find("test", "input")) s.input = *v;
    if (const std::string* v = ini.Find("test", "files")) {
        std::string item;
        for (size_t p = 0; p <= v->size(); ++p) {
            const char c = p < v->size() ? (*v)[p] : ',';
            if (c == ',') {
                if (!item.empty()) s.files.push_back(item);
                item.clear();
            } else if (c != ' ' && c != '\t') {
                item.push_back(c);
            }
        }
    }
    if (const std::string* v = ini.Find("test", "builds")) {
        s.builds.clear();
        std::string item;
        for (size_t p = 0; p <= v->size(); ++p) {
            const char c = p < v->size() ? (*v)[p] : ',';
            if (c == ',') {
                if (std::none_of(std::begin(kBuilds), std::end(kBuilds), [&](const char* b) { return item == b; }))
                    return error = path.string() + ": unknown build \"" + item + "\"", false;
                s.builds.push_back(item);
                item.clear();
            } else if (c != ' ' && c != '\t') {
                item.push_back(c);
            }
        }
    }
    return true;
}

// --- running a program -----------------------------------------------------------------------

struct RunResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;  // -1 when the program did not exit by itself
    int signal = 0;
    std::string out, err;
    double seconds = 0;
};

void Nap(long microseconds) {
    timespec t{microseconds / 1000000, (microseconds % 1000000) * 1000};
    nanosleep(&t, nullptr);
}

// Runs argv[0] with stdin on /dev/null (no input ever arrives), stdout and stderr into
// files, in `cwd`, killed with its whole process group after `timeout` seconds.
RunResult Run(const std::vector<std::string>& args, const fs::path& cwd, const std::string& logBase, long timeout,
              const std::vector<std::string>& extraEnv) {
    RunResult r;
    const std::string outPath = logBase + ".out", errPath = logBase + ".err";
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> envStore(extraEnv);
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::string name(*e, eq ? size_t(eq - *e) : std::strlen(*e));
        const bool replaced = std::any_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& x) {
            return x.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (!replaced) envStore.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data()) == 0) {
        r.started = true;
        const auto deadline = start + std::chrono::seconds(timeout);
        int status = 0;
        long nap = 1000;
        for (;;) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) break;
            if (done < 0 && errno != EINTR) break;
            if (std::chrono::steady_clock::now() >= deadline) {
                r.timedOut = true;
                kill(-pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            Nap(nap);
            nap = std::min(nap * 2, 20000L);
        }
        if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    ReadWhole(outPath, r.out);
    ReadWhole(errPath, r.err);
    return r;
}

std::string Describe(const RunResult& r) {
    if (!r.started) return "could not be started";
    if (r.timedOut) return "was killed after the timeout";
    if (r.signal) return "died of signal " + std::to_string(r.signal) + " (" + strsignal(r.signal) + ")";
    return "exited with " + std::to_string(r.exitCode);
}

// The tail of a long text: enough to see the failure without flooding the log.
void PrintBlock(const char* title, const std::string& text, size_t limit = 8000) {
    std::printf("---- %s (%zu bytes)%s\n", title, text.size(), text.size() > limit ? ", last part" : "");
    std::string shown = text.size() > limit ? text.substr(text.size() - limit) : text;
    std::fputs(shown.c_str(), stdout);
    if (!shown.empty() && shown.back() != '\n') std::puts("\\ (no newline at end)");
    std::printf("---- end of %s\n", title);
}

// --- text comparison -------------------------------------------------------------------------

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start) + "\\ (no newline at end)");
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// A unified-style diff of two line lists (a longest common subsequence, three lines of
// context), as text. Empty when they are equal.
std::string LineDiff(const std::vector<std::string>& a, const std::vector<std::string>& b, size_t* firstDiffer) {
    size_t first = 0;
    while (first < a.size() && first < b.size() && a[first] == b[first]) ++first;
    if (first == a.size() && first == b.size()) return {};
    if (firstDiffer) *firstDiffer = first + 1;
    std::string out = "first difference at line " + std::to_string(first + 1) + " (expected " +
                      std::to_string(a.size()) + " lines, got " + std::to_string(b.size()) + ")\n";
    out += "--- expected\n+++ actual\n";

    // The script: ' ' both, '-' only expected, '+' only actual.
    std::vector<std::pair<char, std::string>> script;
    const size_t n = a.size(), m = b.size();
    if (n * m <= 4000000) {
        std::vector<uint32_t> lcs((n + 1) * (m + 1), 0);
        auto at = [&](size_t i, size_t j) -> uint32_t& { return lcs[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;)
            for (size_t j = m; j-- > 0;)
                at(i, j) = a[i] == b[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
        size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[i] == b[j]) script.emplace_back(' ', a[i++]), ++j;
            else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) script.emplace_back('-', a[i++]);
            else script.emplace_back('+', b[j++]);
        }
    } else {
        // Too long for the table: everything after the common head counts as changed.
        for (size_t i = 0; i < first; ++i) script.emplace_back(' ', a[i]);
        for (size_t i = first; i < n; ++i) script.emplace_back('-', a[i]);
        for (size_t j = first; j < m; ++j) script.emplace_back('+', b[j]);
    }

    const size_t kContext = 3, kMaxShown = 200;
    size_t shown = 0;
    size_t k = 0;
    // Line numbers (1-based) of the script entries.
    std::vector<std::pair<size_t, size_t>> numbers(script.size());
    for (size_t s = 0, ai = 1, bi = 1; s < script.size(); ++s) {
        numbers[s] = {ai, bi};
        if (script[s].first != '+') ++ai;
        if (script[s].first != '-') ++bi;
    }
    while (k < script.size()) {
        while (k < script.size() && script[k].first == ' ') ++k;
        if (k == script.size()) break;
        size_t from = k >= kContext ? k - kContext : 0, to = k;
        // Extend the hunk while the next change lies within twice the context.
        for (;;) {
            while (to < script.size() && script[to].first != ' ') ++to;
            size_t gap = to;
            while (gap < script.size() && script[gap].first == ' ' && gap - to < 2 * kContext) ++gap;
            if (gap < script.size() && script[gap].first != ' ') {
                to = gap;
                continue;
            }
            to = std::min(script.size(), to + kContext);
            break;
        }
        size_t aCount = 0, bCount = 0;
        for (size_t s = from; s < to; ++s) {
            aCount += script[s].first != '+';
            bCount += script[s].first != '-';
        }
        out += "@@ -" + std::to_string(numbers[from].first) + "," + std::to_string(aCount) + " +" +
               std::to_string(numbers[from].second) + "," + std::to_string(bCount) + " @@\n";
        for (size_t s = from; s < to; ++s) {
            if (shown++ == kMaxShown) {
                out += "... (diff cut short)\n";
                return out;
            }
            out += script[s].first;
            out += script[s].second;
            out += '\n';
        }
        k = to;
    }
    return out;
}

// --- image comparison ------------------------------------------------------------------------

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
};

bool LoadPng(const fs::path& path, Image& image) {
    std::string bytes;
    if (!ReadWhole(path, bytes)) return false;
    return Png_DecodeRGBA(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image.w, image.h, image.rgba);
}

bool SavePng(const fs::path& path, const Image& image) {
    const std::vector<uint8_t> bytes = Png_EncodeRGBA(image.w, image.h, image.rgba.data());
    return !bytes.empty() && WriteWhole(path, bytes);
}

struct FrameComparison {
    bool sizeMismatch = false;
    long differing = 0;  // pixels with a channel beyond the tolerance
    int largest = 0;     // the largest channel difference of any pixel
    Image diff;          // changed pixels bright over a dimmed grey expectation
};

constexpr uint8_t kMarkR = 255, kMarkG = 0, kMarkB = 255;

FrameComparison CompareImages(const Image& expected, const Image& actual, int tolerance) {
    FrameComparison c;
    if (expected.w != actual.w || expected.h != actual.h) {
        c.sizeMismatch = true;
        return c;
    }
    c.diff.w = expected.w;
    c.diff.h = expected.h;
    c.diff.rgba.resize(expected.rgba.size());
    for (size_t p = 0; p + 3 < expected.rgba.size(); p += 4) {
        int worst = 0;
        for (size_t ch = 0; ch < 4; ++ch)
            worst = std::max(worst, std::abs(int(expected.rgba[p + ch]) - int(actual.rgba[p + ch])));
        c.largest = std::max(c.largest, worst);
        uint8_t* d = &c.diff.rgba[p];
        if (worst > tolerance) {
            ++c.differing;
            d[0] = kMarkR, d[1] = kMarkG, d[2] = kMarkB;
        } else {
            const int grey = (expected.rgba[p] * 77 + expected.rgba[p + 1] * 150 + expected.rgba[p + 2] * 29) >> 8;
            d[0] = d[1] = d[2] = uint8_t(32 + grey / 3);
        }
        d[3] = 255;
    }
    return c;
}

// Compares WORK/NNN.png with the golden GAME/frames/NNN.png. On a failure writes
// NNN.actual.png and NNN.diff.png beside the golden one; on success removes stale ones.
bool CheckFrame(const fs::path& golden, const fs::path& actualPath, int tolerance, std::string& message) {
    const fs::path dir = golden.parent_path();
    const std::string stem = golden.stem().string();
    const fs::path actualCopy = dir / (stem + ".actual.png"), diffPath = dir / (stem + ".diff.png");
    std::error_code ec;
    Image expected, actual;
    if (!LoadPng(golden, expected)) return message = "cannot read the golden frame " + golden.string(), false;
    if (!fs::exists(actualPath)) return message = "the runner wrote no picture " + actualPath.string(), false;
    if (!LoadPng(actualPath, actual))
        return message = "the picture " + actualPath.string() + " is not a readable PNG", false;
    const FrameComparison c = CompareImages(expected, actual, tolerance);
    if (c.sizeMismatch) {
        fs::copy_file(actualPath, actualCopy, fs::copy_options::overwrite_existing, ec);
        fs::remove(diffPath, ec);
        message = "size " + std::to_string(actual.w) + "x" + std::to_string(actual.h) + ", expected " +
                  std::to_string(expected.w) + "x" + std::to_string(expected.h) + "; wrote " + actualCopy.string();
        return false;
    }
    if (c.differing == 0) {
        fs::remove(actualCopy, ec);
        fs::remove(diffPath, ec);
        return true;
    }
    fs::copy_file(actualPath, actualCopy, fs::copy_options::overwrite_existing, ec);
    SavePng(diffPath, c.diff);
    message = std::to_string(c.differing) + " of " + std::to_string(long(expected.w) * expected.h) +
              " pixels differ by more than " + std::to_string(tolerance) + ", the largest difference is " +
              std::to_string(c.largest) + "; wrote " + actualCopy.string() + " and " + diffPath.string();
    return false;
}

// frames/NNN.png is the picture at the end of step NNN; frames/NNN.K.png the K-th one
// presented during that step (a room transition presents several). The key is the
// runner's --screenshot form of it: "N" or "N.K".
std::map<std::string, fs::path> GoldenFrames(const fs::path& gameDir) {
    std::map<std::string, fs::path> frames;
    std::error_code ec;
    const fs::path dir = gameDir / "frames";
    if (!fs::is_directory(dir, ec)) return frames;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".png") != 0) continue;
        const std::string stem = name.substr(0, name.size() - 4);
        const size_t dot = stem.find('.');
        long step = 0, present = 0;
        if (!ParseWhole(stem.substr(0, dot), step) || step < 1) continue;
        if (dot == std::string::npos) {
            frames[std::to_string(step)] = e.path();
        } else if (ParseWhole(stem.substr(dot + 1), present) && present >= 1) {
            frames[std::to_string(step) + "." + std::to_string(present)] = e.path();
        }
    }
    return frames;
}

// --- input scripts -------------------------------------------------------------------------------

// A key by name: a number, one letter or digit, or one of a few names.
bool KeyCode(const std::string& name, int& code) {
    static const std::map<std::string, int> kNames = {
        {"backspace", 8}, {"tab", 9},        {"enter", 13},     {"escape", 27}, {"space", 32},
        {"left", 37},     {"up", 38},        {"right", 39},     {"down", 40},   {"lshift", 160},
        {"rshift", 161},  {"lcontrol", 162}, {"rcontrol", 163}, {"lalt", 164},  {"ralt", 165},
    };
    if (const auto it = kNames.find(name); it != kNames.end()) return code = it->second, true;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return code = std::toupper(static_cast<unsigned char>(name[0])), true;
    long v = 0;
    if (ParseWhole(name, v) && v >= 0 && v <= 255) return code = int(v), true;
    return false;
}

// The input script: lines "FRAME: EVENT; EVENT ..." give the window events that arrive
// before frame FRAME starts (frames count from 1, in any order; "#" starts a comment).
// Events: down KEY, up KEY, tap KEY (down and up), text "CHARS", move X Y, press B,
// release B (mouse buttons 1 left, 2 right, 3 middle), wheel N (up when positive).
// The keys that type a control character (backspace, tab, enter, escape) type it when
// they go down, as on a keyboard. The recording is made by the runner's own input
// layer, so the file holds exactly what a window would have produced.
bool MakePlayback(const fs::path& script, long frames, const fs::path& out, std::string& error) {
    std::string text;
    if (!ReadWhole(script, text)) return error = "cannot read " + script.string(), false;
    std::map<long, std::vector<std::vector<std::string>>> byFrame;
    size_t lineNo = 0;
    for (size_t start = 0; start < text.size();) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        const std::string rawLine = text.substr(start, nl - start);
        start = nl + 1;
        ++lineNo;
        std::string line = rawLine.substr(0, rawLine.find('#'));
        const auto where = [&] { return script.filename().string() + ":" + std::to_string(lineNo) + ": "; };
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        const size_t colon = line.find(':');
        long frame = 0;
        std::string head = colon == std::string::npos ? "" : line.substr(0, colon);
        head.erase(0, head.find_first_not_of(' '));
        head.erase(head.find_last_not_of(' ') + 1);
        if (!ParseWhole(head, frame) || frame < 1 || frame > frames)
            return error = where() + "a line starts with a frame number from 1 to " + std::to_string(frames) + ":",
                   false;
        // Events separated by ";"; words by spaces, a quoted text as one word.
        std::vector<std::string> event;
        std::string word;
        bool quoted = false, inWord = false;
        auto endWord = [&] {
            if (inWord) event.push_back(word);
            word.clear();
            inWord = false;
        };
        for (size_t i = colon + 1; i <= line.size(); ++i) {
            const char c = i < line.size() ? line[i] : ';';
            if (quoted) {
                if (c == '"') quoted = false;
                else word += c;
            } else if (c == '"') {
                quoted = inWord = true;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                endWord();
            } else if (c == ';') {
                endWord();
                if (!event.empty()) byFrame[frame].push_back(event);
                event.clear();
            } else {
                word += c;
                inWord = true;
            }
        }
        if (quoted) return error = where() + "a text has no closing quote", false;
    }

    CInput in;
    if (!in.StartRecording(out.string(), error)) return false;
    for (long frame = 1; frame <= frames; ++frame) {
        for (const std::vector<std::string>& e : byFrame[frame]) {
            const std::string& what = e[0];
            const auto bad = [&] {
                return error = "frame " + std::to_string(frame) + ": cannot read \"" + what + "\"", false;
            };
            long a = 0, b = 0;
            int key = 0;
            if ((what == "down" || what == "up" || what == "tap") && e.size() == 2 && KeyCode(e[1], key)) {
                if (what != "up") {
                    in.KeyDown(key);
                    if (key == 8 || key == 9 || key == 13 || key == 27) in.Char(uint16_t(key));
                }
                if (what != "down") in.KeyUp(key);
            } else if (what == "text" && e.size() == 2) {
                for (unsigned char c : e[1]) in.Char(c);
            } else if (what == "move" && e.size() == 3 && ParseWhole(e[1], a) && ParseWhole(e[2], b)) {
                in.MouseMove(int(a), int(b));
            } else if ((what == "press" || what == "release") && e.size() == 2 && ParseWhole(e[1], a)) {
                if (what == "press") in.ButtonDown(int(a));
                else in.ButtonUp(int(a));
            } else if (what == "wheel" && e.size() == 2 && ParseWhole(e[1], a)) {
                in.Wheel(int(a));
            } else {
                in.StopRecording();
                return bad();
            }
        }
        in.BeginFrame({});
    }
    in.StopRecording();
    return true;
}

// --- one game ----------------------------------------------------------------------------------

int RunGame(const fs::path& gameDir, const fs::path& binDir, const std::string& build, const fs::path& workDir) {
    const std::string title = gameDir.filename().string() + " (" + build + ")";
    auto fail = [&](const std::string& why) {
        std::printf("FAIL %s: %s\n", title.c_str(), why.c_str());
        return 1;
    };
    if (std::none_of(std::begin(kBuilds), std::end(kBuilds), [&](const char* b) { return build == b; }))
        return fail("unknown build \"" + build + "\" (bytecode, source or oldexec)");
    Settings settings;
    std::string error;
    if (!ReadSettings(gameDir / "test.ini", settings, error)) return fail(error);
    if (std::find(settings.builds.begin(), settings.builds.end(), build) == settings.builds.end())
        return fail("the build " + build + " is not listed in test.ini");
    std::string expected;
    if (!ReadWhole(gameDir / "expected.txt", expected))
        return fail("cannot read " + (gameDir / "expected.txt").string());

    std::error_code ec;
    fs::remove_all(workDir, ec);
    fs::create_directories(workDir / "data", ec);
    if (ec) return fail("cannot make " + workDir.string() + ": " + ec.message());
    // The game's save area lies in the work folder, never in the user's home.
    const std::vector<std::string> env{
        "XDG_DATA_HOME=" + (workDir / "data").string(),
        std::string("SDL_VIDEODRIVER=") +
            (std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "offscreen")};

    const std::string game = (workDir / "game.win").string();
    std::vector<std::string> pack{(binDir / "zorvex-pack").string(), fs::absolute(gameDir).string(), "-o", game};
    if (build != "bytecode") pack.push_back("--source");
    const RunResult packed = Run(pack, workDir, (workDir / "pack").string(), settings.timeout, env);
    if (packed.exitCode != 0) {
        PrintBlock("packer stdout", packed.out);
        PrintBlock("packer stderr", packed.err);
        return fail("zorvex-pack " + Describe(packed));
    }

    for (const std::string& name : settings.files) {
        const fs::path from = fs::exists(gameDir / name) ? gameDir / name : binDir / name;
        fs::copy_file(from, workDir / fs::path(name).filename(), fs::copy_options::overwrite_existing, ec);
        if (ec) return fail("cannot copy " + from.string() + " beside the game: " + ec.message());
    }

    std::vector<std::string> inputArgs;
    if (!settings.input.empty()) {
        const fs::path recording = workDir / "input.rec";
        if (!MakePlayback(gameDir / settings.input, settings.frames, recording, error)) return fail(error);
        inputArgs = {"-playback", recording.string()};
    }
    const std::map<std::string, fs::path> frames = GoldenFrames(gameDir);
    std::vector<std::string> problems;
    // One run of the game; its pictures go to `shots`, its problems are named after `what`.
    auto playOnce = [&](const std::vector<std::string>& extra, const fs::path& shots, const std::string& what) {
        std::vector<std::string> play{
            (binDir / "zorvex").string(),   "-game", game, "--headless", "--no-wait", "--frames",
            std::to_string(settings.frames)};
        if (build == "oldexec") play.push_back("-oldexec");
        play.insert(play.end(), extra.begin(), extra.end());
        for (const auto& [when, path] : frames) {
            play.push_back("--screenshot");
            play.push_back(when + ":" + (shots / path.filename()).string());
        }
        const RunResult run = Run(play, workDir, (workDir / what).string(), settings.timeout, env);
        const std::string prefix = what == "run" ? "" : what + ": ";
        const size_t before = problems.size();
        if (!run.started || run.timedOut || run.signal) problems.push_back(prefix + "zorvex " + Describe(run));
        else if (run.exitCode != settings.exitCode)
            problems.push_back(prefix + "exit code " + std::to_string(run.exitCode) + ", expected " +
                               std::to_string(settings.exitCode));
        if (run.out != expected) {
            size_t line = 0;
            const std::string diff = LineDiff(Lines(expected), Lines(run.out), &line);
            problems.push_back(prefix + (diff.empty()
                                             ? "stdout differs from expected.txt in its line ends"
                                             : "stdout differs from expected.txt at line " + std::to_string(line)));
            if (!diff.empty()) std::printf("---- %sstdout against expected.txt\n%s", prefix.c_str(), diff.c_str());
        }
        if (!run.timedOut && run.started) {
            for (const auto& [when, golden] : frames) {
                std::string message;
                if (!CheckFrame(golden, shots / golden.filename(), int(settings.tolerance), message))
                    problems.push_back(prefix + "frame " + when + ": " + message);
            }
        }
        if (problems.size() != before) PrintBlock((prefix + "zorvex stderr").c_str(), run.err);
        return run;
    };
    RunResult run;
    if (settings.replay) {
        // The recording run's pictures sit apart, so that a failure picture of one run
        // never hides the other's.
        const fs::path recording = workDir / "replay.rec";
        fs::create_directories(workDir / "recorded", ec);
        // Both runs also keep the picture of their last frame, to be compared.
        const std::string last = std::to_string(settings.frames);
        const fs::path recordedLast = workDir / "recorded" / "last.png", playedLast = workDir / "last.png";
        playOnce({"-record", recording.string(), "--screenshot", last + ":" + recordedLast.string()},
                 workDir / "recorded", "recorded");
        std::error_code sizeError;
        const auto size = fs::file_size(recording, sizeError);
        if (sizeError || size != uintmax_t(settings.frames) * 2939u)
            problems.push_back("the recording holds " + std::to_string(sizeError ? 0 : size) + " bytes, not " +
                               std::to_string(settings.frames) + " frames of 2939");
        run = playOnce({"-playback", recording.string(), "--screenshot", last + ":" + playedLast.string()}, workDir,
                       "run");
        std::string message;
        if (!CheckFrame(recordedLast, playedLast, 0, message))
            problems.push_back("the played back game's last picture differs from the recorded one's: " + message);
    } else {
        run = playOnce(inputArgs, workDir, "run");
    }
    if (problems.empty()) {
        std::printf("ok %s: %zu lines, exit %d, %zu frames, %.2f s\n", title.c_str(), Lines(run.out).size(),
                    run.exitCode, frames.size(), run.seconds);
        return 0;
    }
    for (const std::string& p : problems) std::printf("FAIL %s: %s\n", title.c_str(), p.c_str());
    return 1;
}

// --- self test -------------------------------------------------------------------------------

int g_selfFailures = 0;

void Expect(bool condition, const std::string& what) {
    std::printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
    if (!condition) ++g_selfFailures;
}

Image Solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    Image im{w, h, {}};
    for (int i = 0; i < w * h; ++i) im.rgba.insert(im.rgba.end(), {r, g, b, a});
    return im;
}

uint8_t* Pixel(Image& im, int x, int y) { return &im.rgba[(size_t(y) * size_t(im.w) + size_t(x)) * 4]; }

bool IsMark(const Image& im, int x, int y) {
    const uint8_t* p = &im.rgba[(size_t(y) * size_t(im.w) + size_t(x)) * 4];
    return p[0] == kMarkR && p[1] == kMarkG && p[2] == kMarkB && p[3] == 255;
}

int SelfTest(const fs::path& workDir) {
    std::error_code ec;
    fs::remove_all(workDir, ec);
    fs::create_directories(workDir / "frames", ec);

    // Pixel comparison: the tolerance is inclusive, per channel, alpha included.
    const Image base = Solid(4, 3, 100, 150, 200);
    {
        const FrameComparison c = CompareImages(base, base, 2);
        Expect(!c.sizeMismatch && c.differing == 0 && c.largest == 0, "identical pictures match");
    }
    {
        Image near = base;
        Pixel(near, 1, 1)[0] = 102;
        Pixel(near, 2, 1)[2] = 198;
        const FrameComparison c = CompareImages(base, near, 2);
        Expect(c.differing == 0 && c.largest == 2, "differences within the tolerance pass");
    }
    {
        Image off = base;
        Pixel(off, 0, 0)[1] = 153;  // 3 > 2
        Pixel(off, 3, 2)[2] = 190;  // 10
        Pixel(off, 2, 0)[3] = 250;  // alpha counts too
        const FrameComparison c = CompareImages(base, off, 2);
        Expect(c.differing == 3 && c.largest == 10, "three pixels beyond the tolerance, largest difference 10");
        Expect(IsMark(c.diff, 0, 0) && IsMark(c.diff, 3, 2) && IsMark(c.diff, 2, 0), "changed pixels are marked");
        const uint8_t* kept = &c.diff.rgba[(1 * 4 + 1) * 4];
        Expect(!IsMark(c.diff, 1, 1) && kept[0] == kept[1] && kept[1] == kept[2] && kept[0] < 100,
               "unchanged pixels are a dimmed grey");
        Expect(CompareImages(base, off, 10).differing == 0, "a larger tolerance accepts them");
    }
    {
        const FrameComparison c = CompareImages(base, Solid(3, 4, 100, 150, 200), 2);
        Expect(c.sizeMismatch, "a different size is a mismatch");
    }

    // The files: a failure writes the actual picture and the difference image beside the
    // golden one; a later pass removes them again.
    const fs::path golden = workDir / "frames" / "007.png", actual = workDir / "007.png";
    SavePng(golden, base);
    Image changed = base;
    Pixel(changed, 2, 2)[0] = 0;
    SavePng(actual, changed);
    std::string message;
    Expect(!CheckFrame(golden, actual, 2, message), "a changed frame fails");
    Expect(message.find("1 of 12 pixels") != std::string::npos &&
               message.find("largest difference is 100") != std::string::npos,
           "the message counts the pixels and the largest difference: " + message);
    Image written, diff;
    Expect(LoadPng(workDir / "frames" / "007.actual.png", written) && written.rgba == changed.rgba,
           "007.actual.png holds the actual picture");
    Expect(
        LoadPng(workDir / "frames" / "007.diff.png", diff) && diff.w == 4 && IsMark(diff, 2, 2) && !IsMark(diff, 1, 2),
        "007.diff.png marks the changed pixel");
    SavePng(actual, base);
    Expect(CheckFrame(golden, actual, 2, message), "the same frame passes");
    Expect(!fs::exists(workDir / "frames" / "007.actual.png") && !fs::exists(workDir / "frames" / "007.diff.png"),
           "a pass removes the stale failure pictures");
    SavePng(actual, Solid(5, 3, 0, 0, 0));
    Expect(!CheckFrame(golden, actual, 2, message) && message.find("size 5x3, expected 4x3") != std::string::npos,
           "a size mismatch says both sizes: " + message);
    fs::remove(actual, ec);
    Expect(!CheckFrame(golden, actual, 2, message) && message.find("no picture") != std::string::npos,
           "a missing picture fails");
    SavePng(workDir / "frames" / "012.png", base);
    SavePng(workDir / "frames" / "012.3.png", base);
    SavePng(workDir / "frames" / "012.3.actual.png", base);
    SavePng(workDir / "frames" / "012.0.png", base);
    const std::map<std::string, fs::path> found = GoldenFrames(workDir);
    Expect(found.size() == 3 && found.count("7") && found.count("12") && found.count("12.3"),
           "golden frames are found by step and by picture within a step, failure pictures left out");

    // Text: the first differing line and both sides of the change.
    size_t line = 0;
    const std::string d = LineDiff(Lines("a\nb\nc\nd\n"), Lines("a\nb\nx\nd\ne\n"), &line);
    Expect(line == 3 && d.find("-c\n+x\n") != std::string::npos && d.find("+e\n") != std::string::npos &&
               d.find(" b\n") != std::string::npos,
           "the line diff names line 3 and shows the change with context");
    Expect(LineDiff(Lines("a\nb\n"), Lines("a\nb\n"), &line).empty(), "equal texts give no diff");
    Expect(!LineDiff(Lines("a\nb\n"), Lines("a\nb"), &line).empty(), "a missing final line end is a difference");

    // Settings: defaults, every key, and mistakes.
    auto settings = [&](const std::string& text, Settings& s, std::string& error) {
        std::ofstream(workDir / "test.ini", std::ios::trunc) << text;
        s = Settings{};
        return ReadSettings(workDir / "test.ini", s, error);
    };
    Settings s;
    std::string error;
    Expect(settings("[test]\nframes=4\n", s, error) && s.frames == 4 && s.exitCode == 0 && s.builds.size() == 3 &&
               s.tolerance == 2 && s.timeout == 60,
           "defaults");
    Expect(settings("[test]\nframes=1\nexit_code=255\nbuilds=bytecode, oldexec\ntolerance=0\ntimeout=5\n", s, error) &&
               s.exitCode == 255 && s.builds == std::vector<std::string>{"bytecode", "oldexec"} && s.tolerance == 0 &&
               s.timeout == 5,
           "every key");
    Expect(!settings("[test]\nexit_code=1\n", s, error), "frames is required");
    Expect(!settings("[test]\nframes=4\nframe=3\n", s, error), "an unknown key fails");
    Expect(!settings("[test]\nframes=four\n", s, error), "a key that is not a number fails");
    Expect(!settings("[test]\nframes=4\nbuilds=bytecode,native\n", s, error), "an unknown build fails");
    Expect(settings("[test]\nframes=4\ninput=keys.txt\nreplay=1\n", s, error) && s.input == "keys.txt" && s.replay == 1,
           "input and replay are read");
    Expect(!settings("[test]\nframes=4\nreplay=2\n", s, error), "replay is 0 or 1");

    // Input scripts become one recorded block per frame, events landing in their frame.
    {
        const fs::path script = workDir / "keys.txt", rec = workDir / "keys.rec";
        std::ofstream(script) << "# comment\n2: down right; text \"a b\"\n3: up right\n4: move 5 6; press 1\n";
        const bool made = MakePlayback(script, 4, rec, error);
        Expect(made, "an input script is turned into a recording " + error);
        std::string bytes;
        ReadWhole(rec, bytes);
        Expect(bytes.size() == 4 * 2939, "one block of 2939 bytes per frame");
        auto at = [&](long frame, size_t offset) {
            const size_t i = size_t(frame - 1) * 2939 + offset;
            return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 255;
        };
        Expect(at(1, 2060 + 39) == 0 && at(2, 2060 + 39) == 1 && at(2, 2572 + 39) == 1 && at(3, 2316 + 39) == 1 &&
                   at(3, 2060 + 39) == 0,
               "a key goes down in frame 2 and up in frame 3");
        Expect(at(2, 2) == 'a' && at(2, 4) == ' ' && at(2, 6) == 'b' && at(1, 2) == 0, "text is typed in frame 2");
        Expect(at(4, 2931) == 5 && at(4, 2935) == 6 && at(4, 2868) == 1 && at(4, 2898) == 1,
               "the mouse moves and presses in frame 4");
        std::ofstream(script) << "5: down right\n";
        Expect(!MakePlayback(script, 4, rec, error), "a frame beyond the game's frames fails");
        std::ofstream(script) << "1: jump\n";
        Expect(!MakePlayback(script, 4, rec, error), "an unknown event fails");
    }

    std::printf("%s: %d failure(s)\n", g_selfFailures ? "FAIL" : "ok", g_selfFailures);
    return g_selfFailures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--self-test") == 0) return SelfTest(argv[2]);
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: zorvex-game-test GAME_DIR BIN_DIR BUILD WORK_DIR   (BUILD: bytecode, source, oldexec)\n"
                     "       zorvex-game-test --self-test WORK_DIR\n");
        return 2;
    }
    // The programs run in the work folder, so every path given is made absolute first.
    return RunGame(fs::absolute(argv[1]), fs::absolute(argv[2]), argv[3], fs::absolute(argv[4]));
}
