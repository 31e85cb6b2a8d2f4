#include "vm/code.h"

#include <cstring>

#include "vm/program.h"

void VMWriteBuffer::Write32(uint32_t word) {
    uint8_t b[4];
    std::memcpy(b, &word, 4);
    bytes_.insert(bytes_.end(), b, b + 4);
    Sync();
}

void VMWriteBuffer::Write64(uint64_t word) {
    uint8_t b[8];
    std::memcpy(b, &word, 8);
    bytes_.insert(bytes_.end(), b, b + 8);
    Sync();
}

void VMWriteBuffer::Patch32(uint32_t at, uint32_t word) {
    if (size_t(at) + 4 > bytes_.size()) return;
    std::memcpy(bytes_.data() + at, &word, 4);
}

uint32_t VMWriteBuffer::Read32(uint32_t at) const {
    uint32_t word = 0;
    if (size_t(at) + 4 <= bytes_.size()) std::memcpy(&word, bytes_.data() + at, 4);
    return word;
}

CCode::CCode() = default;
CCode::~CCode() = default;

CCode* CCode::FromIndex(int index, const std::string& name) {
    auto* code = new CCode;
    code->index = index;
    code->compiled = index >= 0;
    code->name = name;
    return code;
}

CCode* CCode::FromSource(const std::string& source, const std::string& name) {
    auto* code = new CCode;
    code->source = source;
    code->name = name;
    return code;
}
