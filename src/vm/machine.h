#pragma once
// The bytecode machine: runs code units for a self and an other instance.
#include <cstdint>
#include <string>

#include "data/game_data.h"
#include "data/game_resources.h"
#include "value/value.h"

class CInstance;
class CCode;
class VMProgram;

// The game whose code runs (set once it is loaded; tests set their own).
void VM_SetGame(CGameData* data, CGameResources* res);
CGameData* VM_GameData();
CGameResources* VM_Resources();

// Links the variable references of every code unit (header pass, after VARI) and the
// function references (after the main pass). False with `error` set to the load
// error text ("Error on load\nUnable to find function %s\n").
bool VM_LinkVariables(CGameData& data, CGameResources& res, std::string& error);
bool VM_LinkFunctions(CGameData& data, CGameResources& res, std::string& error);

// Function id by name: scripts, then extension functions, then built-ins; -1 if none.
int VM_FindFunction(const CGameResources& res, const char* name);
// Argument count of a function id (-1 any, -100 unknown).
int VM_FunctionArgCount(const CGameResources& res, int id);

// The decoded program of a code table entry (null for an index outside the table).
const VMProgram* VM_Program(int codeIndex);
// Forgets every decoded program (a new game).
void VM_ResetPrograms();

struct VMSettings {
    bool callTrace = false;         // "-trace": each run, built-in call and script call to the log
    bool instructionTrace = false;  // every instruction to the log
};
VMSettings& VM_Settings();

// Runs a code unit. `result` (may be null) receives the value the unit leaves on top
// of its stack. Returns false when the run ended in an error.
bool Code_Execute(CInstance* self, CInstance* other, const CCode* code, CValue* result);
// Runs code table entry `index` directly.
bool VM_RunIndex(int index, CInstance* self, CInstance* other, CValue* result);
// Runs a script with arguments, as `script_execute` does.
bool VM_ExecuteScript(int scriptIndex, CInstance* self, CInstance* other, int argc, const CValue* args,
                      CValue& result);

// Extension functions are called through this hook (the extension layer sets it).
using TExtensionCall = bool (*)(int number, int argc, CValue* args, CValue& result);
void VM_SetExtensionCall(TExtensionCall call);

// The deepest stack use seen, in bytes.
uint32_t VM_DeepestStackUse();

// The instruction listing of a unit: one line per instruction.
std::string VM_Listing(const CGameData& data, const CGameResources& res, const uint8_t* code, uint32_t length);
// One instruction's listing text (without the offset and bytes), e.g. "push.s \"hi\"".
std::string VM_ListInstruction(const CGameData& data, const CGameResources& res, const uint8_t* code,
                               uint32_t length, uint32_t pc);
