#pragma once
// Room transitions: the old room's picture and the new room's first picture, kept on
// two surfaces, composed over `transition_steps` presented frames when a room change
// happens with a `transition_kind` set.
//
// The room change runs Transition_Start before leaving the old room (the old room is
// drawn into surface A, then surface B becomes the target so that the new room's first
// drawing lands in it) and Transition_Finish after entering the new one.
#include <string>

constexpr int kTransitionBuiltinCount = 21;
constexpr int kTransitionDefinedLimit = 1000000;

// Built in (1..21) or defined by transition_define.
bool Transition_Exists(int kind);
// transition_define: kind 1..999999 drawn by the script; false for a kind out of range
// or a missing script.
bool Transition_Define(int kind, int scriptIndex);
// The script index of a script name, -1 when there is none.
int Transition_FindScript(const std::string& name);

void Transition_Start();
void Transition_Finish();
// Whether a transition is between its start and its finish.
bool Transition_Active();

// Draws one frame of a built-in kind (1..21) from surfaces a and b at fraction f (0..1)
// into the current target, whose view is w x h. Unknown kinds draw A.
void Transition_Compose(int kind, int a, int b, int w, int h, double f);
