#pragma once
// The named constants script text may use: the built-in ones, the platform-services
// ones, the game's own (its options) and those of extension packages, in the order
// they were registered. A later registration of a name shadows an earlier one.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value/value.h"

// Appends a constant (the name and any text are copied).
void Constant_Add(std::string_view name, const CValue& value);
void Constant_AddReal(std::string_view name, double value);
void Constant_AddText(std::string_view name, std::string_view text);

// The value of the latest constant of this name (exact match), or null.
const CValue* Constant_Find(std::string_view name);
// The same, with ASCII letters compared without case (the input settings use it).
const CValue* Constant_FindNoCase(std::string_view name);

// A bare identifier of compiled text: an object, sprite, sound, background, path,
// font, time line, script or room name gives that resource's index; otherwise the
// latest constant of the name. False when it is neither.
bool Constant_ResolveIdentifier(std::string_view name, CValue& out);

// The built-in constants, then the platform-services ones; each once.
void Constant_RegisterBuiltins();
void Constant_RegisterPlatformServices();
// Both, in that order (what the compiler makes sure of before its first use).
void Constant_RegisterAll();

int Constant_Count();
// Forgets every constant registered after the first `count` (a new game; tests).
void Constant_Truncate(int count);

// Defines one game or extension constant from its name and value texts: the name is
// trimmed and checked, the value compiled as an expression unit "Constant.%d" and
// evaluated. On failure outputs "Constant name <name>  is not valid." or "Value for
// constant <name>  is not valid." on the engine's log, sets `message` to it, and adds
// nothing.
bool Constant_Define(const std::string& name, const std::string& valueText, std::string* message = nullptr);
// The game's constants in their stored order; stops at the first failure.
bool Constant_DefineGameConstants(const std::vector<std::pair<std::string, std::string>>& constants,
                                  std::string* message = nullptr);
