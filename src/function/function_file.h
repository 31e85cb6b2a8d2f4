#pragma once
// Files, ini files, the registry, the command line and starting programs.
//
// file_bin_*, file_text_*, the single-file file_* set, file_exists and the other
// file-system queries, filename_*, export_include_file*, discard_include_file,
// execute_program, execute_shell, parameter_count, parameter_string,
// environment_get_variable, registry_*, ini_*.
//
// File names go through io/file_paths.h: read from the save area, then the game
// directory; written to the save area only.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vm/registry.h"

extern const FunctionImpl kFileFunctions[];
extern const size_t kFileFunctionCount;

// Closes every open file, writes the open ini file if it changed and closes it,
// forgets a running file search and the cached registry file: the state of a game
// that has not started. The runner calls it at game start and at game end.
void FileFunctions_Reset();

// The command-line tokens for parameter_count and parameter_string; token 0 is the
// program itself, so parameter_count() is the number of tokens after it.
void FileFunctions_SetParameters(std::vector<std::string> tokens);

// How execute_program and execute_shell split their argument text into separate
// arguments (no shell ever sees it): runs of spaces and tabs separate, a double
// quote starts or ends a quoted part in which blanks are kept, quotes are dropped,
// and "" gives an empty argument.
std::vector<std::string> FileFunctions_SplitArguments(std::string_view text);

// The text ini_write_real and registry_write_real store for a real: "%.6f", or
// "%.17g" for magnitudes of 1e15 and more (and for inf and nan).
std::string FileFunctions_RealText(double v);
