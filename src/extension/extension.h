#pragma once
// Extension packages at run time: the game data describes packages of files; a library
// file declares functions of a dynamic library, a script file holds script functions.
// Their functions are called by name like built-ins (ids from kExtensionIdBase).
//
// The package files are looked for beside the data file: a library file is opened
// from the game directory, a script file's text is read from there and split into
// functions at its "#define NAME" lines.
#include <string>

#include "data/game_resources.h"
#include "value/value.h"

class CInstance;

// Defines the library functions and compiles the script functions of every package
// but the product's own ("TamuLabs"). A library function that cannot be defined is
// reported and left uncallable; a script that does not compile fails the preparation.
bool Extension_Prepare(const CGameResources& res);

// Calls each file's initialisation function (game start) or finalisation function
// (game end). A name that leads nowhere is reported and the rest go on. Finishing
// reports whether any package was prepared.
void Extension_Initialise();
bool Extension_Finish();

// Runs extension function `number` (the id minus kExtensionIdBase). An unknown number,
// or a library function called with a count other than its own, gives the real 0.
bool Extension_Call(CInstance* self, CInstance* other, int number, int argc, CValue* args, CValue& result);

// Where start and end problems are shown (a package that does not compile, a start or
// end function that is not there); unset, they are non-fatal code errors.
using TExtensionReporter = void (*)(const std::string& message);
void Extension_SetReporter(TExtensionReporter reporter);

// Forgets the prepared packages and every external definition.
void Extension_Reset();
