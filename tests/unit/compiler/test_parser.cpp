// The lexer and the parser: what texts mean (as a tree dump) and what they are
// refused with (the exact report text and position).
#include "compiler/lexer.h"
#include "compiler/node.h"
#include "compiler/parser.h"
#include "compiler_fixture.h"

namespace {

const char* OperatorName(int kind) {
    switch (kind) {
    case kTokAnd: return "&&";
    case kTokOr: return "||";
    case kTokXor: return "^^";
    case kTokNot: return "!";
    case kTokLess: return "<";
    case kTokLessEqual: return "<=";
    case kTokEqual: return "==";
    case kTokNotEqual: return "!=";
    case kTokGreaterEqual: return ">=";
    case kTokGreater: return ">";
    case kTokPlus: return "+";
    case kTokMinus: return "-";
    case kTokTimes: return "*";
    case kTokSlash: return "/";
    case kTokDiv: return "div";
    case kTokMod: return "mod";
    case kTokBitOr: return "|";
    case kTokBitAnd: return "&";
    case kTokBitXor: return "^";
    case kTokBitNot: return "~";
    case kTokShiftLeft: return "<<";
    case kTokShiftRight: return ">>";
    case kTokAssign: return "=";
    case kTokAddAssign: return "+=";
    case kTokSubAssign: return "-=";
    case kTokMulAssign: return "*=";
    case kTokDivAssign: return "/=";
    case kTokOrAssign: return "|=";
    case kTokAndAssign: return "&=";
    case kTokXorAssign: return "^=";
    case kTokIf: return "if";
    case kTokWhile: return "while";
    case kTokDo: return "do";
    case kTokFor: return "for";
    case kTokRepeat: return "repeat";
    case kTokWith: return "with";
    case kTokSwitch: return "switch";
    case kTokCase: return "case";
    case kTokDefault: return "default";
    case kTokExit: return "exit";
    case kTokBreak: return "break";
    case kTokContinue: return "continue";
    case kTokReturn: return "return";
    case kTokVar: return "var";
    case kTokGlobalVar: return "globalvar";
    default: return "?";
    }
}

std::string Dump(const CNode& n);

std::string Children(const CNode& n, size_t from = 0) {
    std::string out;
    for (size_t i = from; i < n.children.size(); ++i) out += " " + Dump(*n.children[i]);
    return out;
}

std::string Dump(const CNode& n) {
    switch (n.kind) {
    case kTokConstant: {
        if (n.value.IsString()) return "\"" + std::string(n.value.Text()) + "\"";
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", n.value.val);
        return buf;
    }
    case kTokVariable: {
        std::string name = Variable_Name(n.id);
        if (n.access == kAccessLocal) name = "local." + name;
        if (!n.children.empty()) {
            name += "[" + Dump(*n.children[0]);
            if (n.children.size() > 1) name += "," + Dump(*n.children[1]);
            name += "]";
        }
        if (n.access == kAccessQualified) return "(. " + Dump(*n.scope) + " " + name + ")";
        return name;
    }
    case kTokFunction: {
        const FunctionEntry* e = n.id < kScriptIdBase ? Function_Entry(n.id) : nullptr;
        return std::string("(") + (e ? e->name : "script") + Children(n) + ")";
    }
    case kNodeBlock: {
        std::string out = Children(n);
        return "{" + (out.empty() ? out : out.substr(1)) + "}";
    }
    case kTokAssign: return std::string("(") + OperatorName(n.op) + Children(n) + ")";
    case kTokVar:
    case kTokGlobalVar: {
        std::string out = std::string("(") + OperatorName(n.kind);
        for (const auto& c : n.children) out += std::string(" ") + Variable_Name(c->id);
        return out + ")";
    }
    default:
        if (n.kind == kTokMinus && n.children.size() == 1) return "(neg" + Children(n) + ")";
        return std::string("(") + OperatorName(n.kind) + Children(n) + ")";
    }
}

class ParserTest : public CompilerTest {
protected:
    std::string Tree(const std::string& text, int kind = CCode::kProgram) {
        CCode code;
        std::string error;
        if (!Code_Compile(text, "t", kind, code, error)) return "error: " + error;
        if (code.kind == CCode::kConstant)
            return "constant " +
                   std::string(code.constant.IsString() ? code.constant.Text() : std::to_string(code.constant.val));
        return Dump(*code.tree);
    }
};

TEST_F(ParserTest, LexerNumbersStringsAndOperators) {
    struct Case {
        const char* text;
        std::vector<std::pair<int, std::string>> tokens;  // kind and text (a number by its value)
    } cases[] = {
        {".5", {{kTokNumber, "0.5"}}},
        {"$FF $1a $", {{kTokNumber, "255"}, {kTokNumber, "26"}, {kTokNumber, "0"}}},
        {"1.2.3", {{kTokNumber, "1.2"}, {kTokNumber, "0.3"}}},
        {"12.", {{kTokNumber, "12"}}},
        {"'say \"hi\"' \"it's\"", {{kTokString, "say \"hi\""}, {kTokString, "it's"}}},
        {"\"no end", {{kTokString, "no end"}}},
        {"a<>b x:=1",
         {{kTokIdentifier, "a"},
          {kTokNotEqual, "<>"},
          {kTokIdentifier, "b"},
          {kTokIdentifier, "x"},
          {kTokAssign, ":="},
          {kTokNumber, "1"}}},
        {"a|=b||c|d",
         {{kTokIdentifier, "a"},
          {kTokOrAssign, "|="},
          {kTokIdentifier, "b"},
          {kTokOr, "||"},
          {kTokIdentifier, "c"},
          {kTokBitOr, "|"},
          {kTokIdentifier, "d"}}},
        {"begin End end and_x mod",
         {{kTokBegin, "begin"},
          {kTokIdentifier, "End"},
          {kTokClose, "end"},
          {kTokIdentifier, "and_x"},
          {kTokMod, "mod"}}},
        {"x // c\n/* a\n b */ y /* open", {{kTokIdentifier, "x"}, {kTokIdentifier, "y"}}},
    };
    for (const Case& c : cases) {
        std::vector<CToken> tokens;
        std::string message;
        int position = 0;
        ASSERT_TRUE(Lex_Text(c.text, tokens, message, position)) << c.text;
        ASSERT_EQ(tokens.size(), c.tokens.size() + 1) << c.text;
        EXPECT_EQ(tokens.back().kind, kTokEnd);
        for (size_t i = 0; i < c.tokens.size(); ++i) {
            EXPECT_EQ(tokens[i].kind, c.tokens[i].first) << c.text << " token " << i;
            std::string text = tokens[i].text;
            if (tokens[i].kind == kTokNumber) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%g", tokens[i].value.val);
                text = buf;
            }
            EXPECT_EQ(text, c.tokens[i].second) << c.text << " token " << i;
        }
    }
    std::vector<CToken> tokens;
    std::string message;
    int position = 0;
    EXPECT_FALSE(Lex_Text("x = 1 @", tokens, message, position));
    EXPECT_EQ(message, "Unexpected symbol.");
    EXPECT_EQ(position, 6);
}

TEST_F(ParserTest, TextsAndTheirTrees) {
    struct Case {
        const char* text;
        const char* tree;
    } cases[] = {
        // "=" inside an expression compares.
        {"a = b = 3", "{(= a (== b 3))}"},
        {"x := 1", "{(= x 1)}"},
        {"if x then y = 1 else y = 2", "{(if x (= y 1) (= y 2))}"},
        {"if (x) {y = 1}", "{(if x {(= y 1)})}"},
        {"if x y = 1; else y = 2", "{(if x (= y 1) (= y 2))}"},
        {"if x; y = 1", "{(if x {}) (= y 1)}"},
        {"x = .5 y = $FF;;; z = 1.25", "{(= x 0.5) (= y 255) (= z 1.25)}"},
        {"s = \"a\" + 'b'", "{(= s (+ \"a\" \"b\"))}"},
        {"var p, q; p = q", "{(var p q) (= local.p local.q)}"},
        {"t = 1; var t; t = 2", "{(= t 1) (var t) (= local.t 2)}"},
        // Precedence, lowest first; every level left-associative.
        {"a = 1 + 2 * 3 - 4 / 2", "{(= a (- (+ 1 (* 2 3)) (/ 4 2)))}"},
        {"a = 8 - 4 - 2", "{(= a (- (- 8 4) 2))}"},
        {"a = 1 < 2 && 3 | 4 == 5", "{(= a (&& (< 1 2) (== (| 3 4) 5)))}"},
        {"a = 1 << 2 + 3 & 4", "{(= a (& (<< 1 (+ 2 3)) 4))}"},
        {"a = b and c or not d xor e", "{(= a (^^ (|| (&& b c) (! d)) e))}"},
        {"a = 7 div 2 mod 3 % 4", "{(= a (mod (mod (div 7 2) 3) 4))}"},
        {"a = b <> c; a = b != c", "{(= a (!= b c)) (= a (!= b c))}"},
        {"a = -b.c * 2 + -5 + +d", "{(= a (+ (+ (* (neg (. b c)) 2) -5) d))}"},
        {"a = !b && ~c", "{(= a (&& (! b) (~ c)))}"},
        // Dots, arrays, scopes folded from constants.
        {"a.b[1, 2].c = 3", "{(= (. (. a b[1,2]) c) 3)}"},
        {"global.x = other.y + self.z", "{(= (. -5 x) (+ (. -2 y) (. -1 z)))}"},
        {"(a + 1).x = 2", "{(= (. (+ a 1) x) 2)}"},
        {"x |= 1 x &= 2 x ^= 3 x *= 4 x /= 5 x += 6 x -= 7",
         "{(|= x 1) (&= x 2) (^= x 3) (*= x 4) (/= x 5) (+= x 6) (-= x 7)}"},
        // Statements.
        {"begin x = 1 end", "{(= x 1)}"},
        {"{ x = 1; }", "{(= x 1)}"},
        {"while x > 0 do x -= 1", "{(while (> x 0) (-= x 1))}"},
        {"do x += 1; until x > 3", "{(do (+= x 1) (> x 3))}"},
        {"for (i = 0; i < 3; i += 1) j = i", "{(for (= i 0) (< i 3) (+= i 1) (= j i))}"},
        {"for (i = 0 i < 3 i += 1) {}", "{(for (= i 0) (< i 3) (+= i 1) {})}"},
        {"repeat 3 x += 1", "{(repeat 3 (+= x 1))}"},
        {"with (other) do x = 1", "{(with -2 (= x 1))}"},
        {"switch x { case 1: case 2: y = 1; break; default: y = 2 }",
         "{(switch x (case 1) (case 2) (= y 1) (break) (default) (= y 2))}"},
        {"return x + 1", "{(return (+ x 1))}"},
        {"exit; break; continue", "{(exit) (break) (continue)}"},
        {"show_debug_message(max(1, c_red, true))", "{(show_debug_message (max 1 255 1))}"},
        {"globalvar g1, g2", "{(globalvar g1 g2)}"},
        {"", "{}"},
    };
    for (const Case& c : cases) EXPECT_EQ(Tree(c.text), c.tree) << c.text;
}

TEST_F(ParserTest, ExpressionUnitsAndConstants) {
    EXPECT_EQ(Tree("1 + x", CCode::kExpression), "(+ 1 x)");
    EXPECT_EQ(Tree("-2.5", CCode::kExpression), "constant -2.500000");
    EXPECT_EQ(Tree("\"txt\";", CCode::kExpression), "constant txt");
    EXPECT_EQ(Tree("c_red", CCode::kExpression), "constant 255.000000");
}

TEST_F(ParserTest, ErrorsWithTheirPositions) {
    struct Case {
        const char* text;
        int line;
        int column;
        const char* message;
    } cases[] = {
        {"{ x = 1 } y = 2", 1, 11, "Program ends before end of the code."},
        {"x = 1 #", 1, 7, "Unexpected symbol."},
        {"var speed", 1, 5, "Cannot redeclare a builtin variable."},
        {"var t, c_red", 1, 8, "Variable name expected."},
        {"var x", 1, 5, "Cannot redeclare a builtin variable."},
        {"x = nothing_here(1)", 1, 5, "Unknown function or script: nothing_here"},
        {"x = ", 1, 5, "Unexpected symbol in expression."},
        {"x = 1 + * 2", 1, 9, "Unexpected symbol in expression."},
        {"if x", 1, 5, "Unexpected end of code reached."},
        {"{ x = 1", 1, 8, "Symbol  } expected."},
        {"do x = 1 y = 2", 1, 10, "Keyword until expected."},
        {"for i = 0", 1, 5, "Symbol ( expected."},
        {"for (i = 0; i < 2; i += 1 x = 1", 1, 27, "Symbol ) expected."},
        {"switch x y = 1", 1, 10, "Symbol {  expected."},
        {"switch x { case 1 y = 2 }", 1, 19, "Symbol : expected."},
        {"switch x { case 1: y = 2", 1, 25, "Symbol  } expected."},
        {"x = a[1", 1, 8, "Symbol , or ] expected."},
        {"x = a[1, 2, 3]", 1, 11, "Only 1- and 2-dimensional arrays are supported."},
        {"x = a[1, 2", 1, 11, "Symbol ] expected."},
        {"x = abs(1, 2)", 1, 5, "Wrong number of arguments to function or script."},
        {"x = max(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)", 1, 5,
         "Wrong number of arguments to function or script."},
        {"x = abs(1 2)", 1, 11, "Symbol , or ) expected."},
        {"x = (1 + 2", 1, 11, "Symbol ) expected."},
        {"3 = x", 1, 1, "Variable name expected."},
        {"x 3", 1, 3, "Assignment operator expected."},
        {"x = a.c_red", 1, 7, "Variable name expected."},
        {"a = 1.2.3", 1, 8, "Variable name expected."},
        {"return", 1, 7, "Unexpected symbol in expression."},
        {"a = 1\r\n  b = )", 2, 7, "Unexpected symbol in expression."},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        size_t start = 0;
        for (int l = 1; l < c.line; ++l) start = text.find('\n', start) + 1;
        size_t end = text.find_first_of("\r\n", start);
        const std::string lineText = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string expected = "Error in code at line " + std::to_string(c.line) + ":\n   " + lineText +
                                     "\n\nat position " + std::to_string(c.column) + ": " + c.message;
        EXPECT_EQ(CompileError(text), expected) << text;
        EXPECT_EQ(Code_LastCompileError(), expected);
    }
    EXPECT_EQ(CompileError("1 +", CCode::kExpression),
              "Error in expression: 1 +\n position 4: Unexpected symbol in expression.");
    EXPECT_EQ(CompileError("1 2", CCode::kExpression),
              "Error in expression: 1 2\n position 3: Unexpected symbol in expression.");
}

// Nesting is bounded, so no text can run the host stack out in the parser, the
// generator or the tree interpreter.
TEST_F(ParserTest, DeepNestingIsRefused) {
    const std::string deep[] = {
        "x = " + std::string(5000, '(') + "1" + std::string(5000, ')'),
        "x = " + std::string(5000, '-') + "y",
        std::string(3000, '{'),
        [] {
            std::string s;
            for (int i = 0; i < 3000; ++i) s += "if 1 ";
            return s + "a = 1";
        }(),
    };
    for (const std::string& text : deep)
        EXPECT_NE(CompileError(text).find("Code nested too deeply."), std::string::npos) << text.substr(0, 20);
    // Ordinary depths are fine.
    EXPECT_EQ(CompileError("x = " + std::string(100, '(') + "1" + std::string(100, ')')), "");
}

TEST_F(ParserTest, UnitNamesAndRecompiling) {
    CCode code;
    std::string error;
    ASSERT_TRUE(Code_Compile("x = 1", "Object.obj a.step\t0", CCode::kProgram, code, error));
    EXPECT_EQ(code.name, "Object.obj_a.step_0");
    EXPECT_TRUE(code.compiled);
    EXPECT_FALSE(Code_Compile("x = 2", "again", CCode::kProgram, code, error));
    EXPECT_EQ(error, "Internal Error: Recompiling compiled code.");
    EXPECT_EQ(code.source, "x = 1");  // the first compilation stands

    CCode bad;
    EXPECT_FALSE(Code_Compile("x = ", "bad", CCode::kProgram, bad, error));
    EXPECT_FALSE(bad.compiled);
}

}  // namespace
