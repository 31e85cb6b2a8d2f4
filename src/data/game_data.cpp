#include "data/game_data.h"

#include <cstdio>

bool DataReader::Fail(const std::string& what) {
    if (!error_.empty()) return false;
    error_ = "Corrupt game data: ";
    error_ += chunk_;
    if (entry_ >= 0) error_ += " entry " + std::to_string(entry_);
    error_ += ": " + what;
    return false;
}

bool DataReader::Need(uint64_t offset, uint64_t length, const char* what) {
    if (!Ok()) return false;
    if (data_.InRange(offset, length)) return true;
    return Fail(std::string(what) + " points outside the file");
}

bool DataReader::CheckText(uint32_t offset, const char* what) {
    if (!Ok()) return false;
    if (offset == 0) return true;
    if (offset >= data_.Size()) return Fail(std::string(what) + " points outside the file");
    if (!std::memchr(data_.Base() + offset, 0, data_.Size() - offset))
        return Fail(std::string(what) + " runs past the end of the file");
    return true;
}

bool DataReader::String(uint32_t fieldOffset, const char* what, std::string& out, bool* present) {
    out.clear();
    if (present) *present = false;
    uint32_t offset = U32(fieldOffset, what);
    if (!Ok() || !CheckText(offset, what)) return false;
    if (offset != 0) {
        out = data_.Text(offset);
        if (present) *present = true;
    }
    return true;
}

bool DataReader::Count(uint32_t count, uint32_t offset, uint32_t elementSize, const char* what) {
    if (!Ok()) return false;
    if (data_.InRange(offset, uint64_t(count) * elementSize)) return true;
    char text[160];
    std::snprintf(text, sizeof text, "%s count %u is too large for the file", what, count);
    return Fail(text);
}

bool DataReader::PointerList(uint32_t offset, const char* what, std::vector<uint32_t>& out, uint32_t minRecord,
                             uint64_t hi) {
    out.clear();
    uint32_t count = U32(offset, what);
    if (!Ok()) return false;
    uint64_t end = uint64_t(offset) + 4 + uint64_t(count) * 4;
    if (end > data_.Size() || end > hi) {
        char text[160];
        std::snprintf(text, sizeof text, "%s of %u entries runs past the end of its data", what, count);
        return Fail(text);
    }
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t p = data_.U32(offset + 4 + i * 4);
        if (p != 0 && !data_.InRange(p, minRecord)) {
            char text[160];
            std::snprintf(text, sizeof text, "%s item %u points outside the file", what, i);
            return Fail(text);
        }
        out[i] = p;
    }
    return true;
}
