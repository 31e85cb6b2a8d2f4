#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vm/code.h"

class VMProgram;

class CScript {
public:
    std::string name;
    std::unique_ptr<CCode> code;
    // What the machine's calls need of `code`: its decoded program, debug pairs and unit
    // name, remembered on the first call (valid while `programGeneration` is the
    // machine's current one).
    mutable const VMProgram* program = nullptr;
    mutable const CDebugInfo::Unit* programDebug = nullptr;
    mutable const char* programName = nullptr;
    mutable uint32_t programGeneration = 0;
};
