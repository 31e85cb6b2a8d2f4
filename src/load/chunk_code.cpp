// The code chunks: the code table (CODE) and the name records (VARI, FUNC) whose
// reference chains thread through the bytecode. The names are linked to ids by the
// machine; here every record and every link in every chain is checked against the
// bytecode it claims to point into.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "load/chunk_loaders.h"
#include "vm/program.h"

namespace {

constexpr uint32_t kVariableDistanceMask = 0x1FFFFFFF;

// The bytecode regions of the code table, sorted, for checking reference chains.
struct BytecodeSpans {
    std::vector<std::pair<uint32_t, uint64_t>> spans;  // [start, end)

    explicit BytecodeSpans(const CCodeTable& code) {
        for (const CCodeEntry& e : code.entries)
            if (e.offset) spans.emplace_back(e.bytecodeOffset, uint64_t(e.bytecodeOffset) + e.length);
        std::sort(spans.begin(), spans.end());
    }
    // Whether [offset, offset + 8) is an instruction word and its operand inside one entry.
    bool Contains(int64_t offset) const {
        if (offset < 0 || offset > INT64_C(0xFFFFFFFF)) return false;
        auto it = std::upper_bound(spans.begin(), spans.end(), std::make_pair(uint32_t(offset), UINT64_MAX));
        if (it == spans.begin()) return false;
        --it;
        return uint64_t(offset) >= it->first && uint64_t(offset) + 8 <= it->second;
    }
    // Whether `offset` (inside an entry) is a whole number of words from its entry's start:
    // a reference between two words would share bytes with the references around it,
    // which linking rewrites.
    bool OnWord(int64_t offset) const {
        auto it = std::upper_bound(spans.begin(), spans.end(), std::make_pair(uint32_t(offset), UINT64_MAX));
        return it != spans.begin() && (uint64_t(offset) - std::prev(it)->first) % 4 == 0;
    }
};

// Loads 12-byte name records; `next` gives the distance to the following reference.
template <typename Next>
bool LoadLinks(ChunkContext& c, std::vector<CCodeLinkRecord>& out, const char* kind, Next&& next) {
    if (c.length % 12 != 0) return c.r.Fail("chunk length is not a whole number of 12-byte records");
    out.clear();
    out.resize(c.length / 12);
    const BytecodeSpans spans(c.res.code);
    // Linking rewrites each reference word in place, the distance to the next reference
    // along with it, so a word that two chains (or one chain twice) pass through would send
    // the later walk anywhere: every word belongs to one chain, once.
    std::vector<bool> claimed(c.data.Size());
    char text[200];
    for (size_t i = 0; i < out.size(); ++i) {
        c.r.SetEntry(int(i));
        CCodeLinkRecord& rec = out[i];
        uint32_t at = c.body + uint32_t(12 * i);
        rec.nameOffset = c.data.U32(at);
        if (rec.nameOffset == 0) return c.r.Fail(std::string(kind) + " has no name");
        if (!c.r.String(at, "name", rec.name)) return false;
        rec.referenceCount = c.data.U32(at + 4);
        rec.firstReference = c.data.U32(at + 8);
        if (rec.referenceCount > c.data.Size() / 8) {
            std::snprintf(text, sizeof text, "%s %s has %u references, more than the file can hold", kind,
                          rec.name.c_str(), rec.referenceCount);
            return c.r.Fail(text);
        }
        int64_t cur = rec.firstReference;
        for (uint32_t k = 0; k < rec.referenceCount; ++k) {
            if (!spans.Contains(cur)) {
                std::snprintf(text, sizeof text, "reference %u of %s %s points outside the bytecode", k, kind,
                              rec.name.c_str());
                return c.r.Fail(text);
            }
            if (!spans.OnWord(cur)) {
                std::snprintf(text, sizeof text, "reference %u of %s %s is not at the start of an instruction word", k,
                              kind, rec.name.c_str());
                return c.r.Fail(text);
            }
            if (claimed[size_t(cur)]) {
                std::snprintf(text, sizeof text, "reference %u of %s %s is already a reference of this or another %s",
                              k, kind, rec.name.c_str(), kind);
                return c.r.Fail(text);
            }
            claimed[size_t(cur)] = true;
            if (k + 1 < rec.referenceCount) cur += next(c.data.U32(uint32_t(cur) + 4));
        }
    }
    return true;
}

}  // namespace

bool Chunk_LoadCodeTable(ChunkContext& c) {
    CCodeTable& code = c.res.code;
    code.present = true;
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 8)) return false;
    code.entries.assign(list.size(), {});
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        CCodeEntry& e = code.entries[i];
        e.offset = list[i];
        e.nameOffset = c.data.U32(list[i]);
        if (!c.r.CheckText(e.nameOffset, "name")) return false;
        if (e.nameOffset == 0) return c.r.Fail("code entry has no name");
        e.length = c.data.U32(list[i] + 4);
        e.bytecodeOffset = list[i] + 8;
        if (!c.r.Need(e.bytecodeOffset, e.length, "bytecode")) return false;
        if (e.length % 4 != 0) return c.r.Fail("bytecode length is not a whole number of words");
    }
    return true;
}

bool Chunk_LoadVariableLinks(ChunkContext& c) {
    // The low 29 bits of a variable reference hold the signed distance to the next one.
    return LoadLinks(c, c.res.code.variables, "variable", [](uint32_t word) {
        int32_t d = int32_t(word & kVariableDistanceMask);
        if (d & 0x10000000) d -= 0x20000000;
        return int64_t(d);
    });
}

bool Chunk_LoadFunctionLinks(ChunkContext& c) {
    // A call's operand holds the unsigned distance to the next call of the same function.
    return LoadLinks(c, c.res.code.functions, "function", [](uint32_t word) { return int64_t(word); });
}

bool Chunk_CheckCodeOperands(ChunkContext& c) {
    char text[200];
    const auto& entries = c.res.code.entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CCodeEntry& e = entries[i];
        if (!e.offset) continue;
        uint32_t pos = 0;
        while (pos < e.length) {
            uint32_t word = c.data.U32(e.bytecodeOffset + pos);
            uint32_t at = pos;
            pos += 4;
            uint32_t opcode = word >> 24;
            if (!(opcode & 0x40)) continue;
            uint32_t type = (word >> 16) & 0xF;
            uint32_t size = (type == 0 || type == 3)                                          ? 8
                            : (type == 1 || type == 2 || type == 4 || type == 5 || type == 6) ? 4
                                                                                              : 0;
            if (uint64_t(pos) + size > e.length) {
                c.r.SetContext("CODE", int(i));
                std::snprintf(text, sizeof text, "the operand of the instruction at 0x%x runs past the end of the code",
                              at);
                return c.r.Fail(text);
            }
            if (type == 6) {
                uint32_t index = c.data.U32(e.bytecodeOffset + pos);
                if (index >= c.res.strings.size() || !c.res.strings[index]) {
                    c.r.SetContext("CODE", int(i));
                    std::snprintf(text, sizeof text,
                                  "the instruction at 0x%x refers to string %u, which does not exist", at, index);
                    return c.r.Fail(text);
                }
            }
            pos += size;
        }
        // A unit that would read below its stack, or join two paths at different depths,
        // is damaged: the machine trusts the depths it was given.
        const int64_t bad = VM_CheckStack(c.data.Base() + e.bytecodeOffset, e.length);
        if (bad >= 0) {
            c.r.SetContext("CODE", int(i));
            std::snprintf(text, sizeof text, "code %s: the stack does not balance at the instruction at 0x%x",
                          c.data.Text(e.nameOffset), uint32_t(bad));
            return c.r.Fail(text);
        }
    }
    return true;
}
