#pragma once
// A growable byte buffer with one read/write position, for saved games and the
// network. Integers are 32-bit little-endian, booleans are integers (1/0), reals
// are 64-bit IEEE, and a text is a 32-bit byte length followed by its bytes.
//
// Reads never run past the data: a read that does not fit moves the position to
// the end, gives 0 (or the empty text) and raises the overrun flag, so a reader
// can take a whole record and check once at the end.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory.h"

class CStream {
public:
    CStream() = default;
    // A stream over someone else's bytes, for reading. The bytes must outlive the
    // stream; the first write copies them into a buffer of our own.
    CStream(const void* data, int64_t size);
    ~CStream() = default;
    CStream(const CStream&) = delete;
    CStream& operator=(const CStream&) = delete;
    CStream(CStream&&) noexcept = default;
    CStream& operator=(CStream&&) noexcept = default;

    // Writes give false only when the buffer cannot grow (beyond a block's limit).
    bool WriteInt(int32_t v);
    bool WriteBool(bool v);
    bool WriteReal(double v);
    bool WriteByte(uint8_t v);
    bool WriteString(std::string_view text);  // length 0 for the empty text
    bool WriteString(const char* text);       // null is the empty text
    bool WriteBytes(const void* data, int64_t size);

    int32_t ReadInt();
    bool ReadBool();  // any non-zero integer is true
    double ReadReal();
    uint8_t ReadByte();
    // A length of 0 (or less) is no text; a length longer than the rest of the
    // data stops at the end and gives the empty text.
    std::string ReadString();

    const uint8_t* Data() const { return borrowed_ ? borrowed_ : owned_.data(); }
    int64_t Size() const { return size_; }
    int64_t Position() const { return position_; }
    int64_t Remaining() const { return size_ - position_; }
    // Clamped to 0..Size().
    void Seek(int64_t position);
    // Empties the stream (an owned buffer keeps its capacity).
    void Reset();
    bool Overrun() const { return overrun_; }
    void ClearOverrun() { overrun_ = false; }

    // Replaces the contents with the whole file ("rb"), position 0. False (and an
    // empty stream) when it cannot be read or is too big for one buffer.
    bool LoadFile(const std::string& path);
    // A reading view of `size` bytes of `source` from `offset`, clamped to its data.
    // The source's buffer must stay as it is while the view is used.
    static CStream Borrow(const CStream& source, int64_t offset, int64_t size);
    // zlib forms of the whole contents, written into `out` (emptied first), whose
    // position is then 0. Decompression stops with false on damaged data or when
    // the result would outgrow one buffer. Logs "ZDecompressStream %d\n" with the
    // compressed size, and "Done ZDecompressStream\n".
    bool Compress(CStream& out) const;
    bool Decompress(CStream& out) const;
    // Hex form of the whole contents: two upper-case digits per byte, high nibble
    // first; an empty stream gives "".
    std::string ToHex() const;
    // Replaces the contents with the bytes of a hex text (digits of either case),
    // position 0: one byte per leading pair of hex digits, so decoding stops at the
    // first pair that is not two digits and never reads a stray character as one.
    void FromHex(std::string_view text);

private:
    bool Reserve(int64_t bytes);  // room for `bytes` more at the position
    bool Take(void* out, int64_t bytes);

    std::vector<uint8_t, MemoryAllocator<uint8_t>> owned_;  // its size is the capacity
    const uint8_t* borrowed_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
    bool overrun_ = false;
};
