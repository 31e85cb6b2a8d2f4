// The lexer. Bytes of value 32 or less separate tokens; identifiers and keywords are
// ASCII; strings run to the next quote of the same kind and know no escapes.
#include "compiler/lexer.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace {

struct Keyword {
    const char* word;
    int kind;
};

constexpr Keyword kKeywords[] = {
    {"begin", kTokBegin},       {"end", kTokClose},       {"if", kTokIf},         {"then", kTokThen},
    {"else", kTokElse},         {"while", kTokWhile},     {"do", kTokDo},         {"for", kTokFor},
    {"until", kTokUntil},       {"repeat", kTokRepeat},   {"exit", kTokExit},     {"break", kTokBreak},
    {"continue", kTokContinue}, {"with", kTokWith},       {"return", kTokReturn}, {"switch", kTokSwitch},
    {"case", kTokCase},         {"default", kTokDefault}, {"var", kTokVar},       {"globalvar", kTokGlobalVar},
    {"and", kTokAnd},           {"or", kTokOr},           {"not", kTokNot},       {"div", kTokDiv},
    {"mod", kTokMod},           {"xor", kTokXor},
};

struct Operator {
    const char* text;
    int kind;
};

constexpr Operator kTwoCharOperators[] = {
    {":=", kTokAssign},       {"+=", kTokAddAssign},  {"-=", kTokSubAssign}, {"*=", kTokMulAssign},
    {"/=", kTokDivAssign},    {"&&", kTokAnd},        {"&=", kTokAndAssign}, {"||", kTokOr},
    {"|=", kTokOrAssign},     {"<=", kTokLessEqual},  {"<>", kTokNotEqual},  {"<<", kTokShiftLeft},
    {"==", kTokEqual},        {"!=", kTokNotEqual},   {"^^", kTokXor},       {"^=", kTokXorAssign},
    {">=", kTokGreaterEqual}, {">>", kTokShiftRight},
};

int OneCharOperator(char c) {
    switch (c) {
    case '!': return kTokNot;
    case '%': return kTokMod;
    case '&': return kTokBitAnd;
    case '(': return kTokOpen;
    case ')': return kTokCloseParen;
    case '*': return kTokTimes;
    case '+': return kTokPlus;
    case ',': return kTokComma;
    case '-': return kTokMinus;
    case '.': return kTokDot;
    case '/': return kTokSlash;
    case ':': return kTokColon;
    case ';': return kTokSemicolon;
    case '<': return kTokLess;
    case '=': return kTokAssign;
    case '>': return kTokGreater;
    case '[': return kTokOpenBracket;
    case ']': return kTokCloseBracket;
    case '^': return kTokBitXor;
    case '{': return kTokBegin;
    case '|': return kTokBitOr;
    case '}': return kTokClose;
    case '~': return kTokBitNot;
    default: return kTokInvalid;
    }
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexDigit(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool Lex_Text(const std::string& source, std::vector<CToken>& tokens, std::string& message, int& position) {
    tokens.clear();
    // Three spaces after the text: every look-ahead of two bytes stays inside it.
    const std::string text = source + "   ";
    const size_t end = source.size();
    size_t i = 0;
    for (;;) {
        // White space and comments.
        for (;;) {
            while (i < end && static_cast<unsigned char>(text[i]) <= 32) ++i;
            if (i + 1 < text.size() && text[i] == '/' && text[i + 1] == '/') {
                while (i < end && text[i] != '\r' && text[i] != '\n') ++i;
                continue;
            }
            if (i + 1 < text.size() && text[i] == '/' && text[i + 1] == '*') {
                const size_t close = source.find("*/", i + 2);
                i = close == std::string::npos ? end : close + 2;
                continue;
            }
            break;
        }
        CToken token;
        token.position = int(i);
        if (i >= end) {
            token.kind = kTokEnd;
            tokens.push_back(std::move(token));
            return true;
        }
        const char c = text[i];
        if (IsLetter(c)) {
            size_t j = i;
            while (IsLetter(text[j]) || IsDigit(text[j])) ++j;
            token.text = text.substr(i, j - i);
            token.kind = kTokIdentifier;
            for (const Keyword& k : kKeywords)
                if (token.text == k.word) token.kind = k.kind;
            i = j;
        } else if (IsDigit(c) || (c == '.' && IsDigit(text[i + 1]))) {
            // Digits with at most one point; each fraction digit adds digit x 10^-k.
            double value = 0;
            bool point = false;
            int k = 0;
            size_t j = i;
            for (; j < end; ++j) {
                if (text[j] == '.' && !point) {
                    point = true;
                    continue;
                }
                if (!IsDigit(text[j])) break;
                const int digit = text[j] - '0';
                if (point) value += digit * std::pow(10.0, -(++k));
                else value = value * 10 + digit;
            }
            token.kind = kTokNumber;
            token.text = text.substr(i, j - i);
            token.value.SetReal(value);
            i = j;
        } else if (c == '$') {
            double value = 0;
            size_t j = i + 1;
            for (; j < end && HexDigit(text[j]) >= 0; ++j) value = value * 16 + HexDigit(text[j]);
            token.kind = kTokNumber;
            token.text = text.substr(i, j - i);
            token.value.SetReal(value);
            i = j;
        } else if (c == '"' || c == '\'') {
            size_t close = source.find(c, i + 1);
            if (close == std::string::npos) close = end;  // an unterminated string runs to the end
            token.kind = kTokString;
            token.text = source.substr(i + 1, close - i - 1);
            token.value.SetString(token.text);
            i = close < end ? close + 1 : end;
        } else {
            token.kind = kTokInvalid;
            for (const Operator& op : kTwoCharOperators)
                if (text[i] == op.text[0] && text[i + 1] == op.text[1]) {
                    token.kind = op.kind;
                    token.text = op.text;
                    i += 2;
                    break;
                }
            if (token.kind == kTokInvalid) {
                token.kind = OneCharOperator(c);
                token.text = std::string(1, c);
                if (token.kind == kTokInvalid) {
                    message = "Unexpected symbol.";
                    position = token.position;
                    tokens.push_back(std::move(token));
                    return false;
                }
                ++i;
            }
        }
        tokens.push_back(std::move(token));
    }
}
