#pragma once
// The parse tree of script text. Node kinds are the token kinds of the lexer: an
// operator node has its operator's kind (one child: the unary form), a statement its
// keyword's kind, an assignment kTokAssign with the assignment operator in `op`, and a
// block or program kNodeBlock. Every node keeps the byte offset of the token it came
// from, for error reports and the debug pairs.
#include <memory>
#include <vector>

#include "compiler/lexer.h"
#include "value/value.h"

constexpr int kNodeBlock = 1000;

// How a variable node names its scope.
enum VariableAccess : int {
    kAccessUnqualified = 0,  // self, or global for a name declared globalvar
    kAccessLocal = 1,        // declared with var in this unit
    kAccessQualified = 2,    // `scope` holds the expression before the dot
};

struct CNode {
    int kind = kNodeBlock;
    int position = 0;
    int op = 0;  // assignment: its operator's token kind
    int id = 0;  // variable id, function id
    int access = kAccessUnqualified;
    CValue value;                  // constants
    std::unique_ptr<CNode> scope;  // qualified variables
    // Operands, arguments, array indices (one or two), or a statement's parts:
    // if: condition, then [, else]; while: condition, body; do: body, condition;
    // for: init, condition, step, body; repeat: count, body; with: target, body;
    // switch: value, then the case (child: its value), default and statement nodes
    // in their order; return: value; block: statements.
    std::vector<std::unique_ptr<CNode>> children;

    CNode() = default;
    CNode(int k, int pos) : kind(k), position(pos) {}
    CNode* Add(std::unique_ptr<CNode> child) {
        children.push_back(std::move(child));
        return children.back().get();
    }
};
