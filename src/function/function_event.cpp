#include "function/function_event.h"

#include <cmath>
#include <iterator>

#include "data/error.h"
#include "object/event.h"
#include "object/instance.h"
#include "object/timeline.h"
#include "platform/console.h"
#include "value/args.h"

namespace {

void F_EventPerform(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    Event_Perform(self, other, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}

void F_EventPerformObject(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    Event_PerformForObject(self, other, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2));
}

void F_EventUser(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    Event_Perform(self, other, kEventOther, kOtherUser0 + Arg_Int(argc, args, 0));
}

void F_EventInherited(CValue&, CInstance* self, CInstance* other, int, CValue*) {
    const CEventState current = Event_Current();
    if (current.type == kEventTimeLineMoment) return;  // its "object" is a time line
    const CObject* o = Object_Find(current.object);
    if (!o || !Object_Exists(o->parentIndex)) return;
    Event_PerformForObject(self, other, o->parentIndex, current.type, current.number);
}

void F_TimeLineExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(TimeLine_Find(Arg_Int(argc, args, 0)) ? 1 : 0);
}

void F_TimeLineGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(TimeLine_Name(Arg_Int(argc, args, 0)));
}

void F_TimeLineAdd(CValue& result, CInstance*, CInstance*, int, CValue*) { result.SetReal(-1); }

void F_TimeLineDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!TimeLine_Delete(Arg_Int(argc, args, 0))) Code_ShowError("Trying to delete non-existing timeline.", false);
}

void F_TimeLineMomentClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CTimeLine* t = TimeLine_Find(Arg_Int(argc, args, 0))) t->ClearMoment(Arg_Int(argc, args, 1));
}

void F_TimeLineMomentAdd(CValue&, CInstance*, CInstance*, int, CValue*) {
    Console().Output("timeline_moment_add :: deprecated function\n");
}

}  // namespace

extern const FunctionImpl kEventFunctions[] = {
    {"event_perform", F_EventPerform},
    {"event_perform_object", F_EventPerformObject},
    {"event_user", F_EventUser},
    {"event_inherited", F_EventInherited},
    {"timeline_exists", F_TimeLineExists},
    {"timeline_get_name", F_TimeLineGetName},
    {"timeline_name", F_TimeLineGetName},
    {"timeline_add", F_TimeLineAdd},
    {"timeline_delete", F_TimeLineDelete},
    {"timeline_moment_clear", F_TimeLineMomentClear},
    {"timeline_moment_add", F_TimeLineMomentAdd},
};
extern const size_t kEventFunctionCount = std::size(kEventFunctions);
