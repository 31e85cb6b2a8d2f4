#pragma once
// The lexer of script text: the text becomes a list of tokens, each with its kind,
// its text and the byte offset where it starts.
#include <string>
#include <vector>

#include "value/value.h"

// Token kinds; the parse tree's node kinds use the same numbers.
enum TokenKind : int {
    kTokEnd = -2,
    kTokInvalid = -1,
    kTokIdentifier = 0,
    kTokNumber = 1,
    kTokString = 2,
    kTokConstant = 5,
    kTokFunction = 6,
    kTokVariable = 7,
    kTokBegin = 11,  // "{" or begin
    kTokClose = 12,  // "}" or end
    kTokIf = 13,
    kTokThen = 14,
    kTokElse = 15,
    kTokWhile = 16,
    kTokDo = 17,
    kTokFor = 18,
    kTokUntil = 19,
    kTokRepeat = 20,
    kTokExit = 21,
    kTokBreak = 22,
    kTokContinue = 23,
    kTokWith = 24,
    kTokReturn = 25,
    kTokSwitch = 26,
    kTokCase = 27,
    kTokDefault = 28,
    kTokVar = 29,
    kTokGlobalVar = 30,
    kTokAssign = 101,  // "=" or ":="
    kTokAddAssign = 102,
    kTokSubAssign = 103,
    kTokMulAssign = 104,
    kTokDivAssign = 105,
    kTokOpen = 106,
    kTokCloseParen = 107,
    kTokSemicolon = 108,
    kTokComma = 109,
    kTokOpenBracket = 110,
    kTokCloseBracket = 111,
    kTokDot = 112,
    kTokColon = 113,
    kTokOrAssign = 114,
    kTokAndAssign = 115,
    kTokXorAssign = 116,
    kTokAnd = 201,
    kTokOr = 202,
    kTokNot = 203,
    kTokLess = 204,
    kTokLessEqual = 205,
    kTokEqual = 206,
    kTokNotEqual = 207,
    kTokGreaterEqual = 208,
    kTokGreater = 209,
    kTokPlus = 210,
    kTokMinus = 211,
    kTokTimes = 212,
    kTokSlash = 213,
    kTokDiv = 214,
    kTokMod = 215,
    kTokXor = 216,
    kTokBitOr = 217,
    kTokBitAnd = 218,
    kTokBitXor = 219,
    kTokBitNot = 220,
    kTokShiftLeft = 221,
    kTokShiftRight = 222,
};

struct CToken {
    int kind = kTokEnd;
    std::string text;
    int position = 0;  // byte offset of the first character
    // Filled by the lexer for numbers and strings, by classification for constants.
    CValue value;
    int id = 0;  // variable or function id, after classification
};

// Lexes `text`. On an invalid character returns false with `message` and `position`
// set; the token list then ends with the invalid token. The list always ends with
// one kTokEnd token on success.
bool Lex_Text(const std::string& text, std::vector<CToken>& tokens, std::string& message, int& position);
