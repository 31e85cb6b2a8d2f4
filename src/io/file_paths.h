#pragma once
// Where game file names lead. A relative name is looked up in the save area (a
// per-user, per-game writable folder) and then in the game directory (the data
// file's folder); a name found in neither means the save-area path, where new
// files go. Files the game writes always land in the save area.
//
// Names come from game code, so they are input: an absolute name or one that
// climbs out with ".." may be read (the game directory has to be readable and
// games do read absolute paths they built from it), but creating, changing,
// deleting or renaming anything outside the save area is refused with a
// non-fatal error naming the path, unless the player allowed it.
//
// Backslashes in names count as "/": games made on other systems use them.
#include <string>
#include <string_view>

// The runner calls this at start with the game's name and the folder of its data
// file. On Linux the save area is $XDG_DATA_HOME/<folder>, by default
// ~/.local/share/<folder>, where <folder> is FilePaths_SafeFolderName(gameName).
// An empty game directory means the current directory. Nothing is created yet.
void FilePaths_SetGame(std::string_view gameName, std::string_view gameDirectory);
// Puts the save area somewhere else (tests, a runner switch).
void FilePaths_SetSaveArea(std::string_view directory);

// Absolute, each with a trailing "/".
const std::string& FilePaths_SaveArea();
const std::string& FilePaths_GameDirectory();

// The game name made usable as one folder name: bytes other than letters, digits,
// " ", "-", "_", "." and UTF-8 sequences become "_", leading and trailing dots and
// spaces go, at most 100 bytes are kept; nothing left gives "game".
std::string FilePaths_SafeFolderName(std::string_view gameName);

// Lifts the save-area restriction on changes (--allow-writes-anywhere).
void FilePaths_AllowWritesAnywhere(bool allow);
bool FilePaths_WritesAnywhereAllowed();

// The name with "\" turned into "/".
std::string FilePaths_Normalise(std::string_view name);
// "/..." or a drive prefix such as "C:". Drive names cannot mean anything here;
// they are kept as they are, so they open nothing and changes to them are refused.
bool FilePaths_IsAbsolute(std::string_view name);

// The path a name is read from: an absolute name as it is; a relative one in the
// save area if something exists there, else in the game directory if something
// exists there, else the save-area path.
std::string FilePaths_Resolve(std::string_view name);
// The save-area path of a name (an absolute name as it is), for files that are
// always written to the save area.
std::string FilePaths_SaveAreaPath(std::string_view name);

// Whether the path lies strictly inside the save area, once "..", "." and the
// symbolic links of its existing part are resolved.
bool FilePaths_InSaveArea(const std::string& path);
// Whether the game may change the path. When not, shows the non-fatal error
// "Refused to <action> <path>: ..." and gives false. `action` is a verb phrase
// such as "write" or "delete".
bool FilePaths_CheckChange(const std::string& path, const char* action);
// The save-area path of a name checked for writing, with its parent directories
// created. False (error shown, or the directories could not be made) when refused.
bool FilePaths_ForWriting(std::string_view name, std::string& path);
// Creates the parent directories of a path; false when they cannot be made.
bool FilePaths_CreateParents(const std::string& path);
