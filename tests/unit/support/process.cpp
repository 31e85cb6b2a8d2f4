#include "support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

extern char** environ;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    std::string path = program.find('/') == std::string::npos ? std::string(ZORVEX_BIN_DIR) + "/" + program : program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    std::string dir = std::string(ZORVEX_TEST_TMP) + "/process";
    std::filesystem::create_directories(dir);
    std::string base = dir + "/" + std::to_string(getpid()) + "-" + std::to_string(rand());
    std::string outPath = base + ".out", errPath = base + ".err";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ProcessResult result;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

std::string TestDirectory(const std::string& name) {
    // CTest runs tests of one suite side by side: each test gets a folder of its own.
    std::string unique = name;
    if (const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info())
        unique += std::string(".") + test->test_suite_name() + "." + test->name();
    else  // a suite's set-up, which every process running one of its tests repeats
        unique += ".pid" + std::to_string(getpid());
    for (char& c : unique)
        if (c == '/') c = '_';  // parameterised names
    std::filesystem::path dir = std::filesystem::path(ZORVEX_TEST_TMP) / unique;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}
