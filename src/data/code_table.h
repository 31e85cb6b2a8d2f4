#pragma once
// The code chunks as loaded: the code table (CODE), the variable and function name
// records with their reference chains (VARI, FUNC). Bytecode stays in the block.
#include <cstdint>
#include <string>
#include <vector>

struct CCodeEntry {
    uint32_t offset = 0;          // the record's offset, 0 for an empty slot
    uint32_t nameOffset = 0;      // characters of the entry's name
    uint32_t length = 0;          // bytes of bytecode
    uint32_t bytecodeOffset = 0;  // first instruction
};

struct CCodeLinkRecord {
    std::string name;
    uint32_t nameOffset = 0;
    uint32_t referenceCount = 0;
    uint32_t firstReference = 0;  // file offset of the first instruction that uses the name
};

struct CCodeTable {
    bool present = false;  // a CODE chunk was seen: code fields are indices, not source text
    std::vector<CCodeEntry> entries;
    std::vector<CCodeLinkRecord> variables;  // VARI
    std::vector<CCodeLinkRecord> functions;  // FUNC
};

// The optional debug-info file: per code index, the source positions and the text.
struct CDebugInfo {
    struct Unit {
        std::vector<std::pair<uint32_t, uint32_t>> positions;  // (bytecode offset, source position)
        std::string source;
    };
    bool present = false;
    std::vector<Unit> units;
};
