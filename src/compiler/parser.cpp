// The parser: recursive descent over the classified tokens, one function per
// statement form and per expression level. The first error ends the parse.
#include "compiler/parser.h"

#include <unordered_set>

#include "compiler/constants.h"
#include "data/game.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"

namespace {

constexpr int kMaxArguments = 16;
// Statements and expressions nest at most this deep: the parser, the generator and
// the tree interpreter all recurse along the nesting, and text must never be able to
// run the host stack out.
constexpr int kMaxNesting = 400;

int FindFunction(const std::string& name) {
    if (const CGameResources* res = &*Game().resources) return VM_FindFunction(*res, name.c_str());
    return Function_FindBuiltin(name.c_str());
}

int ArgumentCountOf(int id) {
    if (const CGameResources* res = &*Game().resources) return VM_FunctionArgCount(*res, id);
    if (id >= kScriptIdBase) return kFunctionAnyCount;
    return Function_BuiltinArgCount(id);
}

bool IsAssignment(int kind) {
    return (kind >= kTokAssign && kind <= kTokDivAssign) || (kind >= kTokOrAssign && kind <= kTokXorAssign);
}

class CParser {
public:
    explicit CParser(const std::vector<CToken>& tokens) : tokens_(tokens) {}

    std::unique_ptr<CNode> Program();
    std::unique_ptr<CNode> ExpressionUnit();

    std::string message;
    int position = 0;

private:
    const CToken& Peek(size_t ahead = 0) const {
        size_t i = at_ + ahead;
        return i < tokens_.size() ? tokens_[i] : tokens_.back();
    }
    int Kind() const { return Peek().kind; }
    const CToken& Next() {
        const CToken& t = Peek();
        if (at_ + 1 < tokens_.size()) ++at_;
        return t;
    }
    std::nullptr_t Fail(const char* text, int at) {
        if (!failed_) {
            failed_ = true;
            message = text;
            position = at;
        }
        return nullptr;
    }
    std::nullptr_t Fail(const char* text) { return Fail(text, Peek().position); }
    // Counts one level of nesting for the life of a parse function.
    struct Nest {
        explicit Nest(CParser& p) : parser(p) { ++parser.depth_; }
        ~Nest() { --parser.depth_; }
        bool TooDeep() const { return parser.depth_ > kMaxNesting; }
        CParser& parser;
    };
    void SkipSemicolons() {
        while (Kind() == kTokSemicolon) Next();
    }

    std::unique_ptr<CNode> Statement();
    std::unique_ptr<CNode> Block();
    std::unique_ptr<CNode> If();
    std::unique_ptr<CNode> While();
    std::unique_ptr<CNode> Do();
    std::unique_ptr<CNode> For();
    std::unique_ptr<CNode> KeywordExpressionBody(int kind, int optionalKeyword);
    std::unique_ptr<CNode> Switch();
    std::unique_ptr<CNode> Declaration();
    std::unique_ptr<CNode> Assignment();

    std::unique_ptr<CNode> Expression();  // level 1
    std::unique_ptr<CNode> Binary(int level);
    std::unique_ptr<CNode> Postfix();  // level 7
    std::unique_ptr<CNode> Primary();  // level 8
    std::unique_ptr<CNode> Call();
    std::unique_ptr<CNode> Variable(std::unique_ptr<CNode> scope);

    const std::vector<CToken>& tokens_;
    size_t at_ = 0;
    bool failed_ = false;
    int depth_ = 0;
    std::unordered_set<int> locals_;  // ids declared with var so far
};

// --- statements ------------------------------------------------------------------------

std::unique_ptr<CNode> CParser::Program() {
    auto program = std::make_unique<CNode>(kNodeBlock, Peek().position);
    if (Kind() == kTokBegin) {
        // A braced program must be the whole text.
        auto block = Block();
        if (!block) return nullptr;
        SkipSemicolons();
        if (Kind() != kTokEnd) return Fail("Program ends before end of the code.");
        return block;
    }
    for (;;) {
        SkipSemicolons();
        if (Kind() == kTokEnd) return program;
        auto s = Statement();
        if (!s) return nullptr;
        program->Add(std::move(s));
    }
}

std::unique_ptr<CNode> CParser::ExpressionUnit() {
    auto e = Expression();
    if (!e) return nullptr;
    SkipSemicolons();
    if (Kind() != kTokEnd) return Fail("Unexpected symbol in expression.");
    return e;
}

std::unique_ptr<CNode> CParser::Statement() {
    const Nest nest(*this);
    if (nest.TooDeep()) return Fail("Code nested too deeply.");
    const CToken& t = Peek();
    switch (t.kind) {
    case kTokEnd: return Fail("Unexpected end of code reached.");
    case kTokSemicolon: {
        // A lone ";" where a statement must be is an empty statement.
        Next();
        return std::make_unique<CNode>(kNodeBlock, t.position);
    }
    case kTokBegin: return Block();
    case kTokIf: return If();
    case kTokWhile: return While();
    case kTokDo: return Do();
    case kTokFor: return For();
    case kTokRepeat: return KeywordExpressionBody(kTokRepeat, 0);
    case kTokWith: return KeywordExpressionBody(kTokWith, kTokDo);
    case kTokSwitch: return Switch();
    case kTokExit:
    case kTokBreak:
    case kTokContinue: Next(); return std::make_unique<CNode>(t.kind, t.position);
    case kTokReturn: {
        Next();
        auto node = std::make_unique<CNode>(kTokReturn, t.position);
        auto value = Expression();
        if (!value) return nullptr;
        node->Add(std::move(value));
        return node;
    }
    case kTokVar:
    case kTokGlobalVar: return Declaration();
    case kTokFunction: return Call();
    default: return Assignment();
    }
}

std::unique_ptr<CNode> CParser::Block() {
    auto block = std::make_unique<CNode>(kNodeBlock, Next().position);
    for (;;) {
        SkipSemicolons();
        if (Kind() == kTokClose) {
            Next();
            return block;
        }
        if (Kind() == kTokEnd) return Fail("Symbol  } expected.");
        auto s = Statement();
        if (!s) return nullptr;
        block->Add(std::move(s));
    }
}

std::unique_ptr<CNode> CParser::If() {
    auto node = std::make_unique<CNode>(kTokIf, Next().position);
    auto condition = Expression();
    if (!condition) return nullptr;
    node->Add(std::move(condition));
    if (Kind() == kTokThen) Next();
    auto then = Statement();
    if (!then) return nullptr;
    node->Add(std::move(then));
    // Semicolons may stand between the statement and its else.
    size_t ahead = 0;
    while (Peek(ahead).kind == kTokSemicolon) ++ahead;
    if (Peek(ahead).kind == kTokElse) {
        while (ahead-- > 0) Next();
        Next();
        auto otherwise = Statement();
        if (!otherwise) return nullptr;
        node->Add(std::move(otherwise));
    }
    return node;
}

std::unique_ptr<CNode> CParser::While() {
    auto node = std::make_unique<CNode>(kTokWhile, Next().position);
    auto condition = Expression();
    if (!condition) return nullptr;
    node->Add(std::move(condition));
    if (Kind() == kTokDo) Next();
    auto body = Statement();
    if (!body) return nullptr;
    node->Add(std::move(body));
    return node;
}

std::unique_ptr<CNode> CParser::Do() {
    auto node = std::make_unique<CNode>(kTokDo, Next().position);
    auto body = Statement();
    if (!body) return nullptr;
    node->Add(std::move(body));
    SkipSemicolons();
    if (Kind() != kTokUntil) return Fail("Keyword until expected.");
    Next();
    auto condition = Expression();
    if (!condition) return nullptr;
    node->Add(std::move(condition));
    return node;
}

std::unique_ptr<CNode> CParser::For() {
    auto node = std::make_unique<CNode>(kTokFor, Next().position);
    if (Kind() != kTokOpen) return Fail("Symbol ( expected.");
    Next();
    auto init = Statement();
    if (!init) return nullptr;
    if (Kind() == kTokSemicolon) Next();
    auto condition = Expression();
    if (!condition) return nullptr;
    if (Kind() == kTokSemicolon) Next();
    auto step = Statement();
    if (!step) return nullptr;
    if (Kind() != kTokCloseParen) return Fail("Symbol ) expected.");
    Next();
    auto body = Statement();
    if (!body) return nullptr;
    node->Add(std::move(init));
    node->Add(std::move(condition));
    node->Add(std::move(step));
    node->Add(std::move(body));
    return node;
}

// repeat expression statement; with expression [do] statement.
std::unique_ptr<CNode> CParser::KeywordExpressionBody(int kind, int optionalKeyword) {
    auto node = std::make_unique<CNode>(kind, Next().position);
    auto value = Expression();
    if (!value) return nullptr;
    node->Add(std::move(value));
    if (optionalKeyword && Kind() == optionalKeyword) Next();
    auto body = Statement();
    if (!body) return nullptr;
    node->Add(std::move(body));
    return node;
}

std::unique_ptr<CNode> CParser::Switch() {
    auto node = std::make_unique<CNode>(kTokSwitch, Next().position);
    auto value = Expression();
    if (!value) return nullptr;
    node->Add(std::move(value));
    if (Kind() != kTokBegin) return Fail("Symbol {  expected.");
    Next();
    for (;;) {
        SkipSemicolons();
        const CToken& t = Peek();
        if (t.kind == kTokClose) {
            Next();
            return node;
        }
        if (t.kind == kTokEnd) return Fail("Symbol  } expected.");
        if (t.kind == kTokCase || t.kind == kTokDefault) {
            Next();
            auto label = std::make_unique<CNode>(t.kind, t.position);
            if (t.kind == kTokCase) {
                auto match = Expression();
                if (!match) return nullptr;
                label->Add(std::move(match));
            }
            if (Kind() != kTokColon) return Fail("Symbol : expected.");
            Next();
            node->Add(std::move(label));
            continue;
        }
        auto s = Statement();
        if (!s) return nullptr;
        node->Add(std::move(s));
    }
}

// var and globalvar take effect here, while the text is compiled: var makes the later
// uses of a name in this unit local, globalvar marks the name global for all code.
std::unique_ptr<CNode> CParser::Declaration() {
    const CToken& keyword = Next();
    auto node = std::make_unique<CNode>(keyword.kind, keyword.position);
    for (;;) {
        const CToken& t = Peek();
        if (t.kind != kTokVariable) return Fail("Variable name expected.");
        if (t.id < kUserVariableBase) return Fail("Cannot redeclare a builtin variable.");
        Next();
        if (keyword.kind == kTokVar) {
            locals_.insert(t.id);
        } else {
            locals_.erase(t.id);
            Variable_DeclareGlobal(t.id);
        }
        auto name = std::make_unique<CNode>(kTokVariable, t.position);
        name->id = t.id;
        node->Add(std::move(name));
        if (Kind() != kTokComma) return node;
        Next();
    }
}

std::unique_ptr<CNode> CParser::Assignment() {
    const CToken& start = Peek();  // the tokens outlive the parse
    if (start.kind != kTokVariable && start.kind != kTokConstant && start.kind != kTokOpen)
        return Fail("Variable name expected.");
    auto target = Postfix();
    if (!target) return nullptr;
    if (target->kind != kTokVariable) return Fail("Variable name expected.", start.position);
    const CToken& op = Peek();
    if (!IsAssignment(op.kind)) return Fail("Assignment operator expected.");
    Next();
    auto value = Expression();
    if (!value) return nullptr;
    auto node = std::make_unique<CNode>(kTokAssign, start.position);
    node->op = op.kind;
    node->Add(std::move(target));
    node->Add(std::move(value));
    return node;
}

// --- expressions -----------------------------------------------------------------------

std::unique_ptr<CNode> CParser::Expression() {
    const Nest nest(*this);
    if (nest.TooDeep()) return Fail("Code nested too deeply.");
    return Binary(1);
}

bool AtLevel(int level, int kind) {
    switch (level) {
    case 1: return kind == kTokAnd || kind == kTokOr || kind == kTokXor;
    case 2: return (kind >= kTokLess && kind <= kTokGreater) || kind == kTokAssign;
    case 3: return kind == kTokBitOr || kind == kTokBitAnd || kind == kTokBitXor;
    case 4: return kind == kTokShiftLeft || kind == kTokShiftRight;
    case 5: return kind == kTokPlus || kind == kTokMinus;
    case 6: return kind == kTokTimes || kind == kTokSlash || kind == kTokDiv || kind == kTokMod;
    default: return false;
    }
}

std::unique_ptr<CNode> CParser::Binary(int level) {
    if (level > 6) return Postfix();
    auto left = Binary(level + 1);
    if (!left) return nullptr;
    while (AtLevel(level, Kind())) {
        const CToken& op = Next();
        auto right = Binary(level + 1);
        if (!right) return nullptr;
        // Inside an expression a single "=" compares.
        auto node = std::make_unique<CNode>(op.kind == kTokAssign ? kTokEqual : op.kind, op.position);
        node->Add(std::move(left));
        node->Add(std::move(right));
        left = std::move(node);
    }
    return left;
}

std::unique_ptr<CNode> CParser::Postfix() {
    auto left = Primary();
    if (!left) return nullptr;
    while (Kind() == kTokDot) {
        Next();
        if (Kind() != kTokVariable) return Fail("Variable name expected.");
        left = Variable(std::move(left));
        if (!left) return nullptr;
    }
    return left;
}

std::unique_ptr<CNode> CParser::Primary() {
    const Nest nest(*this);
    if (nest.TooDeep()) return Fail("Code nested too deeply.");
    const CToken& t = Peek();
    switch (t.kind) {
    case kTokConstant: {
        Next();
        auto node = std::make_unique<CNode>(kTokConstant, t.position);
        node->value = t.value;
        return node;
    }
    case kTokFunction: return Call();
    case kTokVariable: return Variable(nullptr);
    case kTokOpen: {
        Next();
        auto inner = Expression();
        if (!inner) return nullptr;
        if (Kind() != kTokCloseParen) return Fail("Symbol ) expected.");
        Next();
        return inner;
    }
    case kTokNot:
    case kTokMinus:
    case kTokPlus:
    case kTokBitNot: {
        Next();
        auto operand = Postfix();
        if (!operand) return nullptr;
        // Unary plus changes nothing; a minus before a number is folded into it.
        if (t.kind == kTokPlus) return operand;
        if (t.kind == kTokMinus && operand->kind == kTokConstant && operand->value.IsReal()) {
            operand->value.SetReal(-operand->value.val);
            operand->position = t.position;
            return operand;
        }
        auto node = std::make_unique<CNode>(t.kind, t.position);
        node->Add(std::move(operand));
        return node;
    }
    default: return Fail("Unexpected symbol in expression.");
    }
}

std::unique_ptr<CNode> CParser::Call() {
    const CToken& name = Next();
    if (name.kind != kTokFunction) return Fail("Function name expected.", name.position);
    auto node = std::make_unique<CNode>(kTokFunction, name.position);
    node->id = name.id;
    if (Kind() != kTokOpen) return Fail("Symbol ( expected.");
    Next();
    if (Kind() == kTokCloseParen) {
        Next();
    } else {
        for (;;) {
            auto argument = Expression();
            if (!argument) return nullptr;
            node->Add(std::move(argument));
            if (Kind() == kTokComma) {
                Next();
                continue;
            }
            if (Kind() != kTokCloseParen) return Fail("Symbol , or ) expected.");
            Next();
            break;
        }
    }
    const int count = ArgumentCountOf(node->id);
    const int n = int(node->children.size());
    if (n > kMaxArguments || (count >= 0 && n != count))
        return Fail("Wrong number of arguments to function or script.", name.position);
    return node;
}

std::unique_ptr<CNode> CParser::Variable(std::unique_ptr<CNode> scope) {
    const CToken& name = Next();
    auto node = std::make_unique<CNode>(kTokVariable, name.position);
    node->id = name.id;
    if (scope) {
        node->access = kAccessQualified;
        node->scope = std::move(scope);
    } else if (locals_.count(name.id)) {
        node->access = kAccessLocal;
    }
    if (Kind() != kTokOpenBracket) return node;
    Next();
    auto first = Expression();
    if (!first) return nullptr;
    node->Add(std::move(first));
    if (Kind() == kTokCloseBracket) {
        Next();
        return node;
    }
    if (Kind() != kTokComma) return Fail("Symbol , or ] expected.");
    Next();
    auto second = Expression();
    if (!second) return nullptr;
    node->Add(std::move(second));
    if (Kind() == kTokComma) return Fail("Only 1- and 2-dimensional arrays are supported.");
    if (Kind() != kTokCloseBracket) return Fail("Symbol ] expected.");
    Next();
    return node;
}

}  // namespace

bool Parse_Classify(std::vector<CToken>& tokens, std::string& message, int& position) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        CToken& t = tokens[i];
        if (t.kind == kTokNumber || t.kind == kTokString) {
            t.kind = kTokConstant;
            continue;
        }
        if (t.kind != kTokIdentifier) continue;
        if (i + 1 < tokens.size() && tokens[i + 1].kind == kTokOpen) {
            t.id = FindFunction(t.text);
            if (t.id < 0) {
                message = "Unknown function or script: " + t.text;
                position = t.position;
                return false;
            }
            t.kind = kTokFunction;
        } else if (Constant_ResolveIdentifier(t.text, t.value)) {
            t.kind = kTokConstant;
        } else {
            t.kind = kTokVariable;
            t.id = Variable_Find(t.text);
        }
    }
    return true;
}

bool Parse_Program(const std::vector<CToken>& tokens, std::unique_ptr<CNode>& tree, std::string& message,
                   int& position) {
    if (tokens.empty()) return false;
    CParser parser(tokens);
    tree = parser.Program();
    if (tree) return true;
    message = parser.message;
    position = parser.position;
    return false;
}

bool Parse_Expression(const std::vector<CToken>& tokens, std::unique_ptr<CNode>& tree, std::string& message,
                      int& position) {
    if (tokens.empty()) return false;
    CParser parser(tokens);
    tree = parser.ExpressionUnit();
    if (tree) return true;
    message = parser.message;
    position = parser.position;
    return false;
}
