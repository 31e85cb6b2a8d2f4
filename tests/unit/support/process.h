#pragma once
// Runs one of the project's programs as a child process, as a user or a test suite would.
#include <string>
#include <vector>

struct ProcessResult {
    int exitCode = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// `program` is a name in the build's bin directory or a path.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// A fresh, empty directory for one test, under the build's test-tmp folder (the running
// test's name is added to `name`).
std::string TestDirectory(const std::string& name);

// Writes bytes to a file; returns the path.
std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
