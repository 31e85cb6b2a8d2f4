// The bytecode assembler: encodings, label resolution, reference records, errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "writer/assembler.h"
#include "writer/writer.h"

namespace {

std::vector<uint32_t> Words(const std::vector<uint8_t>& b) {
    std::vector<uint32_t> w;
    for (size_t i = 0; i + 4 <= b.size(); i += 4)
        w.push_back(uint32_t(b[i]) | uint32_t(b[i + 1]) << 8 | uint32_t(b[i + 2]) << 16 | uint32_t(b[i + 3]) << 24);
    return w;
}

// Assembles into `d` and returns the new entry's words.
std::vector<uint32_t> AssembleOk(GameDataDesc& d, const std::string& text) {
    std::string error;
    EXPECT_TRUE(Asm_Assemble(d, "unit", text, error)) << error;
    if (d.code.empty() || !d.code.back()) return {};
    EXPECT_EQ(d.code.back()->bytecode.size() % 4, 0u);
    return Words(d.code.back()->bytecode);
}

// Bounds-checked reads over a written file.
struct Raw {
    std::vector<uint8_t> d;

    uint32_t U32(size_t o) const {
        if (o + 4 > d.size()) {
            ADD_FAILURE() << "read at " << o << " outside a file of " << d.size();
            return 0;
        }
        return uint32_t(d[o]) | uint32_t(d[o + 1]) << 8 | uint32_t(d[o + 2]) << 16 | uint32_t(d[o + 3]) << 24;
    }
    std::string Str(uint32_t at) const {
        std::string s;
        while (at < d.size() && d[at]) s.push_back(char(d[at++]));
        return s;
    }
    // Body offset and size of a chunk.
    std::pair<uint32_t, uint32_t> Chunk(const std::string& tag) const {
        for (size_t p = 8; p + 8 <= d.size(); p += 8 + size_t(U32(p + 4)))
            if (std::string(reinterpret_cast<const char*>(&d[p]), 4) == tag) return {uint32_t(p + 8), U32(p + 4)};
        ADD_FAILURE() << "no chunk " << tag;
        return {0, 0};
    }
    // File offset of the first instruction of code entry i.
    uint32_t Code(uint32_t i) const { return U32(Chunk("CODE").first + 4 + 4 * i) + 8; }
};

Raw WriteOk(const GameDataDesc& d) {
    std::string error;
    Raw r{DataFile_Write(d, &error)};
    EXPECT_FALSE(r.d.empty()) << error;
    return r;
}

int32_t SignExtend29(uint32_t v) { return int32_t(v << 3) >> 3; }

}  // namespace

TEST(Assembler, EncodesEveryInstructionForm) {
    struct Case {
        const char* text;
        std::vector<uint32_t> words;
    } cases[] = {
        {"conv.i.d", {0x03020000}},  // first suffix in bits 16-19
        {"add.d.s", {0x08600000}},
        {"slt.i.i", {0x11220000}},
        {"sgt.v.v", {0x16550000}},
        {"neg.d", {0x0D000000}},
        {"not.b", {0x0E040000}},
        {"dup.v", {0x82050000}},
        {"popz.v", {0x9F050000}},
        {"ret.v", {0x9D050000}},
        {"exit.i", {0x9E020000}},
        {"push.d 3.5", {0xC0000000, 0x00000000, 0x400C0000}},
        {"push.d -2", {0xC0000000, 0x00000000, 0xC0000000}},
        {"push.f 1.5", {0xC0010000, 0x3FC00000}},
        {"push.i -42", {0xC0020000, 0xFFFFFFD6}},
        {"push.i 0x7fffffff", {0xC0020000, 0x7FFFFFFF}},
        {"push.l 123456789012", {0xC0030000, 0xBE991A14, 0x0000001C}},
        {"push.l -1", {0xC0030000, 0xFFFFFFFF, 0xFFFFFFFF}},
        {"push.b true", {0xC0040000, 1}},
        {"push.b false", {0xC0040000, 0}},
        {"push.e -5", {0xC00FFFFB}},
        {"call.i show_debug_message 3", {0xDA020003, 0}},
        {"break", {0xFF0F0000}},
        {"break.i", {0xFF020000, 0}},
        {"popenv.break", {0xBCF00000}},
        {"popenv break", {0xBCF00000}},  // as the listing prints it
        {".word 0xdeadbeef -1", {0xDEADBEEF, 0xFFFFFFFF}},
        {"  \t; only a comment", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        GameDataDesc d;
        EXPECT_EQ(AssembleOk(d, c.text), c.words);
    }
}

TEST(Assembler, BranchesResolveToSignedWordCountsFromTheBranch) {
    GameDataDesc d;
    const std::vector<uint32_t> w = AssembleOk(d, R"(
top:  push.b true     ; 0
      bt fwd          ; 8  forwards
      b top           ; 12 backwards
here: b here          ; 16 to itself
fwd:  bf top          ; 20
      b end           ; 24 to the end of the unit
      b -1            ; 28 a plain word count
end:
)");
    EXPECT_EQ(w, (std::vector<uint32_t>{0xC0040000, 1, 0xB8000003, 0xB7FFFFFD, 0xB7000000, 0xB9FFFFFB, 0xB7000002,
                                        0xB7FFFFFF}));
}

TEST(Assembler, WithBlockReachesTheFileIntact) {
    GameDataDesc d;
    AssembleOk(d, R"(
        push.e -3           ; all
        pushenv end
body:   push.v self.x
        popz.v
        push.b true
        bf next
        popenv.break        ; break out of the with
        b end
next:   popenv body
end:    exit.i
)");
    Raw r = WriteOk(d);
    const uint32_t at = r.Code(0);
    ASSERT_EQ(r.U32(at - 4), 48u);
    std::vector<uint32_t> w;
    for (uint32_t i = 0; i < 12; ++i) w.push_back(r.U32(at + 4 * i));
    EXPECT_EQ(w, (std::vector<uint32_t>{0xC00FFFFD, 0xBB00000A, 0xC005FFFF, 0xA0000000, 0x9F050000, 0xC0040000, 1,
                                        0xB9000003, 0xBCF00000, 0xB7000002, 0xBCFFFFF8, 0x9E020000}));
}

TEST(Assembler, VariableOperandsEncodeScopeIndexAndInstanceBits) {
    struct Case {
        const char* var;
        uint16_t imm;
        uint32_t bits;
        const char* name;
    } cases[] = {
        {"self.x", 0xFFFF, 0xA0000000, "x"},       {"other.x", 0xFFFE, 0xA0000000, "x"},
        {"all.x", 0xFFFD, 0xA0000000, "x"},        {"noone.x", 0xFFFC, 0xA0000000, "x"},
        {"global.x", 0xFFFB, 0xA0000000, "x"},     {"builtin.x", 0xFFFA, 0xA0000000, "x"},
        {"local.x", 0xFFF9, 0xA0000000, "x"},      {"-5.x", 0xFFFB, 0xA0000000, "x"},
        {"3.hp", 0x0003, 0xA0000000, "hp"},        {"100000.hp", 0x0000, 0xE0000000, "hp"},
        {"132767.hp", 0x7FFF, 0xE0000000, "hp"},   {"stack.x", 0x0000, 0x80000000, "x"},
        {"self.arr[]", 0xFFFF, 0x20000000, "arr"}, {"stack.arr[]", 0x0000, 0x00000000, "arr"},
        {"1.a_1[]", 0x0001, 0x20000000, "a_1"},    {"unspec.x", 0xFFFA, 0xA0000000, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.var);
        GameDataDesc d;
        const std::string v = c.var;
        EXPECT_EQ(AssembleOk(d, "push.v " + v + "\npop.v.d " + v + "\npop.v.s " + v),
                  (std::vector<uint32_t>{0xC0050000u | c.imm, c.bits, 0x41050000u | c.imm, c.bits, 0x41650000u | c.imm,
                                         c.bits}));
        ASSERT_EQ(d.variables.size(), 1u);
        EXPECT_EQ(d.variables[0].name, c.name);
        EXPECT_EQ(d.variables[0].refs.size(), 3u);
    }
}

TEST(Assembler, StringConstantsAreUnescapedAndShared) {
    GameDataDesc d;
    d.strings = {"zero"};
    const std::vector<uint32_t> w = AssembleOk(d, R"(
push.s "zero"
push.s "say \"hi\" \\ ; not a comment" ; a comment
push.s "zero"
push.s ""
)");
    EXPECT_EQ(w, (std::vector<uint32_t>{0xC0060000, 0, 0xC0060000, 1, 0xC0060000, 0, 0xC0060000, 2}));
    EXPECT_EQ(d.strings, (std::vector<std::string>{"zero", "say \"hi\" \\ ; not a comment", ""}));
}

// Two units share records with each other and with records already in the
// description; every chain in the written file must visit exactly the instructions
// that name it.
TEST(Assembler, ReferencesShareOneRecordPerNameAndChainsVisitTheirInstructions) {
    GameDataDesc d;
    d.code = {std::nullopt};  // the units become code 1 and 2
    d.variables = {WVariableRef{"x", {}}};
    d.functions = {WFunctionRef{"g", {}}};
    AssembleOk(d, R"(
        push.v self.x       ; 0
        pop.v.v global.y    ; 8
        call.i f 1          ; 16
        push.v stack.x[]    ; 24
        popz.v
        exit.i
)");
    AssembleOk(d, R"(
        call.i f 0          ; 0
        pop.v.i 100003.x    ; 8
        call.i g 0          ; 16
        exit.i
)");
    ASSERT_EQ(d.variables.size(), 2u);
    ASSERT_EQ(d.functions.size(), 2u);

    Raw r = WriteOk(d);
    const uint32_t a = r.Code(1), b = r.Code(2);
    // Instruction word and, for variables, the kept top bits of the reference word.
    using Expect = std::map<uint32_t, std::pair<uint32_t, uint32_t>>;
    const std::map<std::string, Expect> expected = {
        {"x", {{a + 0, {0xC005FFFF, 0xA0000000}}, {a + 24, {0xC0050000, 0}}, {b + 8, {0x41250003, 0xE0000000}}}},
        {"y", {{a + 8, {0x4155FFFB, 0xA0000000}}}},
        {"f", {{a + 16, {0xDA020001, 0}}, {b + 0, {0xDA020000, 0}}}},
        {"g", {{b + 16, {0xDA020000, 0}}}},
    };

    std::map<std::string, Expect> visited;
    for (const char* tag : {"VARI", "FUNC"}) {
        const bool vari = std::string(tag) == "VARI";
        const auto [body, size] = r.Chunk(tag);
        ASSERT_EQ(size, 24u) << tag;
        for (uint32_t rec = body; rec < body + size; rec += 12) {
            const std::string name = r.Str(r.U32(rec));
            uint32_t at = r.U32(rec + 8);
            for (uint32_t k = 0; k < r.U32(rec + 4); ++k) {
                const uint32_t link = r.U32(at + 4);
                ASSERT_TRUE(visited[name].emplace(at, std::make_pair(r.U32(at), vari ? link & 0xE0000000u : 0)).second)
                    << name << " visits " << at << " twice";
                at = vari ? uint32_t(int64_t(at) + SignExtend29(link & 0x1FFFFFFFu)) : at + link;
            }
        }
    }
    EXPECT_EQ(visited, expected);
}

TEST(Assembler, ErrorsNameTheLineAndLeaveTheDescriptionAlone) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"frob", "line 1: unknown mnemonic frob"},
        {"push.i 1\n\n  b nowhere ; forwards", "line 3: unknown label nowhere"},
        {"push.s \"new\"\npush.v self.fresh\ncall.i fresh 0\nfrob.i", "line 4: unknown mnemonic frob.i"},
        {"a:\nb:\na: exit.i", "line 3: duplicate label a (already defined on line 1)"},
        {"push.i 12x", "line 1: bad operand '12x' for push.i: expected a 32-bit integer"},
        {"push.i 2147483648", "line 1: bad operand '2147483648' for push.i: expected a 32-bit integer"},
        {"push.e 40000", "line 1: bad operand '40000' for push.e: expected a 16-bit integer"},
        {"push.d 1.5.5", "line 1: bad operand '1.5.5' for push.d: expected a number"},
        {"push.b yes", "line 1: bad operand 'yes' for push.b: expected true or false"},
        {"push.q 1", "line 1: unknown type suffix .q in push.q"},
        {"add.i", "line 1: add.i: add takes 2 type suffixes"},
        {"b.i top\ntop:", "line 1: b.i: b takes 0 type suffixes"},
        {"exit.i 3", "line 1: unexpected operand '3' after exit.i"},
        {"push.i", "line 1: missing operand for push.i"},
        {"push.v nowhere.x", "line 1: unknown scope nowhere"},
        {"push.v 40000.x", "line 1: scope 40000 does not fit the 16-bit operand"},
        {"push.v self.9x", "line 1: bad variable name '9x' in 'self.9x'"},
        {"push.v x", "line 1: bad variable 'x': expected SCOPE.NAME"},
        {"pop.d.d self.x", "line 1: pop.d.d: the destination type of pop must be .v (pop.v.<valuetype>)"},
        {"push.s \"abc", "line 1: unterminated string"},
        {"push.s \"a\\qb\"", "line 1: unknown escape \\q in string"},
        {"push.s \"a\" b", "line 1: unexpected text after the string: 'b'"},
        {"call.i f", "line 1: call.i expects a function name and an argument count"},
        {"call.i f 70000", "line 1: bad argument count '70000': expected 0 to 65535"},
        {"b 8388608", "line 1: branch to 8388608 is out of range"},
        {"popenv -1048576", "line 1: popenv to -1048576 would read as popenv.break"},
        {".word 0x100000000", "line 1: bad operand '0x100000000' for .word: expected a 32-bit value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        GameDataDesc d;
        d.strings = {"kept"};
        std::string error;
        ASSERT_TRUE(Asm_Assemble(d, "first", "push.v self.x\ncall.i f 0\nexit.i", error)) << error;
        EXPECT_FALSE(Asm_Assemble(d, "second", c.text, error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(d.code.size(), 1u);
        EXPECT_EQ(d.strings, std::vector<std::string>{"kept"});
        ASSERT_EQ(d.variables.size(), 1u);
        EXPECT_EQ(d.variables[0].refs.size(), 1u);
        ASSERT_EQ(d.functions.size(), 1u);
        EXPECT_EQ(d.functions[0].refs.size(), 1u);
    }
}
