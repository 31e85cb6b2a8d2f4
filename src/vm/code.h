#pragma once
// A code unit: one event, script, time line moment or creation code.
// With compiled code in the data file it names an entry of the code table (the
// bytecode stays in the game data block); without, it holds the source text that
// the engine compiles itself.
#include <cstdint>
#include <string>

class CCode {
public:
    enum Kind { kProgram = 1, kExpression = 2, kConstant = 3 };

    CCode() = default;
    virtual ~CCode() = default;

    // A unit over entry `index` of the code table (-1: no code).
    static CCode* FromIndex(int index, const std::string& name);
    // A unit that holds text to compile.
    static CCode* FromSource(const std::string& source, const std::string& name);

    int kind = kProgram;
    bool compiled = false;
    int index = -1;
    std::string name;
    std::string source;
};
