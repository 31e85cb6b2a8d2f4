#include "io/file_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "data/error.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxFolderNameBytes = 100;

struct PathState {
    std::string gameName;
    std::string saveArea;       // "" until first asked for
    std::string gameDirectory;  // "" until first asked for
    bool allowAnywhere = false;
};

PathState& State() {
    static PathState state;
    return state;
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}

std::string Absolute(std::string_view directory) {
    std::error_code ec;
    fs::path p = directory.empty() ? fs::current_path(ec) : fs::absolute(fs::path(directory), ec);
    if (ec) p = fs::path(directory.empty() ? "." : std::string(directory));
    return WithSlash(p.lexically_normal().string());
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/')
        return pw->pw_dir;
    return "/tmp";
}

std::string DefaultSaveArea(std::string_view gameName) {
    std::string base;
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') base = xdg;
    else base = HomeDirectory() + "/.local/share";
    return Absolute(WithSlash(base) + FilePaths_SafeFolderName(gameName));
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::path(path), ec);
}

// "..", "." and the links of the part that exists resolved; a failure falls back
// to the purely textual form.
fs::path Canonical(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    if (ec) c = p.lexically_normal();
    // A trailing "/" leaves an empty last element that would spoil the comparison.
    if (!c.has_filename() && c.has_parent_path() && c != c.root_path()) c = c.parent_path();
    return c;
}

}  // namespace

void FilePaths_SetGame(std::string_view gameName, std::string_view gameDirectory) {
    PathState& s = State();
    s.gameName = std::string(gameName);
    s.saveArea = DefaultSaveArea(gameName);
    s.gameDirectory = Absolute(gameDirectory);
}

void FilePaths_SetSaveArea(std::string_view directory) { State().saveArea = Absolute(directory); }

const std::string& FilePaths_SaveArea() {
    PathState& s = State();
    if (s.saveArea.empty()) s.saveArea = DefaultSaveArea(s.gameName);
    return s.saveArea;
}

const std::string& FilePaths_GameDirectory() {
    PathState& s = State();
    if (s.gameDirectory.empty()) s.gameDirectory = Absolute("");
    return s.gameDirectory;
}

std::string FilePaths_SafeFolderName(std::string_view gameName) {
    std::string out;
    for (size_t i = 0; i < gameName.size();) {
        const unsigned char c = static_cast<unsigned char>(gameName[i]);
        // Whole UTF-8 sequences are kept; anything malformed becomes "_".
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool valid = length > 0 && i + length <= gameName.size() && !(length == 2 && c < 0xC2);
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(gameName[i + k]) & 0xC0) == 0x80;
        if (!valid) {
            out.push_back('_');
            ++i;
            continue;
        }
        if (length == 1) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                               c == '-' || c == '_' || c == '.';
            out.push_back(plain ? static_cast<char>(c) : '_');
        } else {
            if (out.size() + length > kMaxFolderNameBytes) break;
            out.append(gameName.substr(i, length));
        }
        i += length;
        if (out.size() >= kMaxFolderNameBytes) break;
    }
    if (out.size() > kMaxFolderNameBytes) out.resize(kMaxFolderNameBytes);
    // No hidden folder, no "." or "..", nothing the shell trims away.
    const size_t first = out.find_first_not_of(". ");
    if (first == std::string::npos) return "game";
    const size_t last = out.find_last_not_of(". ");
    return out.substr(first, last - first + 1);
}

void FilePaths_AllowWritesAnywhere(bool allow) { State().allowAnywhere = allow; }
bool FilePaths_WritesAnywhereAllowed() { return State().allowAnywhere; }

std::string FilePaths_Normalise(std::string_view name) {
    std::string out(name);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool FilePaths_IsAbsolute(std::string_view name) {
    if (!name.empty() && (name[0] == '/' || name[0] == '\\')) return true;
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'));
}

std::string FilePaths_SaveAreaPath(std::string_view name) {
    std::string n = FilePaths_Normalise(name);
    if (FilePaths_IsAbsolute(n)) return n;
    return FilePaths_SaveArea() + n;
}

std::string FilePaths_Resolve(std::string_view name) {
    std::string n = FilePaths_Normalise(name);
    if (FilePaths_IsAbsolute(n)) return n;
    std::string saved = FilePaths_SaveArea() + n;
    if (!n.empty() && Exists(saved)) return saved;
    std::string shipped = FilePaths_GameDirectory() + n;
    if (!n.empty() && Exists(shipped)) return shipped;
    return saved;
}

bool FilePaths_InSaveArea(const std::string& path) {
    if (path.empty()) return false;
    const fs::path root = Canonical(fs::path(FilePaths_SaveArea()));
    const fs::path target = Canonical(fs::path(path));
    auto r = root.begin();
    auto t = target.begin();
    for (; r != root.end(); ++r, ++t)
        if (t == target.end() || *r != *t) return false;
    // The save area itself is not a file of the game's.
    return t != target.end();
}

bool FilePaths_CheckChange(const std::string& path, const char* action) {
    if (State().allowAnywhere || FilePaths_InSaveArea(path)) return true;
    Code_ShowError(std::string("Refused to ") + (action ? action : "change") + " \"" + path +
                       "\": it is outside the save area " + FilePaths_SaveArea() +
                       " (run with --allow-writes-anywhere to allow it).",
                   false);
    return false;
}

bool FilePaths_CreateParents(const std::string& path) {
    const fs::path target(path);
    if (!target.has_parent_path()) return true;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    return !ec;
}

bool FilePaths_ForWriting(std::string_view name, std::string& path) {
    path = FilePaths_SaveAreaPath(name);
    if (!FilePaths_CheckChange(path, "write")) return false;
    return FilePaths_CreateParents(path);
}
