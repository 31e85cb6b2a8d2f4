#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file with one read. False, with `error` naming the cause, when it cannot.
bool File_ReadWhole(const std::string& path, std::vector<uint8_t>& out, std::string& error);
// Whether a regular file exists and can be opened for reading.
bool File_CanRead(const std::string& path);
// The directory that holds the running executable, with a trailing "/".
std::string File_ExecutableDirectory();
