#pragma once
// Classification of identifiers and the parser of script text.
#include <memory>
#include <string>
#include <vector>

#include "compiler/lexer.h"
#include "compiler/node.h"

// Turns identifiers into function references (an identifier followed by "("),
// constants (resource names, named constants) or variables, and number and string
// literals into constants. False with `message`/`position` on an unknown function.
bool Parse_Classify(std::vector<CToken>& tokens, std::string& message, int& position);

// Parses classified tokens as a program (a block or a statement sequence) or as one
// expression. False with the message and the position of the offending token.
bool Parse_Program(const std::vector<CToken>& tokens, std::unique_ptr<CNode>& tree, std::string& message,
                   int& position);
bool Parse_Expression(const std::vector<CToken>& tokens, std::unique_ptr<CNode>& tree, std::string& message,
                      int& position);
