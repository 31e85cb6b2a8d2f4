#pragma once
// Events: the numbering, the record, how an instance's event is found through the
// parent chain and performed, and the phases the frame delivers.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "vm/code.h"

// One event of an object, or one time line moment.
class CEvent {
public:
    virtual ~CEvent() = default;
    std::unique_ptr<CCode> code;
};

constexpr int kEventTypeCount = 12;

enum EventType : int {
    kEventCreate = 0,
    kEventDestroy = 1,
    kEventAlarm = 2,
    kEventStep = 3,
    kEventCollision = 4,
    kEventKeyboard = 5,
    kEventMouse = 6,
    kEventOther = 7,
    kEventDraw = 8,
    kEventKeyPress = 9,
    kEventKeyRelease = 10,
    kEventTrigger = 11,
    kEventTimeLineMoment = 100000,
};

enum StepNumber : int { kStepNormal = 0, kStepBegin = 1, kStepEnd = 2 };

enum OtherNumber : int {
    kOtherOutsideRoom = 0,
    kOtherIntersectBoundary = 1,
    kOtherGameStart = 2,
    kOtherGameEnd = 3,
    kOtherRoomStart = 4,
    kOtherRoomEnd = 5,
    kOtherNoMoreLives = 6,
    kOtherAnimationEnd = 7,
    kOtherEndOfPath = 8,
    kOtherNoMoreHealth = 9,
    kOtherUser0 = 10,
    kOtherOutsideView0 = 40,
    kOtherBoundaryView0 = 50,
    kOtherAsyncFirst = 60,
    kOtherAsyncLast = 63,
};

constexpr int kDrawGui = 64;
constexpr int kAlarmCount = 12;

class CInstance;

// --- the current event ----------------------------------------------------------------

// Saved and restored around every performed event: event_inherited, error headings and
// the event_* variables read it. For a time line moment the object is the time line's
// index, the type kEventTimeLineMoment and the number the moment's time.
struct CEventState {
    int object = -1;
    int type = -1;
    int number = -1;
};
CEventState Event_Current();

// --- performing -----------------------------------------------------------------------

// The event of object `object` (or its nearest ancestor that has it); for a collision
// event with no direct hit, the other object's ancestors are tried too. `foundIn`
// receives the object whose table held it. Null when none.
const CEvent* Event_Find(int object, int type, int number, int* foundIn = nullptr);

// Performs self's object's event with self and other. Nothing for a null self, and
// nothing while a room change, restart or game end is pending.
void Event_Perform(CInstance* self, CInstance* other, int type, int number);
// Performs the event of `object` (and its ancestors) on self.
void Event_PerformForObject(CInstance* self, CInstance* other, int object, int type, int number);
// Every unmarked instance of the running room that existed when the pass began, in
// depth order, with self and other the instance.
void Event_PerformForAll(int type, int number);
// Runs an event already found (the phases look events up once per object): the
// current-event state, the error heading and the pending-change rule as above.
void Event_Run(CInstance* self, CInstance* other, const CEvent* event, int foundIn, int type, int number);
// A time line moment: the current-event state is (time line, moment type, time).
void Event_RunMoment(CInstance* self, CInstance* other, const CEvent* event, int timeline, int time);
// Names the code that runs next in error headings when it is no event (room and
// instance creation code).
void Event_NameContext(const std::string& objectName, const std::string& eventName);

// --- phases the frame calls (each returns after its own counter increment) ------------

void Event_RunStep(int number);
void Event_RunAlarms();
void Event_RunKeyboard();
void Event_RunJoystick();
void Event_RunMouse();
// The areas the outside and boundary events test against: the room and, when the room
// has views enabled, each visible view's rectangle (in room coordinates).
struct COtherEventAreas {
    struct View {
        bool visible = false;
        double left = 0, top = 0, right = 0, bottom = 0;
    };
    double width = 0, height = 0;
    bool viewsEnabled = false;
    std::array<View, 8> views;
};
void Event_RunOther(const COtherEventAreas& areas);
void Event_AdvanceAnimation();
// Numbers 60 to 63 only.
void Event_RunAsync(int number);

// --- what the input phases read --------------------------------------------------------

// The input layer installs its state here; until it does, no key, button or stick is
// ever held, pressed or released, the mouse sits at 0,0 and the window counts as
// visible and active.
class IEventInput {
public:
    virtual ~IEventInput() = default;
    virtual bool KeyHeld(int key) const = 0;
    virtual bool KeyPressed(int key) const = 0;
    virtual bool KeyReleased(int key) const = 0;
    // Buttons 1 left, 2 right, 3 middle.
    virtual bool ButtonHeld(int button) const = 0;
    virtual bool ButtonPressed(int button) const = 0;
    virtual bool ButtonReleased(int button) const = 0;
    virtual bool WheelUp() const = 0;
    virtual bool WheelDown() const = 0;
    // The mouse in room coordinates.
    virtual void MousePosition(double& x, double& y) const = 0;
    // Joystick 1 or 2: false when it does not answer.
    virtual bool Joystick(int which, int& x, int& y, unsigned& buttons) const = 0;
    virtual bool WindowVisible() const = 0;
    virtual bool WindowActive() const = 0;
    // Frame edges (the per-frame pressed and released states) and room starts.
    virtual void StartFrame() = 0;
    virtual void FinishFrame() = 0;
    virtual void Clear() = 0;
};
// Not owned; null restores the silent default.
void Event_SetInput(IEventInput* input);
// What the rest of the engine asks of the installed input.
void Event_ClearInput();
void Event_StartInputFrame();
void Event_FinishInputFrame();
void Event_MousePosition(double& x, double& y);
bool Event_WindowActive();

// Tests of an instance against a point and its bounding box come from the motion and
// collision layer; until it installs them, no instance contains any point and an
// instance's box is what its fields hold.
using TPointTest = bool (*)(CInstance& instance, double x, double y);
using TBoxUpdate = void (*)(CInstance& instance);
void Event_SetPointTest(TPointTest test);
void Event_SetBoxUpdate(TBoxUpdate update);
void Instance_UpdateBox(CInstance& instance);

// --- names ----------------------------------------------------------------------------

// "Create", "Alarm 3", "BeginStep", "press <Enter>" ... (code names "Object.%s.%s.%d").
std::string Event_ShortName(int type, int number);
// "Create Event", "Keyboard Event for <Left> Key" ... (error headings).
std::string Event_LongName(int type, int number);
const char* Event_KeyName(int key, char buffer[16]);

// --- engine-wide counters --------------------------------------------------------------

// Numbers instance creations and event phases (see Instance_* for the skipping rule).
uint64_t& Event_StampCounter();
// Starts a pass: increments the counter and returns its value before the increment;
// instances whose creation stamp is greater take no part in the pass.
uint64_t Event_BeginPass();
