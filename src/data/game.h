#pragma once
// The session: everything that belongs to the one game being played, reached through
// Game() and nowhere else.
//
// The session sits low (just above values) so that every layer can reach its own piece
// without including anything above itself. Pieces whose types belong to this layer or
// below (the data block, the error state, the argument slots, the run state) are held
// by value. Pieces whose types belong to higher layers (the resource tables, the
// instance world, the global scope) are held through TGamePart: a handle to a
// forward-declared type that is made on first use by the layer that knows the type, and
// freed through the deleter that layer supplied. Only the layer that includes the
// type's header can touch the piece.
//
// Tests and tools that need a clean game open a CGameSession: a new session for the
// scope's life, the previous one back afterwards.
#include <cstdint>
#include <memory>
#include <string>

#include "data/game_data.h"
#include "value/value.h"

template <typename T>
class TGamePart {
public:
    T& operator*() const {
        if (!ptr_) ptr_ = Owned(new T(), &Delete);
        return *ptr_;
    }
    T* operator->() const { return &**this; }

private:
    using Owned = std::unique_ptr<T, void (*)(T*)>;
    // Instantiated only where T is complete (the first use), never in the session itself.
    static void Delete(T* p) { delete p; }
    mutable Owned ptr_{nullptr, nullptr};
};

// What the failing code belongs to, for the heading of an error text. The event layer
// sets it around each event; time line moments set the time line fields.
struct CodeErrorContext {
    std::string eventName = "<unknown event>";
    std::string objectName = "<undefined>";
    int actionNumber = 1;  // counted from 1
    bool timeline = false;
    std::string timelineName;
    int timelineStep = 0;
};

// How errors reach a person. Headless (or no display): the text goes to stderr.
struct CodeErrorSettings {
    bool showErrors = true;     // the game's option: show errors to the player
    bool abortOnError = false;  // the game's option: every error is fatal
    bool interactive = false;   // a person can answer a box
};

struct CGameErrors {
    bool flag = false;      // cleared at the start of every code execution, set by every error
    std::string last;       // error_last
    bool occurred = false;  // error_occurred
    bool silent = false;    // the debugger's silent mode: errors only set the flag
    bool ending = false;    // a fatal error ended the game; the process exits with 255
    CodeErrorContext context;
    CodeErrorSettings settings;
};

constexpr int kGameArgumentSlots = 16;

// The engine-wide argument slots; script calls save and restore them.
struct CGameArguments {
    CValue slots[kGameArgumentSlots];
    int count = 0;  // of the innermost script call
    // Slots from here on hold the real 0 without text, so a call saves and restores
    // only the ones below. Whoever writes a slot raises it.
    int live = 0;
    void Touch(int slot) {
        if (slot >= live) live = slot + 1;
    }
};

// New-room request values besides a room index.
enum : int {
    kRequestNone = -1,
    kRequestGameEnd = -100,
    kRequestRestart = -200,
    kRequestLoad = -300,
    kRequestFatal = -400,
};

struct CRunState {
    bool paused = false;
    int newRoom = kRequestNone;
    int transitionKind = 0;
    int transitionSteps = 80;
    bool autoDraw = true;
    int frameCount = 0;
    int fps = 0;
    int64_t deltaTime = 0;  // microseconds

    int score = 0;
    int lives = -1;
    double health = 100;
    int cursorSprite = -1;
    bool showScore = false;
    bool showLives = false;
    bool showHealth = false;
    std::string captionScore = "Score: '";
    std::string captionLives = "Lives: ";
    std::string captionHealth = "Health: ";
    bool captionDirty = true;

    bool displayResetPending = false;
    bool started = false;  // a room was entered since the last game end

    // Frame timing, microseconds on the game timer.
    int64_t timerBase = 0;
    int64_t lastTarget = 0;
    int64_t secondStart = 0;
    int framesThisSecond = 0;
    int64_t lastStepStart = 0;
};

struct CGameResources;
struct CInstanceWorld;
struct CGlobalScope;
struct CDecodedPrograms;
struct CDSTables;

class CGame {
public:
    CGameData data;
    TGamePart<CGameResources> resources;  // data/game_resources.h
    CRunState run;
    TGamePart<CInstanceWorld> world;  // object/instance.h
    CGameErrors error;
    CGameArguments arguments;
    // Raised by a variable list get or set whose index is outside the stored array;
    // cleared at the start of every list get and set.
    bool indexError = false;
    TGamePart<CGlobalScope> globals;       // variable/variables.h
    TGamePart<CDecodedPrograms> programs;  // vm/machine.cpp
    TGamePart<CDSTables> structures;       // ds/ds_structures.h
};

namespace game_detail {
extern CGame* current;
CGame& First();
}  // namespace game_detail

// The running session (made on first use).
inline CGame& Game() {
    CGame* game = game_detail::current;
    return game ? *game : game_detail::First();
}

// A fresh session while it lives; the one before comes back when it ends.
class CGameSession {
public:
    CGameSession();
    ~CGameSession();
    CGameSession(const CGameSession&) = delete;
    CGameSession& operator=(const CGameSession&) = delete;

private:
    std::unique_ptr<CGame> game_;
    CGame* previous_;
};
