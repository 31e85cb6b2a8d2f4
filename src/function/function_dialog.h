#pragma once
// Message boxes, questions, menus, text and number entry, colour, file and folder
// choosers, the game information text and the message box settings.
#include <cstddef>
#include <string>
#include <string_view>

#include "vm/registry.h"

extern const FunctionImpl kDialogFunctions[];
extern const size_t kDialogFunctionCount;

// The plain text of a rich-text document (paragraphs as line ends, groups of settings
// and pictures left out); any other text comes back as it is.
std::string Dialog_PlainText(std::string_view document);
