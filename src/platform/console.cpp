#include "platform/console.h"

#include <cstdarg>

TConsole::~TConsole() {
    if (ownsFile_ && file_) std::fclose(file_);
}

bool TConsole::SetTarget(const std::string& target) {
    if (ownsFile_ && file_) std::fclose(file_);
    file_ = nullptr;
    ownsFile_ = false;
    if (target.empty()) return true;
    if (target == "-") {
        file_ = stderr;
        return true;
    }
    file_ = std::fopen(target.c_str(), "w");
    ownsFile_ = file_ != nullptr;
    return file_ != nullptr;
}

void TConsole::Output(const char* format, ...) {
    if (!file_) return;
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fputs(line, file_);
    std::fflush(file_);
}

TConsole& Console() {
    static TConsole console;
    return console;
}
