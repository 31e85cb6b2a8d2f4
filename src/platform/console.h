#pragma once
// The diagnostic log. Every start-up step and loader writes a line here; by default
// the lines go nowhere, `--log FILE` (or `-` for stderr) sends them somewhere useful.
#include <cstdio>
#include <string>

class TConsole {
public:
    TConsole() = default;
    ~TConsole();
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;

    // Formats one line of at most 4096 bytes, printf style. Longer output is cut.
    void Output(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Routes the log: "" discards it, "-" is stderr, anything else a file (truncated).
    bool SetTarget(const std::string& target);
    bool Enabled() const { return file_ != nullptr; }

private:
    FILE* file_ = nullptr;
    bool ownsFile_ = false;
};

// The engine's one log.
TConsole& Console();
