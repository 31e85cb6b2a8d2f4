// Keys are identified by kind and bytes; the CRC-32 of the key only picks its
// bucket and with it the iteration order. Taking the hash for the key itself
// would let two keys whose CRCs collide overwrite each other's values without a
// word.
#include "ds/ds_structures.h"

#include <cstring>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexBytes(std::string& out, const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 15]);
    }
}

// The 8 bytes of the double from the most significant, stopping once the rest
// are all zero.
void AppendRealField(std::string& out, double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    while (u != 0) {
        const auto b = static_cast<uint8_t>(u >> 56);
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 15]);
        u <<= 8;
    }
}

void AppendField(std::string& out, const DSValue& v) {
    if (v.IsString()) {
        const char* text = v.Text();
        AppendHexBytes(out, text, std::strlen(text));
    } else {
        AppendRealField(out, v.val);
    }
}

int HexNibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) return (c & 15) + 9;
    return -1;
}

// A field must be whole pairs of hex digits; a real field at most 8 bytes.
bool ParseField(std::string_view field, bool isString, DSValue& out) {
    if (field.size() % 2 != 0) return false;
    const size_t count = field.size() / 2;
    if (!isString && count > 8) return false;
    std::string bytes;
    bytes.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const int hi = HexNibble(field[2 * i]), lo = HexNibble(field[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<char>(hi << 4 | lo));
    }
    if (isString) {
        out.SetString(std::string_view(bytes.c_str()));  // a value's text ends at a zero byte
        return true;
    }
    uint64_t u = 0;
    for (size_t i = 0; i < count; ++i) u |= uint64_t(static_cast<uint8_t>(bytes[i])) << (56 - 8 * i);
    double v;
    std::memcpy(&v, &u, sizeof v);
    out.SetReal(v);
    return true;
}

}  // namespace

void CDS_Map::Clear() {
    buckets_.clear();
    count_ = 0;
}

void CDS_Map::Append(uint32_t hash, const DSValue& key, const DSValue& value) {
    if (buckets_.empty()) buckets_.resize(kBuckets);
    buckets_[hash & (kBuckets - 1)].push_back(Node{hash, key, value});
    ++count_;
}

bool CDS_Map::Locate(const DSValue& key, uint32_t& bucket, size_t& index) const {
    if (buckets_.empty()) return false;
    const uint32_t hash = DS_KeyHash(key);
    bucket = hash & (kBuckets - 1);
    const Chain& chain = buckets_[bucket];
    for (index = 0; index < chain.size(); ++index)
        if (chain[index].hash == hash && DS_SameKey(chain[index].key, key)) return true;
    return false;
}

bool CDS_Map::Add(const DSValue& key, const DSValue& value) {
    if (Exists(key)) return false;
    Append(DS_KeyHash(key), key, value);
    return true;
}

bool CDS_Map::Replace(const DSValue& key, const DSValue& value) {
    uint32_t bucket;
    size_t index;
    if (Locate(key, bucket, index)) {
        buckets_[bucket][index].value = value;
        return true;
    }
    Append(DS_KeyHash(key), key, value);
    return false;
}

bool CDS_Map::Delete(const DSValue& key) {
    uint32_t bucket;
    size_t index;
    if (!Locate(key, bucket, index)) return false;
    Chain& chain = buckets_[bucket];
    chain.erase(chain.begin() + static_cast<ptrdiff_t>(index));
    --count_;
    return true;
}

const DSValue* CDS_Map::Find(const DSValue& key) const {
    uint32_t bucket;
    size_t index;
    return Locate(key, bucket, index) ? &buckets_[bucket][index].value : nullptr;
}

const DSValue* CDS_Map::First() const {
    for (const Chain& chain : buckets_)
        if (!chain.empty()) return &chain.front().key;
    return nullptr;
}

const DSValue* CDS_Map::Last() const {
    for (size_t b = buckets_.size(); b-- > 0;)
        if (!buckets_[b].empty()) return &buckets_[b].back().key;
    return nullptr;
}

const DSValue* CDS_Map::Next(const DSValue& key) const {
    uint32_t bucket;
    size_t index;
    if (!Locate(key, bucket, index)) return nullptr;
    if (index + 1 < buckets_[bucket].size()) return &buckets_[bucket][index + 1].key;
    for (size_t b = bucket + 1; b < buckets_.size(); ++b)
        if (!buckets_[b].empty()) return &buckets_[b].front().key;
    return nullptr;
}

const DSValue* CDS_Map::Previous(const DSValue& key) const {
    uint32_t bucket;
    size_t index;
    if (!Locate(key, bucket, index)) return nullptr;
    if (index > 0) return &buckets_[bucket][index - 1].key;
    for (size_t b = bucket; b-- > 0;)
        if (!buckets_[b].empty()) return &buckets_[b].back().key;
    return nullptr;
}

std::string CDS_Map::Write() const {
    std::string out;
    for (const Chain& chain : buckets_) {
        for (const Node& node : chain) {
            if (!out.empty()) out.push_back(',');
            out.push_back(static_cast<char>('0' + (node.value.IsString() ? 2 : 0) + (node.key.IsString() ? 1 : 0)));
            out.push_back(':');
            AppendField(out, node.key);
            out.push_back(':');
            AppendField(out, node.value);
        }
    }
    return out;
}

bool CDS_Map::Read(std::string_view text) {
    CDS_Map fresh;
    size_t pos = 0;
    while (pos < text.size()) {
        const char type = text[pos];
        if (type < '0' || type > '3' || pos + 1 >= text.size() || text[pos + 1] != ':') return false;
        pos += 2;
        const size_t keyEnd = text.find(':', pos);
        if (keyEnd == std::string_view::npos) return false;
        size_t valueEnd = text.find(',', keyEnd + 1);
        if (valueEnd == std::string_view::npos) valueEnd = text.size();
        DSValue key, value;
        if (!ParseField(text.substr(pos, keyEnd - pos), (type - '0') & 1, key) ||
            !ParseField(text.substr(keyEnd + 1, valueEnd - keyEnd - 1), (type - '0') & 2, value))
            return false;
        fresh.Append(DS_KeyHash(key), key, value);
        pos = valueEnd + 1;
    }
    buckets_.swap(fresh.buckets_);
    count_ = fresh.count_;
    return true;
}
