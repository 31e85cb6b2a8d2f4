#pragma once
// The game data block: the whole data file, read once and kept for the run.
//
// Records are used in place: resources keep file offsets into the block and read
// their fields through it. A 64-bit engine cannot write a pointer over a 32-bit
// offset, so where the file format "relocates" an offset we keep the offset and
// resolve it against the block's base when it is used.
//
// Nothing here trusts the file. `DataReader` checks every offset, length and count
// before it is used and records the first failure as one line naming the chunk,
// the record and what is wrong; after a failure every read yields zero, so a loader
// can read on and test `Ok()` at its next convenient point.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"

class CGameData {
public:
    CGameData() = default;
    explicit CGameData(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
        base_ = bytes_.data();
        size_ = bytes_.size();
    }
    // The block as the file read into pages of its own.
    explicit CGameData(TFileMap map) : map_(std::move(map)) {
        base_ = map_.Data();
        size_ = map_.Size();
    }
    CGameData(CGameData&& other) noexcept { *this = std::move(other); }
    CGameData& operator=(CGameData&& other) noexcept {
        if (this == &other) return *this;
        bytes_ = std::move(other.bytes_);
        map_ = std::move(other.map_);
        base_ = other.base_;
        size_ = other.size_;
        other.bytes_.clear();
        other.base_ = nullptr;
        other.size_ = 0;
        return *this;
    }
    CGameData(const CGameData&) = delete;
    CGameData& operator=(const CGameData&) = delete;

    const uint8_t* Base() const { return base_; }
    uint8_t* MutableBase() { return base_; }
    uint32_t Size() const { return static_cast<uint32_t>(size_); }
    bool Empty() const { return size_ == 0; }

    // Whether [offset, offset + length) lies inside the block.
    bool InRange(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    // Whether an address belongs to the block (and so must never be freed on its own).
    bool IsInGameData(const void* address) const {
        auto* p = static_cast<const uint8_t*>(address);
        return size_ != 0 && p >= base_ && p <= base_ + size_;
    }

    // Unchecked little-endian reads: callers have checked the range.
    uint32_t U32(uint32_t offset) const {
        uint32_t v;
        std::memcpy(&v, base_ + offset, 4);
        return v;
    }
    int32_t I32(uint32_t offset) const { return static_cast<int32_t>(U32(offset)); }
    int16_t I16(uint32_t offset) const {
        int16_t v;
        std::memcpy(&v, base_ + offset, 2);
        return v;
    }
    float F32(uint32_t offset) const {
        float v;
        std::memcpy(&v, base_ + offset, 4);
        return v;
    }
    void SetI16(uint32_t offset, int16_t v) { std::memcpy(base_ + offset, &v, 2); }
    void SetU32(uint32_t offset, uint32_t v) { std::memcpy(base_ + offset, &v, 4); }

    // A zero-terminated string at `offset` (checked by the loader when it was read).
    const char* Text(uint32_t offset) const { return reinterpret_cast<const char*>(base_ + offset); }

private:
    std::vector<uint8_t> bytes_;
    TFileMap map_;
    uint8_t* base_ = nullptr;
    size_t size_ = 0;
};

// A checked cursor over the block for one loader. Context (chunk tag, record number)
// goes into the error text.
class DataReader {
public:
    DataReader(const CGameData& data, std::string& error) : data_(data), error_(error) {}

    void SetContext(std::string chunk, int entry = -1) {
        chunk_ = std::move(chunk);
        entry_ = entry;
    }
    void SetEntry(int entry) { entry_ = entry; }
    bool Ok() const { return error_.empty(); }
    const CGameData& Data() const { return data_; }

    // Records the first failure: "Corrupt game data: CHUNK entry N: WHAT".
    bool Fail(const std::string& what);

    // `what` names the field for the message ("instance list", "name").
    bool Need(uint64_t offset, uint64_t length, const char* what);

    uint32_t U32(uint32_t offset, const char* what) { return Need(offset, 4, what) ? data_.U32(offset) : 0; }
    int32_t I32(uint32_t offset, const char* what) { return static_cast<int32_t>(U32(offset, what)); }
    float F32(uint32_t offset, const char* what) { return Need(offset, 4, what) ? data_.F32(offset) : 0.0f; }
    int16_t I16(uint32_t offset, const char* what) { return Need(offset, 2, what) ? data_.I16(offset) : 0; }

    // A string field: the u32 at `fieldOffset` holds the offset of the characters.
    // 0 gives nullopt-like "" with `present` false. The string must end inside the block.
    bool String(uint32_t fieldOffset, const char* what, std::string& out, bool* present = nullptr);
    // Checks that a string starts at `offset` and ends inside the block; 0 means none.
    bool CheckText(uint32_t offset, const char* what);

    // A pointer list at `offset`: count and that many offsets, all inside [lo, hi).
    // Non-zero entries must point inside the block with at least `minRecord` bytes.
    bool PointerList(uint32_t offset, const char* what, std::vector<uint32_t>& out, uint32_t minRecord = 4,
                     uint64_t hi = UINT64_MAX);

    // A count of `elementSize`-byte elements that follow at `offset`: checks that they fit.
    bool Count(uint32_t count, uint32_t offset, uint32_t elementSize, const char* what);

private:
    const CGameData& data_;
    std::string& error_;
    std::string chunk_ = "FORM";
    int entry_ = -1;
};
