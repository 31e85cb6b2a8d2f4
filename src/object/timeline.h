#pragma once
// Time lines: moments (step numbers with code) an instance runs through at its own
// speed, and the trigger record.
#include <memory>
#include <string>
#include <vector>

#include "object/event.h"

class CTimeLine {
public:
    virtual ~CTimeLine() = default;

    struct Moment {
        int step = 0;
        std::unique_ptr<CEvent> event;
    };
    std::string name;
    std::vector<Moment> moments;  // by time ascending once prepared

    int MomentCount() const { return int(moments.size()); }
    const CEvent* MomentEvent(int i) const {
        return i >= 0 && i < MomentCount() ? moments[size_t(i)].event.get() : nullptr;
    }
    int MomentTime(int i) const { return i >= 0 && i < MomentCount() ? moments[size_t(i)].step : 0; }
    // The first moment at or after t (the count when none); the last at or before t (-1).
    int FirstMomentAtOrAfter(double t) const;
    int LastMomentAtOrBefore(double t) const;
    // The moment at t, made (with an empty event) when there is none.
    CEvent& AddMoment(int t);
    void ClearMoment(int t);
};

CTimeLine* TimeLine_Find(int index);
// The name, or "<undefined>".
const char* TimeLine_Name(int index);
// Sorts every time line's moments by time (keeping the file order among equals).
void TimeLine_PrepareAll();
// Deletes a time line; its record stays allocated until the resources go, since a
// moment of it may be running. False when it does not exist.
bool TimeLine_Delete(int index);

// The frame's time line step, right after the begin step.
void TimeLine_RunAll();

// A trigger: the record exists, nothing evaluates it.
class CTrigger {
public:
    virtual ~CTrigger() = default;
    std::string name;
    std::string condition;
    std::unique_ptr<CCode> code;
    std::string constantName;
    int checkMoment = 1;
    int index = 0;
};
