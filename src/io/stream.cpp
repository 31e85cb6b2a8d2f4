#include "io/stream.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/console.h"

namespace {

constexpr int64_t kMaxStreamBytes = static_cast<int64_t>(MemoryManager::kMaxBlockSize);

}  // namespace

CStream::CStream(const void* data, int64_t size) {
    if (data != nullptr && size > 0) {
        borrowed_ = static_cast<const uint8_t*>(data);
        size_ = size;
    }
}

bool CStream::Reserve(int64_t bytes) {
    const int64_t capacity = borrowed_ ? size_ : static_cast<int64_t>(owned_.size());
    if (bytes > kMaxStreamBytes - position_) return false;
    const int64_t needed = position_ + bytes;
    if (borrowed_ == nullptr && needed <= capacity) return true;
    // Double, so a long run of small writes costs few copies.
    int64_t grown = std::max<int64_t>(capacity, 1);
    while (grown < needed) grown = grown > kMaxStreamBytes / 2 ? kMaxStreamBytes : grown * 2;
    if (borrowed_) {
        std::vector<uint8_t, MemoryAllocator<uint8_t>> copy(static_cast<size_t>(grown));
        std::memcpy(copy.data(), borrowed_, static_cast<size_t>(size_));
        owned_.swap(copy);
        borrowed_ = nullptr;
    } else {
        owned_.resize(static_cast<size_t>(grown));
    }
    return true;
}

bool CStream::WriteBytes(const void* data, int64_t size) {
    if (size <= 0) return size == 0;
    if (!Reserve(size)) return false;
    std::memcpy(owned_.data() + position_, data, static_cast<size_t>(size));
    position_ += size;
    size_ = std::max(size_, position_);
    return true;
}

bool CStream::WriteInt(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t bytes[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
    return WriteBytes(bytes, 4);
}

bool CStream::WriteBool(bool v) { return WriteInt(v ? 1 : 0); }

bool CStream::WriteReal(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = uint8_t(u >> (8 * i));
    return WriteBytes(bytes, 8);
}

bool CStream::WriteByte(uint8_t v) { return WriteBytes(&v, 1); }

bool CStream::WriteString(std::string_view text) {
    if (text.size() > static_cast<size_t>(INT32_MAX)) return false;
    return WriteInt(static_cast<int32_t>(text.size())) && WriteBytes(text.data(), static_cast<int64_t>(text.size()));
}

bool CStream::WriteString(const char* text) { return WriteString(std::string_view(text ? text : "")); }

bool CStream::Take(void* out, int64_t bytes) {
    if (bytes > Remaining()) {
        position_ = size_;
        overrun_ = true;
        return false;
    }
    std::memcpy(out, Data() + position_, static_cast<size_t>(bytes));
    position_ += bytes;
    return true;
}

int32_t CStream::ReadInt() {
    uint8_t b[4];
    if (!Take(b, 4)) return 0;
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

bool CStream::ReadBool() { return ReadInt() != 0; }

double CStream::ReadReal() {
    uint8_t b[8];
    if (!Take(b, 8)) return 0.0;
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= uint64_t(b[i]) << (8 * i);
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

uint8_t CStream::ReadByte() {
    uint8_t b = 0;
    return Take(&b, 1) ? b : 0;
}

std::string CStream::ReadString() {
    const int32_t length = ReadInt();
    if (length <= 0) return {};
    if (length > Remaining()) {
        position_ = size_;
        overrun_ = true;
        return {};
    }
    std::string text(reinterpret_cast<const char*>(Data() + position_), static_cast<size_t>(length));
    position_ += length;
    return text;
}

void CStream::Seek(int64_t position) { position_ = std::clamp<int64_t>(position, 0, size_); }

void CStream::Reset() {
    borrowed_ = nullptr;
    size_ = 0;
    position_ = 0;
    overrun_ = false;
}

bool CStream::LoadFile(const std::string& path) {
    Reset();
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    struct stat st {};
    if (fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size < 0 || st.st_size > kMaxStreamBytes) return false;
    const int64_t size = st.st_size;
    if (static_cast<int64_t>(owned_.size()) < size) owned_.resize(static_cast<size_t>(size));
    if (size > 0 && std::fread(owned_.data(), 1, static_cast<size_t>(size), file.get()) != static_cast<size_t>(size))
        return false;  // shorter than it said: someone is changing it
    size_ = size;
    return true;
}

CStream CStream::Borrow(const CStream& source, int64_t offset, int64_t size) {
    offset = std::clamp<int64_t>(offset, 0, source.size_);
    size = std::clamp<int64_t>(size, 0, source.size_ - offset);
    if (size == 0) return CStream();
    return CStream(source.Data() + offset, size);
}

bool CStream::Compress(CStream& out) const {
    if (&out == this) return false;
    out.Reset();
    const uLong bound = compressBound(static_cast<uLong>(size_));
    if (bound > static_cast<uLong>(kMaxStreamBytes) || !out.Reserve(static_cast<int64_t>(bound))) return false;
    uLongf written = bound;
    if (compress2(out.owned_.data(), &written, Data(), static_cast<uLong>(size_), Z_DEFAULT_COMPRESSION) != Z_OK) {
        out.Reset();
        return false;
    }
    out.size_ = static_cast<int64_t>(written);
    return true;
}

bool CStream::Decompress(CStream& out) const {
    if (&out == this) return false;
    Console().Output("ZDecompressStream %d\n", static_cast<int>(std::min<int64_t>(size_, INT_MAX)));
    out.Reset();
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    struct Ender {
        z_stream* z;
        ~Ender() { inflateEnd(z); }
    } ender{&z};

    // Sizes are below 2 GiB, so they fit zlib's 32-bit counters.
    z.next_in = const_cast<Bytef*>(Data());
    z.avail_in = static_cast<uInt>(size_);
    int64_t produced = 0;
    for (;;) {
        if (produced == static_cast<int64_t>(out.owned_.size())) {
            out.position_ = produced;
            if (!out.Reserve(std::max<int64_t>(size_ * 2, 256))) break;  // would outgrow a buffer
        }
        const int64_t room = static_cast<int64_t>(out.owned_.size()) - produced;
        z.next_out = out.owned_.data() + produced;
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        produced += room - static_cast<int64_t>(z.avail_out);
        if (rc == Z_STREAM_END) {
            out.size_ = produced;
            out.position_ = 0;
            Console().Output("Done ZDecompressStream\n");
            return true;
        }
        // Out of input with room left: the data stops short.
        if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_out == 0)) break;
        if (z.avail_in == 0 && z.avail_out != 0) break;
    }
    out.Reset();
    return false;
}

std::string CStream::ToHex() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(static_cast<size_t>(size_) * 2);
    const uint8_t* data = Data();
    for (int64_t i = 0; i < size_; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 15]);
    }
    return text;
}

void CStream::FromHex(std::string_view text) {
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    // A letter digit d is (d & 15) + 9: 'A' and 'a' both give 10.
    const auto nibble = [](char c) { return c <= '9' ? c - '0' : (c & 15) + 9; };
    size_t pairs = 0;
    while (pairs * 2 + 1 < text.size() && isHex(text[pairs * 2]) && isHex(text[pairs * 2 + 1])) ++pairs;
    Reset();
    if (pairs == 0 || !Reserve(static_cast<int64_t>(pairs))) return;
    for (size_t i = 0; i < pairs; ++i)
        owned_[i] = static_cast<uint8_t>(nibble(text[2 * i]) << 4 | nibble(text[2 * i + 1]));
    size_ = static_cast<int64_t>(pairs);
}
