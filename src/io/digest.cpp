#include "io/digest.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string Hex(const uint8_t* bytes, size_t n) {
    std::string out(n * 2, '0');
    for (size_t i = 0; i < n; ++i) {
        out[2 * i] = kHex[bytes[i] >> 4];
        out[2 * i + 1] = kHex[bytes[i] & 15];
    }
    return out;
}

uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The message padded to whole 64-byte blocks: 0x80, zeros, then the bit length in 8
// bytes (little-endian for MD5, big-endian for SHA-1).
std::string Padded(std::string_view bytes, bool bigEndianLength) {
    std::string m(bytes);
    const uint64_t bits = uint64_t(bytes.size()) * 8;
    m.push_back(char(0x80));
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 0; i < 8; ++i) m.push_back(char(bits >> (bigEndianLength ? 56 - 8 * i : 8 * i)));
    return m;
}

}  // namespace

std::string Digest_Md5(std::string_view bytes) {
    static const std::array<uint32_t, 64> k = [] {
        std::array<uint32_t, 64> t{};
        for (int i = 0; i < 64; ++i) {
            // floor(|sin(i + 1)| * 2^32), the constants of the algorithm.
            long double s = __builtin_sinl((long double)(i + 1));
            if (s < 0) s = -s;
            t[size_t(i)] = uint32_t(uint64_t(s * 4294967296.0L));
        }
        return t;
    }();
    static const int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const std::string m = Padded(bytes, false);
    for (size_t block = 0; block < m.size(); block += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const uint8_t*>(m.data() + block + 4 * size_t(i));
            w[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            const int round = i / 16;
            if (round == 0) f = (b & c) | (~b & d), g = i;
            else if (round == 1) f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
            else if (round == 2) f = b ^ c ^ d, g = (3 * i + 5) % 16;
            else f = c ^ (b | ~d), g = (7 * i) % 16;
            const uint32_t next = d;
            d = c;
            c = b;
            b = b + Rotl(a + f + k[size_t(i)] + w[g], shifts[round][i % 4]);
            a = next;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    uint8_t out[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(h[i] >> (8 * j));
    return Hex(out, 16);
}

std::string Digest_Sha1(std::string_view bytes) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const std::string m = Padded(bytes, true);
    for (size_t block = 0; block < m.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const uint8_t*>(m.data() + block + 4 * size_t(i));
            w[i] = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
        }
        for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) f = (b & c) | (~b & d), k = 0x5A827999;
            else if (i < 40) f = b ^ c ^ d, k = 0x6ED9EBA1;
            else if (i < 60) f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
            else f = b ^ c ^ d, k = 0xCA62C1D6;
            const uint32_t t = Rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = Rotl(b, 30);
            b = a;
            a = t;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
    }
    uint8_t out[20];
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(h[i] >> (24 - 8 * j));
    return Hex(out, 20);
}

namespace {
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64_Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v =
            uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out.push_back(kBase64[(v >> s) & 63]);
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (rest == 2) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        out.push_back(kBase64[(v >> 18) & 63]);
        out.push_back(kBase64[(v >> 12) & 63]);
        out.push_back(rest == 2 ? kBase64[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

std::string Base64_Decode(std::string_view text) {
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (const char ch : text) {
        if (ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t') continue;
        const char* at = ch != 0 ? std::strchr(kBase64, ch) : nullptr;
        if (at == nullptr) break;  // "=" or a stranger ends the data
        acc = (acc << 6) | uint32_t(at - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(char((acc >> bits) & 0xFF));
        }
    }
    return out;
}

std::string Utf8_ToUtf16Le(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    auto unit = [&out](uint32_t u) {
        out.push_back(char(u & 0xFF));
        out.push_back(char(u >> 8));
    };
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t lead = uint8_t(text[i]);
        size_t len = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        uint32_t cp = len == 1 ? lead : len == 2 ? lead & 0x1F : len == 3 ? lead & 0x0F : lead & 0x07;
        bool ok = len != 0 && i + len <= text.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const uint8_t c = uint8_t(text[i + k]);
            ok = (c >> 6) == 2;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok || cp > 0x10FFFF) {
            unit(lead);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 | (cp >> 10));
            unit(0xDC00 | (cp & 0x3FF));
        } else {
            unit(cp);
        }
        i += len;
    }
    return out;
}
