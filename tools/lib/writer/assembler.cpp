#include "writer/assembler.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

enum class Form : uint8_t {
    TwoTypes,  // no operand
    OneType,   // no operand
    Branch,    // label or word count
    Push,
    Pop,
    Call,
    Break,
};

struct OpInfo {
    std::string_view name;
    WOp op;
    Form form;
};

constexpr OpInfo kOps[] = {
    {"conv", WOp::Conv, Form::TwoTypes},
    {"mul", WOp::Mul, Form::TwoTypes},
    {"div", WOp::Div, Form::TwoTypes},
    {"rem", WOp::Rem, Form::TwoTypes},
    {"mod", WOp::Mod, Form::TwoTypes},
    {"add", WOp::Add, Form::TwoTypes},
    {"sub", WOp::Sub, Form::TwoTypes},
    {"and", WOp::And, Form::TwoTypes},
    {"or", WOp::Or, Form::TwoTypes},
    {"xor", WOp::Xor, Form::TwoTypes},
    {"neg", WOp::Neg, Form::OneType},
    {"not", WOp::Not, Form::OneType},
    {"shl", WOp::Shl, Form::TwoTypes},
    {"shr", WOp::Shr, Form::TwoTypes},
    {"slt", WOp::Slt, Form::TwoTypes},
    {"sle", WOp::Sle, Form::TwoTypes},
    {"seq", WOp::Seq, Form::TwoTypes},
    {"sne", WOp::Sne, Form::TwoTypes},
    {"sge", WOp::Sge, Form::TwoTypes},
    {"sgt", WOp::Sgt, Form::TwoTypes},
    {"pop", WOp::Pop, Form::Pop},
    {"dup", WOp::Dup, Form::OneType},
    {"ret", WOp::Ret, Form::OneType},
    {"exit", WOp::Exit, Form::OneType},
    {"popz", WOp::Popz, Form::OneType},
    {"b", WOp::B, Form::Branch},
    {"bt", WOp::Bt, Form::Branch},
    {"bf", WOp::Bf, Form::Branch},
    {"pushenv", WOp::PushEnv, Form::Branch},
    {"popenv", WOp::PopEnv, Form::Branch},
    {"push", WOp::Push, Form::Push},
    {"call", WOp::Call, Form::Call},
    {"break", WOp::Break, Form::Break},
};

// The type byte of the early exit out of a with block; a popenv target must never
// look like it.
constexpr uint32_t kPopEnvBreakType = 0xF0;

constexpr int32_t kBranchMin = -(1 << 23);
constexpr int32_t kBranchMax = (1 << 23) - 1;
constexpr uint32_t kInstanceIdBase = 100000;
// Far beyond any real unit; keeps every offset comfortably inside 32 bits.
constexpr size_t kMaxUnitBytes = size_t(1) << 30;

struct NamedScope {
    std::string_view name;
    int16_t value;
};
constexpr NamedScope kScopes[] = {{"self", -1},   {"other", -2},   {"all", -3},    {"noone", -4},
                                  {"global", -5}, {"builtin", -6}, {"unspec", -6}, {"local", -7}};

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool IsIdentifier(std::string_view s) {
    if (s.empty() || !IsIdentStart(s.front())) return false;
    return std::all_of(s.begin() + 1, s.end(), IsIdentChar);
}

// Everything before a ';' that is not inside a string literal.
std::string_view StripComment(std::string_view line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\') ++i;
            else if (c == '"') quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            return line.substr(0, i);
        }
    }
    return line;
}

std::vector<std::string_view> SplitWords(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsSpace(s[i])) ++i;
        size_t start = i;
        while (i < s.size() && !IsSpace(s[i])) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Decimal or 0x hexadecimal with an optional sign, within the int64 range.
bool ParseInteger(std::string_view s, int64_t& out) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || !std::isxdigit(static_cast<unsigned char>(s.front()))) return false;
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    constexpr uint64_t kMaxPositive = uint64_t(std::numeric_limits<int64_t>::max());
    if (negative) {
        if (magnitude > kMaxPositive + 1) return false;
        out = magnitude == kMaxPositive + 1 ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
    } else {
        if (magnitude > kMaxPositive) return false;
        out = int64_t(magnitude);
    }
    return true;
}

bool ParseIntegerIn(std::string_view s, int64_t lo, int64_t hi, int64_t& out) {
    return ParseInteger(s, out) && out >= lo && out <= hi;
}

template <typename T>
bool ParseReal(std::string_view s, T& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ParseType(std::string_view suffix, WType& out) {
    if (suffix.size() != 1) return false;
    switch (suffix[0]) {
    case 'd': out = WType::Double; return true;
    case 'f': out = WType::Float; return true;
    case 'i': out = WType::Int; return true;
    case 'l': out = WType::Long; return true;
    case 'b': out = WType::Bool; return true;
    case 'v': out = WType::Variable; return true;
    case 's': out = WType::String; return true;
    case 'e': out = WType::Error; return true;
    default: return false;
    }
}

// Appended piece by piece: g++ 12 at -O3 reports a false overlap in `"'" + std::string(s)`.
std::string Quote(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '\'';
    out += s;
    out += '\'';
    return out;
}

class CAssembler {
public:
    explicit CAssembler(std::vector<std::string> strings) : strings_(std::move(strings)) {}

    bool Run(std::string_view text, std::string& error);

    std::vector<uint8_t> bytes;
    std::vector<std::pair<std::string, uint32_t>> variableRefs;  // name, instruction offset
    std::vector<std::pair<std::string, uint32_t>> functionRefs;
    std::vector<std::string>& Strings() { return strings_; }

private:
    struct Label {
        uint32_t offset;
        int line;
    };
    struct Fixup {
        uint32_t at;  // the branch instruction
        std::string label;
        int line;
        WOp op;
    };

    bool Line(std::string_view text);
    bool Instruction(std::string_view mnemonic, std::string_view operand);
    bool Branch(WOp op, std::string_view mnemonic, std::string_view operand);
    bool Push(WType type, std::string_view mnemonic, std::string_view operand);
    bool Variable(std::string_view operand, std::string_view mnemonic, int16_t& scope, uint32_t& refBits,
                  std::string& name);
    bool StringLiteral(std::string_view operand, std::string& out);
    bool Words(std::string_view operand);
    bool ResolveFixups();
    bool CheckBranch(WOp op, int64_t words, const std::string& target);

    bool Fail(const std::string& message) {
        error_ = "line " + std::to_string(line_) + ": " + message;
        return false;
    }

    uint32_t Here() const { return uint32_t(bytes.size()); }
    void Put32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    }
    void Put64(uint64_t v) {
        Put32(uint32_t(v));
        Put32(uint32_t(v >> 32));
    }
    uint32_t Word(WOp op, uint8_t typeByte, uint16_t imm) {
        const uint32_t at = Here();
        Put32(uint32_t(op) << 24 | uint32_t(typeByte) << 16 | imm);
        return at;
    }
    uint32_t AddString(const std::string& s) {
        auto it = std::find(strings_.begin(), strings_.end(), s);
        if (it != strings_.end()) return uint32_t(it - strings_.begin());
        strings_.push_back(s);
        return uint32_t(strings_.size() - 1);
    }

    std::vector<std::string> strings_;
    std::unordered_map<std::string, Label> labels_;
    std::vector<Fixup> fixups_;
    int line_ = 0;
    std::string error_;
};

bool CAssembler::Run(std::string_view text, std::string& error) {
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        ++line_;
        if (!Line(text.substr(pos, end - pos))) {
            error = error_;
            return false;
        }
        if (bytes.size() > kMaxUnitBytes) {
            Fail("the code unit is too large");
            error = error_;
            return false;
        }
        pos = end + 1;
    }
    if (!ResolveFixups()) {
        error = error_;
        return false;
    }
    return true;
}

bool CAssembler::Line(std::string_view raw) {
    std::string_view s = Trim(StripComment(raw));
    // Leading labels: an identifier directly followed by ':'.
    for (;;) {
        size_t n = 0;
        if (s.empty() || !IsIdentStart(s[0])) break;
        while (n < s.size() && IsIdentChar(s[n])) ++n;
        if (n >= s.size() || s[n] != ':') break;
        std::string name(s.substr(0, n));
        auto [it, added] = labels_.emplace(name, Label{Here(), line_});
        if (!added)
            return Fail("duplicate label " + name + " (already defined on line " + std::to_string(it->second.line) +
                        ")");
        s = Trim(s.substr(n + 1));
    }
    if (s.empty()) return true;
    size_t n = 0;
    while (n < s.size() && !IsSpace(s[n])) ++n;
    return Instruction(s.substr(0, n), Trim(s.substr(n)));
}

bool CAssembler::Instruction(std::string_view mnemonic, std::string_view operand) {
    if (mnemonic == ".word") return Words(operand);

    const size_t dot = mnemonic.find('.');
    const std::string_view base = mnemonic.substr(0, dot);
    const OpInfo* info = nullptr;
    for (const OpInfo& o : kOps)
        if (o.name == base) info = &o;
    if (!info) return Fail("unknown mnemonic " + std::string(mnemonic));

    // The early exit out of a with block: spelled popenv.break, or "popenv break" as
    // the instruction listing prints it.
    if (mnemonic == "popenv.break" || (mnemonic == "popenv" && operand == "break")) {
        if (mnemonic == "popenv.break" && !operand.empty())
            return Fail("unexpected operand " + Quote(operand) + " after popenv.break");
        Word(WOp::PopEnv, uint8_t(kPopEnvBreakType), 0);
        return true;
    }

    std::vector<WType> types;
    if (dot != std::string_view::npos) {
        std::string_view rest = mnemonic.substr(dot + 1);
        for (;;) {
            const size_t next = rest.find('.');
            const std::string_view suffix = rest.substr(0, next);
            WType t{};
            if (!ParseType(suffix, t))
                return Fail("unknown type suffix ." + std::string(suffix) + " in " + std::string(mnemonic));
            types.push_back(t);
            if (next == std::string_view::npos) break;
            rest = rest.substr(next + 1);
        }
    }

    size_t wanted = 0;
    switch (info->form) {
    case Form::TwoTypes:
    case Form::Pop: wanted = 2; break;
    case Form::OneType:
    case Form::Push:
    case Form::Call: wanted = 1; break;
    case Form::Branch: wanted = 0; break;
    case Form::Break: wanted = types.empty() ? 0 : 1; break;
    }
    if (types.size() != wanted)
        return Fail(std::string(mnemonic) + ": " + std::string(base) + " takes " + std::to_string(wanted) +
                    " type suffix" + (wanted == 1 ? "" : "es"));

    const bool takesOperand =
        info->form == Form::Branch || info->form == Form::Push || info->form == Form::Pop || info->form == Form::Call;
    if (takesOperand && operand.empty()) return Fail("missing operand for " + std::string(mnemonic));
    if (!takesOperand && !operand.empty())
        return Fail("unexpected operand " + Quote(operand) + " after " + std::string(mnemonic));

    switch (info->form) {
    case Form::TwoTypes: Word(info->op, uint8_t(uint8_t(types[0]) | uint8_t(types[1]) << 4), 0); return true;
    case Form::OneType: Word(info->op, uint8_t(types[0]), 0); return true;
    case Form::Break: {
        const uint8_t type = uint8_t(types.empty() ? WType::Error : types[0]);
        Word(WOp::Break, type, 0);
        for (uint32_t n = WBytecode_OperandSize(uint8_t(WOp::Break), type); n > 0; n -= 4) Put32(0);
        return true;
    }
    case Form::Branch: return Branch(info->op, mnemonic, operand);
    case Form::Push: return Push(types[0], mnemonic, operand);
    case Form::Pop: {
        if (types[0] != WType::Variable)
            return Fail(std::string(mnemonic) + ": the destination type of pop must be .v (pop.v.<valuetype>)");
        int16_t scope = 0;
        uint32_t refBits = 0;
        std::string name;
        if (!Variable(operand, mnemonic, scope, refBits, name)) return false;
        const uint32_t at = Word(WOp::Pop, uint8_t(uint8_t(types[0]) | uint8_t(types[1]) << 4), uint16_t(scope));
        Put32(refBits);
        variableRefs.emplace_back(std::move(name), at);
        return true;
    }
    case Form::Call: {
        if (types[0] != WType::Int) return Fail(std::string(mnemonic) + ": call takes the type .i");
        const auto words = SplitWords(operand);
        int64_t argc = 0;
        if (words.size() != 2) return Fail("call.i expects a function name and an argument count");
        if (!IsIdentifier(words[0])) return Fail("bad function name " + Quote(words[0]));
        if (!ParseIntegerIn(words[1], 0, 0xFFFF, argc))
            return Fail("bad argument count " + Quote(words[1]) + ": expected 0 to 65535");
        const uint32_t at = Word(WOp::Call, uint8_t(WType::Int), uint16_t(argc));
        Put32(0);  // the function chain goes here
        functionRefs.emplace_back(std::string(words[0]), at);
        return true;
    }
    }
    return Fail("unhandled mnemonic " + std::string(mnemonic));
}

bool CAssembler::CheckBranch(WOp op, int64_t words, const std::string& target) {
    if (words < kBranchMin || words > kBranchMax) return Fail("branch to " + target + " is out of range");
    if (op == WOp::PopEnv && ((uint32_t(words) >> 16) & 0xFF) == kPopEnvBreakType)
        return Fail("popenv to " + target + " would read as popenv.break");
    return true;
}

bool CAssembler::Branch(WOp op, std::string_view mnemonic, std::string_view operand) {
    if (SplitWords(operand).size() != 1)
        return Fail(std::string(mnemonic) + " expects one label or word count, got " + Quote(operand));
    if (IsIdentifier(operand)) {
        fixups_.push_back(Fixup{Here(), std::string(operand), line_, op});
        Put32(uint32_t(op) << 24);
        return true;
    }
    int64_t words = 0;
    if (!ParseInteger(operand, words)) return Fail("bad branch target " + Quote(operand));
    if (!CheckBranch(op, words, std::string(operand))) return false;
    Put32(uint32_t(op) << 24 | (uint32_t(words) & 0x00FFFFFFu));
    return true;
}

bool CAssembler::ResolveFixups() {
    for (const Fixup& f : fixups_) {
        line_ = f.line;
        auto it = labels_.find(f.label);
        if (it == labels_.end()) return Fail("unknown label " + f.label);
        const int64_t words = (int64_t(it->second.offset) - int64_t(f.at)) / 4;
        if (!CheckBranch(f.op, words, f.label)) return false;
        const uint32_t word = uint32_t(f.op) << 24 | (uint32_t(words) & 0x00FFFFFFu);
        for (int i = 0; i < 4; ++i) bytes[f.at + i] = uint8_t(word >> (8 * i));
    }
    return true;
}

bool CAssembler::Push(WType type, std::string_view mnemonic, std::string_view operand) {
    const std::string m(mnemonic);
    auto bad = [&](const char* expected) {
        return Fail("bad operand " + Quote(operand) + " for " + m + ": expected " + expected);
    };
    switch (type) {
    case WType::Double: {
        double v = 0;
        if (!ParseReal(operand, v)) return bad("a number");
        Word(WOp::Push, uint8_t(type), 0);
        Put64(std::bit_cast<uint64_t>(v));
        return true;
    }
    case WType::Float: {
        float v = 0;
        if (!ParseReal(operand, v)) return bad("a number");
        Word(WOp::Push, uint8_t(type), 0);
        Put32(std::bit_cast<uint32_t>(v));
        return true;
    }
    case WType::Int: {
        int64_t v = 0;
        if (!ParseIntegerIn(operand, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), v))
            return bad("a 32-bit integer");
        Word(WOp::Push, uint8_t(type), 0);
        Put32(uint32_t(int32_t(v)));
        return true;
    }
    case WType::Long: {
        int64_t v = 0;
        if (!ParseInteger(operand, v)) return bad("a 64-bit integer");
        Word(WOp::Push, uint8_t(type), 0);
        Put64(uint64_t(v));
        return true;
    }
    case WType::Bool: {
        if (operand != "true" && operand != "false") return bad("true or false");
        Word(WOp::Push, uint8_t(type), 0);
        Put32(operand == "true" ? 1 : 0);
        return true;
    }
    case WType::String: {
        std::string s;
        if (!StringLiteral(operand, s)) return false;
        const uint32_t index = AddString(s);
        Word(WOp::Push, uint8_t(type), 0);
        Put32(index);
        return true;
    }
    case WType::Error: {
        int64_t v = 0;
        if (!ParseIntegerIn(operand, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), v))
            return bad("a 16-bit integer");
        Word(WOp::Push, uint8_t(type), uint16_t(int16_t(v)));
        return true;
    }
    case WType::Variable: {
        int16_t scope = 0;
        uint32_t refBits = 0;
        std::string name;
        if (!Variable(operand, mnemonic, scope, refBits, name)) return false;
        const uint32_t at = Word(WOp::Push, uint8_t(type), uint16_t(scope));
        Put32(refBits);
        variableRefs.emplace_back(std::move(name), at);
        return true;
    }
    }
    return Fail("unhandled type in " + m);
}

bool CAssembler::Variable(std::string_view operand, std::string_view mnemonic, int16_t& scope, uint32_t& refBits,
                          std::string& name) {
    if (SplitWords(operand).size() != 1)
        return Fail(std::string(mnemonic) + " expects one variable (SCOPE.NAME), got " + Quote(operand));
    const size_t dot = operand.find('.');
    if (dot == std::string_view::npos) return Fail("bad variable " + Quote(operand) + ": expected SCOPE.NAME");
    const std::string_view scopeText = operand.substr(0, dot);
    std::string_view nameText = operand.substr(dot + 1);

    refBits = kVarRefNoIndex | kVarRefImmediateScope;
    if (nameText.size() >= 2 && nameText.substr(nameText.size() - 2) == "[]") {
        refBits &= ~kVarRefNoIndex;
        nameText.remove_suffix(2);
    }
    if (!IsIdentifier(nameText)) return Fail("bad variable name " + Quote(nameText) + " in " + Quote(operand));
    name = std::string(nameText);

    scope = 0;
    if (scopeText == "stack") {
        refBits &= ~kVarRefImmediateScope;
        return true;
    }
    for (const NamedScope& s : kScopes) {
        if (s.name == scopeText) {
            scope = s.value;
            return true;
        }
    }
    int64_t v = 0;
    if (!ParseInteger(scopeText, v)) return Fail("unknown scope " + std::string(scopeText));
    if (v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max()) {
        scope = int16_t(v);
        return true;
    }
    if (v >= int64_t(kInstanceIdBase) && v <= int64_t(kInstanceIdBase) + std::numeric_limits<int16_t>::max()) {
        scope = int16_t(v - kInstanceIdBase);
        refBits |= kVarRefInstanceBias;
        return true;
    }
    return Fail("scope " + std::string(scopeText) + " does not fit the 16-bit operand");
}

bool CAssembler::StringLiteral(std::string_view operand, std::string& out) {
    if (operand.empty() || operand.front() != '"') return Fail("push.s expects a string in double quotes");
    size_t i = 1;
    for (;;) {
        if (i >= operand.size()) return Fail("unterminated string");
        char c = operand[i++];
        if (c == '"') break;
        if (c == '\\') {
            if (i >= operand.size()) return Fail("unterminated string");
            const char e = operand[i++];
            switch (e) {
            case '"': c = '"'; break;
            case '\\': c = '\\'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 't': c = '\t'; break;
            default: return Fail(std::string("unknown escape \\") + e + " in string");
            }
        }
        out.push_back(c);
    }
    if (!Trim(operand.substr(i)).empty())
        return Fail("unexpected text after the string: " + Quote(Trim(operand.substr(i))));
    return true;
}

bool CAssembler::Words(std::string_view operand) {
    const auto words = SplitWords(operand);
    if (words.empty()) return Fail("missing operand for .word");
    std::vector<uint32_t> values;
    for (std::string_view w : words) {
        int64_t v = 0;
        if (!ParseIntegerIn(w, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max(), v))
            return Fail("bad operand " + Quote(w) + " for .word: expected a 32-bit value");
        values.push_back(uint32_t(v));
    }
    for (uint32_t v : values) Put32(v);
    return true;
}

template <typename Record>
void AddReferences(std::vector<Record>& records, const std::vector<std::pair<std::string, uint32_t>>& refs,
                   uint32_t code) {
    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < records.size(); ++i) index.emplace(records[i].name, i);
    for (const auto& [name, offset] : refs) {
        auto [it, added] = index.emplace(name, records.size());
        if (added) records.push_back(Record{name, {}});
        records[it->second].refs.push_back(WCodeLocation{code, offset});
    }
}

}  // namespace

bool Asm_Assemble(GameDataDesc& desc, const std::string& entryName, const std::string& text, std::string& error) {
    if (desc.code.size() >= std::numeric_limits<uint32_t>::max()) {
        error = "the code table is full";
        return false;
    }
    // Work on a copy of the string list so that a failure leaves the description as it was.
    CAssembler a(desc.strings);
    if (!a.Run(text, error)) return false;

    const uint32_t code = uint32_t(desc.code.size());
    desc.code.push_back(WCodeEntry{entryName, std::move(a.bytes)});
    desc.strings = std::move(a.Strings());
    AddReferences(desc.variables, a.variableRefs, code);
    AddReferences(desc.functions, a.functionRefs, code);
    error.clear();
    return true;
}
