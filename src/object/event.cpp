#include "object/event.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <unordered_map>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "object/instance.h"
#include "object/timeline.h"
#include "variable/variables.h"
#include "vm/machine.h"

namespace {

uint64_t g_stamp = 0;
CEventState g_current;
int g_depth = 0;  // events being performed, nested

// What Game().error.context names at the moment; the strings are rewritten only when the
// running event differs from it, so a phase of one object's instances sets them once.
CEventState g_shown{-2, -2, -2};

// Long names by (type, number), made once: switching the heading between events then
// copies into strings that already have the room.
const std::string& CachedLongName(int type, int number) {
    static std::unordered_map<int64_t, std::string> cache;
    const int64_t key = (int64_t(type) << 32) | int64_t(uint32_t(number));
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, Event_LongName(type, number)).first;
    return it->second;
}

void SyncContext() {
    if (g_shown.object == g_current.object && g_shown.type == g_current.type && g_shown.number == g_current.number)
        return;
    g_shown = g_current;
    CodeErrorContext& c = Game().error.context;
    c.actionNumber = 1;
    if (g_current.type == kEventTimeLineMoment) {
        c.timeline = true;
        c.timelineName = TimeLine_Name(g_current.object);
        c.timelineStep = g_current.number;
    } else {
        c.timeline = false;
        c.eventName = CachedLongName(g_current.type, g_current.number);
        c.objectName = Object_Name(g_current.object);
    }
}

// The actions' relative option: cleared for every event, put back afterwards.
const CBuiltinVariable* RelativeVariable() {
    static const CBuiltinVariable* entry = Variable_Builtin(Variable_Find("argument_relative"));
    return entry;
}

bool RelativeIsSet() {
    const CBuiltinVariable* entry = RelativeVariable();
    CValue v;
    return entry && entry->getter && entry->getter(nullptr, 0, v) && v.val != 0;
}

bool Pending() { return Game().run.newRoom != kRequestNone; }

// Reusable instance buffers, one per nesting level of passes, so that taking the
// instances of a pass allocates nothing once the game has warmed up. Each buffer
// remembers which list it copied and at which version: taking the same unchanged list
// again (the same object in the next phase or frame) keeps the copy instead of walking
// the instances anew.
struct TSnapshotBuffer {
    std::vector<CInstance*> list;
    const void* source = nullptr;
    uint64_t version = 0;
};
struct TSnapshotPool {
    std::vector<std::unique_ptr<TSnapshotBuffer>> buffers;
    size_t used = 0;
};
TSnapshotPool& SnapshotPool() {
    static TSnapshotPool pool;
    return pool;
}

class TSnapshot {
public:
    TSnapshot() {
        TSnapshotPool& pool = SnapshotPool();
        if (pool.used == pool.buffers.size()) pool.buffers.push_back(std::make_unique<TSnapshotBuffer>());
        buffer_ = pool.buffers[pool.used++].get();
        list = &buffer_->list;
    }
    ~TSnapshot() { --SnapshotPool().used; }
    TSnapshot(const TSnapshot&) = delete;
    TSnapshot& operator=(const TSnapshot&) = delete;

    void TakeObject(const CObject& o) {
        const uint64_t version = Object_ListVersion();
        if (buffer_->source == &o.instances && buffer_->version == version) return;
        list->clear();
        for (const CInstanceLink* l = o.instances.head; l; l = l->next) list->push_back(l->instance);
        buffer_->source = &o.instances;
        buffer_->version = version;
    }
    void TakeActive() {
        const CRoomInstances* room = Game().world->room;
        const uint64_t version = Instance_ChainVersion();
        if (room && buffer_->source == &room->active && buffer_->version == version) return;
        list->clear();
        for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) list->push_back(i);
        buffer_->source = room ? &room->active : nullptr;
        buffer_->version = version;
    }
    std::vector<CInstance*>* list;

private:
    TSnapshotBuffer* buffer_;
};

// One pass over the objects having (type, number). `perObject` gives each listed object
// its own counter increment (mouse and joystick deliveries); `test` picks instances.
template <typename Test>
void DeliverTo(int type, int number, bool perObject, Test test) {
    uint64_t before = perObject ? 0 : Event_BeginPass();
    TSnapshot snap;
    for (size_t i = 0;; ++i) {
        const std::vector<CEventListEntry>& list = Event_ObjectList(type, number);
        if (i >= list.size() || Pending()) return;
        const CEventListEntry entry = list[i];
        const CObject* o = Object_Find(entry.object);
        if (!o) continue;
        if (perObject) before = Event_BeginPass();
        snap.TakeObject(*o);
        const std::vector<CInstance*>& instances = *snap.list;
        for (size_t k = 0; k < instances.size(); ++k) {
            // In a large room the instances' fields have left the cache since the last
            // pass: the next instance's position, motion and broad-phase fields (what a
            // moving instance's event reads and writes) are fetched while this one runs.
            if (k + 1 < instances.size()) {
                const CInstance* next = instances[k + 1];
                __builtin_prefetch(&next->x);
                __builtin_prefetch(&next->hspeed);
                __builtin_prefetch(&next->gridPending);
            }
            CInstance* inst = instances[k];
            if (!Instance_TakesPart(inst, before) || inst->objectIndex != entry.object || !test(*inst)) continue;
            Event_Run(inst, inst, entry.event, entry.foundIn, type, number);
        }
    }
}

void Deliver(int type, int number) {
    DeliverTo(type, number, false, [](CInstance&) { return true; });
}

// --- input until the input layer arrives ------------------------------------------------

class TSilentInput final : public IEventInput {
public:
    bool KeyHeld(int) const override { return false; }
    bool KeyPressed(int) const override { return false; }
    bool KeyReleased(int) const override { return false; }
    bool ButtonHeld(int) const override { return false; }
    bool ButtonPressed(int) const override { return false; }
    bool ButtonReleased(int) const override { return false; }
    bool WheelUp() const override { return false; }
    bool WheelDown() const override { return false; }
    void MousePosition(double& x, double& y) const override { x = y = 0; }
    bool Joystick(int, int&, int&, unsigned&) const override { return false; }
    bool WindowVisible() const override { return true; }
    bool WindowActive() const override { return true; }
    void StartFrame() override {}
    void FinishFrame() override {}
    void Clear() override {}
};

TSilentInput g_silentInput;
IEventInput* g_input = &g_silentInput;
TPointTest g_pointTest = nullptr;
TBoxUpdate g_boxUpdate = nullptr;

bool ContainsPoint(CInstance& inst, double x, double y) { return g_pointTest && g_pointTest(inst, x, y); }

// --- other events -------------------------------------------------------------------------

bool SpriteExists(int sprite) {
    const CGameResources* res = &*Game().resources;
    return res && sprite >= 0 && size_t(sprite) < res->sprites.size() && res->sprites[size_t(sprite)];
}

bool HasShape(const CInstance& inst) { return SpriteExists(inst.spriteIndex) || SpriteExists(inst.maskIndex); }

bool Outside(CInstance& inst, double l, double t, double r, double b) {
    if (!HasShape(inst)) return inst.x < l || inst.x > r || inst.y < t || inst.y > b;
    Instance_UpdateBox(inst);
    return inst.bboxRight < l || inst.bboxLeft > r || inst.bboxBottom < t || inst.bboxTop > b;
}

bool Crosses(CInstance& inst, double l, double t, double r, double b) {
    if (!HasShape(inst)) return inst.x < l || inst.x > r || inst.y < t || inst.y > b;
    Instance_UpdateBox(inst);
    return inst.bboxLeft < l || inst.bboxRight > r || inst.bboxTop < t || inst.bboxBottom > b;
}

// --- names --------------------------------------------------------------------------------

const char* MouseName(int n, char buffer[32]) {
    static const char* const kNames[] = {"Left Button",    "Right Button",    "Middle Button",  "No Button",
                                         "Left Pressed",   "Right Pressed",   "Middle Pressed", "Left Released",
                                         "Right Released", "Middle Released", "Mouse Enter",    "Mouse Leave"};
    if (n >= 0 && n < 12) return kNames[n];
    static const char* const kStick[] = {"Left", "Right", "Up", "Down"};
    if (n >= 16 && n <= 19) return std::snprintf(buffer, 32, "Joystick 1 %s", kStick[n - 16]), buffer;
    if (n >= 21 && n <= 28) return std::snprintf(buffer, 32, "Joystick 1 Button %d", n - 20), buffer;
    if (n >= 31 && n <= 34) return std::snprintf(buffer, 32, "Joystick 2 %s", kStick[n - 31]), buffer;
    if (n >= 36 && n <= 43) return std::snprintf(buffer, 32, "Joystick 2 Button %d", n - 35), buffer;
    static const char* const kGlobal[] = {"Glob Left Button",   "Glob Right Button",   "Glob Middle Button",
                                          "Glob Left Pressed",  "Glob Right Pressed",  "Glob Middle Pressed",
                                          "Glob Left Released", "Glob Right Released", "Glob Middle Released"};
    if (n >= 50 && n <= 58) return kGlobal[n - 50];
    if (n == 60) return "Mouse Wheel Up";
    if (n == 61) return "Mouse Wheel Down";
    return "<unknown>";
}

const char* OtherName(int n, char buffer[32]) {
    static const char* const kNames[] = {"Outside Room", "Intersect Boundary", "Game Start",    "Game End",
                                         "Room Start",   "Room End",           "No More Lives", "Animation End",
                                         "End Of Path",  "No More Health"};
    if (n >= 0 && n < 10) return kNames[n];
    if (n >= 10 && n <= 25) return std::snprintf(buffer, 32, "User Defined %d", n - 10), buffer;
    if (n == 30) return "Close Button";
    if (n >= 40 && n <= 47) return std::snprintf(buffer, 32, "Outside View %d", n - 40), buffer;
    if (n >= 50 && n <= 57) return std::snprintf(buffer, 32, "Boundary View %d", n - 50), buffer;
    if (n == 60) return "Image Loaded";
    if (n == 61) return "Sound Loaded";
    return "<unknown>";
}

}  // namespace

// --- counters and state -------------------------------------------------------------------

uint64_t& Event_StampCounter() { return g_stamp; }

uint64_t Event_BeginPass() { return g_stamp++; }

CEventState Event_Current() { return g_current; }

void Event_SetInput(IEventInput* input) { g_input = input ? input : &g_silentInput; }
void Event_ClearInput() { g_input->Clear(); }
void Event_StartInputFrame() { g_input->StartFrame(); }
void Event_FinishInputFrame() { g_input->FinishFrame(); }
void Event_MousePosition(double& x, double& y) { g_input->MousePosition(x, y); }
bool Event_WindowActive() { return g_input->WindowActive(); }
void Event_SetPointTest(TPointTest test) { g_pointTest = test; }
void Event_SetBoxUpdate(TBoxUpdate update) { g_boxUpdate = update; }

void Instance_UpdateBox(CInstance& instance) {
    if (instance.bboxDirty && g_boxUpdate) g_boxUpdate(instance);
}

// --- finding and performing -----------------------------------------------------------------

namespace {

const CEvent* FindUpward(int object, int type, int number, int* foundIn) {
    int steps = Object_Count() + 1;  // a longer walk is a loop
    for (int o = object; o >= 0 && steps-- > 0;) {
        const CObject* obj = Object_Find(o);
        if (!obj) return nullptr;
        if (const CEvent* e = obj->OwnEvent(type, number)) {
            if (foundIn) *foundIn = o;
            return e;
        }
        o = obj->parentIndex;
    }
    return nullptr;
}

}  // namespace

const CEvent* Event_Find(int object, int type, int number, int* foundIn) {
    if (const CEvent* e = FindUpward(object, type, number, foundIn)) return e;
    if (type != kEventCollision || !Object_Exists(number)) return nullptr;
    // A collision event with an ancestor of the other object applies to it too.
    int steps = Object_Count() + 1;
    for (int a = Object_Find(number)->parentIndex; a >= 0 && steps-- > 0;) {
        const CObject* ancestor = Object_Find(a);
        if (!ancestor) break;
        if (const CEvent* e = FindUpward(object, type, a, foundIn)) return e;
        a = ancestor->parentIndex;
    }
    return nullptr;
}

void Event_Run(CInstance* self, CInstance* other, const CEvent* event, int foundIn, int type, int number) {
    if (!self || !event || Pending()) return;
    const CEventState saved = g_current;
    g_current = CEventState{foundIn, type, number};
    SyncContext();
    const bool relative = RelativeIsSet();
    if (relative) Variable_SetArgumentRelative(false);
    ++g_depth;
    Code_Execute(self, other, event->code.get(), nullptr);
    --g_depth;
    if (relative) Variable_SetArgumentRelative(true);
    g_current = saved;
    if (g_depth > 0) SyncContext();
}

void Event_RunMoment(CInstance* self, CInstance* other, const CEvent* event, int timeline, int time) {
    Event_Run(self, other, event, timeline, kEventTimeLineMoment, time);
}

void Event_NameContext(const std::string& objectName, const std::string& eventName) {
    CodeErrorContext& c = Game().error.context;
    c.timeline = false;
    c.actionNumber = 1;
    c.objectName = objectName;
    c.eventName = eventName;
    g_shown = CEventState{-2, -2, -2};
}

void Event_PerformForObject(CInstance* self, CInstance* other, int object, int type, int number) {
    if (!self || Pending()) return;
    int foundIn = -1;
    const CEvent* e = Event_Find(object, type, number, &foundIn);
    if (e) Event_Run(self, other, e, foundIn, type, number);
}

void Event_Perform(CInstance* self, CInstance* other, int type, int number) {
    if (self) Event_PerformForObject(self, other, self->objectIndex, type, number);
}

void Event_PerformForAll(int type, int number) {
    const uint64_t before = Event_BeginPass();
    TSnapshot snap;
    snap.TakeActive();
    for (CInstance* inst : *snap.list) {
        if (Pending()) return;
        if (Instance_TakesPart(inst, before)) Event_Perform(inst, inst, type, number);
    }
}

// --- phases -------------------------------------------------------------------------------

void Event_RunStep(int number) { Deliver(kEventStep, number); }

void Event_RunAlarms() {
    const uint64_t before = Event_BeginPass();
    TSnapshot snap;
    for (int a = 0; a < kAlarmCount; ++a) {
        for (size_t i = 0;; ++i) {
            const std::vector<CEventListEntry>& list = Event_ObjectList(kEventAlarm, a);
            if (i >= list.size()) break;
            const CEventListEntry entry = list[i];
            const CObject* o = Object_Find(entry.object);
            if (!o) continue;
            snap.TakeObject(*o);
            // Counting goes on while a room change is pending; only the events stop.
            for (CInstance* inst : *snap.list) {
                if (!Instance_TakesPart(inst, before) || inst->objectIndex != entry.object) continue;
                if (inst->alarm[a] >= 0 && --inst->alarm[a] == 0)
                    Event_Run(inst, inst, entry.event, entry.foundIn, kEventAlarm, a);
            }
        }
    }
}

void Event_RunKeyboard() {
    const IEventInput& in = *g_input;
    bool anyHeld = false, anyPressed = false, anyReleased = false;
    for (int k = 8; k <= 255; ++k) {
        const bool released = in.KeyReleased(k);
        if (in.KeyHeld(k) || released) {
            anyHeld = true;
            Deliver(kEventKeyboard, k);
        }
        if (in.KeyPressed(k)) {
            anyPressed = true;
            Deliver(kEventKeyPress, k);
        }
        if (released) {
            anyReleased = true;
            Deliver(kEventKeyRelease, k);
        }
    }
    Deliver(kEventKeyboard, anyHeld ? 1 : 0);
    Deliver(kEventKeyPress, anyPressed ? 1 : 0);
    Deliver(kEventKeyRelease, anyReleased ? 1 : 0);
}

namespace {

void DeliverGlobalMouse(int number) {
    DeliverTo(kEventMouse, number, true, [](CInstance&) { return true; });
}

void DeliverLocalMouse(int number, double x, double y) {
    DeliverTo(kEventMouse, number, true, [x, y](CInstance& inst) { return ContainsPoint(inst, x, y); });
}

}  // namespace

void Event_RunJoystick() {
    const IEventInput& in = *g_input;
    for (int j = 1; j <= 2; ++j) {
        int x = 0, y = 0;
        unsigned buttons = 0;
        if (!in.Joystick(j, x, y, buttons)) continue;
        const int base = j == 1 ? 16 : 31;
        if (x < 20000) DeliverGlobalMouse(base);
        if (x > 44000) DeliverGlobalMouse(base + 1);
        if (y < 20000) DeliverGlobalMouse(base + 2);
        if (y > 44000) DeliverGlobalMouse(base + 3);
        for (int k = 1; k <= 8; ++k)
            if (buttons & (1u << (k - 1))) DeliverGlobalMouse((j == 1 ? 20 : 35) + k);
    }
}

void Event_RunMouse() {
    const IEventInput& in = *g_input;
    if (!in.WindowVisible()) return;
    static double previousX = 0, previousY = 0;
    double mx = 0, my = 0;
    in.MousePosition(mx, my);
    const double px = previousX, py = previousY;
    previousX = mx, previousY = my;
    const double x = std::nearbyint(mx), y = std::nearbyint(my);

    bool any = false;
    for (int b = 1; b <= 3; ++b) {
        if (in.ButtonHeld(b) || in.ButtonPressed(b)) {
            any = true;
            DeliverLocalMouse(b - 1, x, y);
            DeliverGlobalMouse(49 + b);
        }
    }
    if (!any) DeliverLocalMouse(3, x, y);
    for (int b = 1; b <= 3; ++b) {
        if (!in.ButtonPressed(b)) continue;
        DeliverLocalMouse(b + 3, x, y);
        DeliverGlobalMouse(12);
        DeliverGlobalMouse(52 + b);
    }
    for (int b = 1; b <= 3; ++b) {
        if (!in.ButtonReleased(b)) continue;
        DeliverLocalMouse(b + 6, x, y);
        DeliverGlobalMouse(13);
        DeliverGlobalMouse(55 + b);
    }
    const double rpx = std::nearbyint(px), rpy = std::nearbyint(py);
    DeliverTo(kEventMouse, 10, true,
              [=](CInstance& i) { return ContainsPoint(i, x, y) && !ContainsPoint(i, rpx, rpy); });
    DeliverTo(kEventMouse, 11, true,
              [=](CInstance& i) { return ContainsPoint(i, rpx, rpy) && !ContainsPoint(i, x, y); });
    if (in.WheelUp()) DeliverGlobalMouse(60);
    if (in.WheelDown()) DeliverGlobalMouse(61);
}

void Event_RunOther(const COtherEventAreas& areas) {
    const double w = areas.width, h = areas.height;
    DeliverTo(kEventOther, kOtherOutsideRoom, false, [=](CInstance& i) { return Outside(i, 0, 0, w, h); });
    DeliverTo(kEventOther, kOtherIntersectBoundary, false, [=](CInstance& i) { return Crosses(i, 0, 0, w, h); });
    if (!areas.viewsEnabled) return;
    for (int v = 0; v < 8; ++v) {
        const COtherEventAreas::View& view = areas.views[size_t(v)];
        if (!view.visible) continue;
        const double l = view.left, t = view.top, r = view.right, b = view.bottom;
        DeliverTo(kEventOther, kOtherOutsideView0 + v, false, [=](CInstance& i) { return Outside(i, l, t, r, b); });
    }
    for (int v = 0; v < 8; ++v) {
        const COtherEventAreas::View& view = areas.views[size_t(v)];
        if (!view.visible) continue;
        const double l = view.left, t = view.top, r = view.right, b = view.bottom;
        DeliverTo(kEventOther, kOtherBoundaryView0 + v, false, [=](CInstance& i) { return Crosses(i, l, t, r, b); });
    }
}

void Event_AdvanceAnimation() {
    // Without an animation end event nothing can run here, so the instances are advanced
    // in place, with no copy of the list.
    if (Event_ObjectList(kEventOther, kOtherAnimationEnd).empty()) {
        for (CInstance* inst = Game().world->ActiveHead(); inst; inst = inst->next) {
            if (inst->marked) continue;
            inst->imageIndex += inst->imageSpeed;
            const int frames = Sprite_FrameCount(inst->spriteIndex);
            if (std::trunc(inst->imageIndex) >= frames) inst->imageIndex -= float(frames);
        }
        return;
    }
    TSnapshot snap;
    snap.TakeActive();
    for (CInstance* inst : *snap.list) {
        if (inst->marked) continue;
        inst->imageIndex += inst->imageSpeed;
        // A missing sprite counts no frames, so such an instance ends its animation on
        // every step.
        const int frames = Sprite_FrameCount(inst->spriteIndex);
        if (std::trunc(inst->imageIndex) >= frames) {
            inst->imageIndex -= float(frames);
            if (const CEventListEntry* e = Event_ListEntry(kEventOther, kOtherAnimationEnd, inst->objectIndex))
                Event_Run(inst, inst, e->event, e->foundIn, kEventOther, kOtherAnimationEnd);
        }
    }
}

void Event_RunAsync(int number) {
    if (number >= kOtherAsyncFirst && number <= kOtherAsyncLast) Deliver(kEventOther, number);
}

// --- names --------------------------------------------------------------------------------

const char* Event_KeyName(int key, char buffer[16]) {
    switch (key) {
    case 0: return "<no key>";
    case 1: return "<any key>";
    case 8: return "<Backspace>";
    case 9: return "<Tab>";
    case 13: return "<Enter>";
    case 16: return "<Shift>";
    case 17: return "<Ctrl>";
    case 18: return "<Alt>";
    case 27: return "<Escape>";
    case 32: return "<Space>";
    case 33: return "<Page Up>";
    case 34: return "<Page Down>";
    case 35: return "<End>";
    case 36: return "<Home>";
    case 37: return "<Left>";
    case 38: return "<Up>";
    case 39: return "<Right>";
    case 40: return "<Down>";
    case 45: return "<Insert>";
    case 46: return "<Delete>";
    case 106: return "Keypad *";
    case 107: return "Keypad +";
    case 109: return "Keypad -";
    case 110: return "Keypad .";
    case 111: return "Keypad /";
    default: break;
    }
    if ((key >= 48 && key <= 57) || (key >= 65 && key <= 90)) return std::snprintf(buffer, 16, "%c-key", key), buffer;
    if (key >= 96 && key <= 105) return std::snprintf(buffer, 16, "Keypad-%d", key - 96), buffer;
    if (key >= 112 && key <= 123) return std::snprintf(buffer, 16, "F%d", key - 111), buffer;
    return "<unknown>";
}

std::string Event_ShortName(int type, int number) {
    char key[16], name[32];
    switch (type) {
    case kEventCreate: return "Create";
    case kEventDestroy: return "Destroy";
    case kEventAlarm: return "Alarm " + std::to_string(number);
    case kEventStep: return std::string(number == 1 ? "Begin" : number == 2 ? "End" : "") + "Step";
    case kEventCollision: return Object_Name(number);
    case kEventKeyboard: return Event_KeyName(number, key);
    case kEventMouse: return MouseName(number, name);
    case kEventOther: return OtherName(number, name);
    case kEventDraw: return "Draw";
    case kEventKeyPress: return std::string("press ") + Event_KeyName(number, key);
    case kEventKeyRelease: return std::string("release ") + Event_KeyName(number, key);
    default: return "<Unknown Event>";
    }
}

std::string Event_LongName(int type, int number) {
    char key[16], name[32];
    switch (type) {
    case kEventCreate: return "Create Event";
    case kEventDestroy: return "Destroy Event";
    case kEventAlarm: return "Alarm Event for alarm " + std::to_string(number);
    case kEventStep: return " Step Event" + std::to_string(number);
    case kEventCollision: return std::string("Collision Event with object ") + Object_Name(number);
    case kEventKeyboard: return std::string("Keyboard Event for ") + Event_KeyName(number, key) + " Key";
    case kEventMouse: return std::string("Mouse Event for ") + MouseName(number, name);
    case kEventOther:
        if (number >= kOtherAsyncFirst) return std::string("Web Event: ") + OtherName(number, name);
        return std::string("Other Event: ") + OtherName(number, name);
    case kEventDraw: return "Draw Event";
    case kEventKeyPress: return std::string("Key Press Event for ") + Event_KeyName(number, key) + " Key";
    case kEventKeyRelease: return std::string("Key Release Event for ") + Event_KeyName(number, key) + " Key";
    default: return "<Unknown Event>";
    }
}
