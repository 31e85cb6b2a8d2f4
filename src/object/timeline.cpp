#include "object/timeline.h"

#include <algorithm>

#include "data/game.h"
#include "object/instance.h"
#include "vm/machine.h"

int CTimeLine::FirstMomentAtOrAfter(double t) const {
    const auto it = std::lower_bound(moments.begin(), moments.end(), t,
                                     [](const Moment& m, double v) { return double(m.step) < v; });
    return int(it - moments.begin());
}

int CTimeLine::LastMomentAtOrBefore(double t) const {
    const auto it = std::upper_bound(moments.begin(), moments.end(), t,
                                     [](double v, const Moment& m) { return v < double(m.step); });
    return int(it - moments.begin()) - 1;
}

CEvent& CTimeLine::AddMoment(int t) {
    const int i = FirstMomentAtOrAfter(t);
    if (i < MomentCount() && moments[size_t(i)].step == t) return *moments[size_t(i)].event;
    Moment m;
    m.step = t;
    m.event = std::make_unique<CEvent>();
    return *moments.insert(moments.begin() + i, std::move(m))->event;
}

void CTimeLine::ClearMoment(int t) {
    const int i = FirstMomentAtOrAfter(t);
    if (i < MomentCount() && moments[size_t(i)].step == t) moments.erase(moments.begin() + i);
}

namespace {

std::vector<std::unique_ptr<CTimeLine>>& Graveyard() {
    static std::vector<std::unique_ptr<CTimeLine>> graveyard;
    return graveyard;
}

}  // namespace

CTimeLine* TimeLine_Find(int index) {
    CGameResources* res = &*Game().resources;
    if (!res || index < 0 || size_t(index) >= res->timelines.size()) return nullptr;
    return res->timelines[size_t(index)].get();
}

const char* TimeLine_Name(int index) {
    const CTimeLine* t = TimeLine_Find(index);
    return t ? t->name.c_str() : "<undefined>";
}

void TimeLine_PrepareAll() {
    CGameResources* res = &*Game().resources;
    if (!res) return;
    for (auto& t : res->timelines) {
        if (!t) continue;
        std::stable_sort(t->moments.begin(), t->moments.end(),
                         [](const CTimeLine::Moment& a, const CTimeLine::Moment& b) { return a.step < b.step; });
        for (auto& m : t->moments)
            if (!m.event) m.event = std::make_unique<CEvent>();
    }
}

bool TimeLine_Delete(int index) {
    CGameResources* res = &*Game().resources;
    if (!TimeLine_Find(index)) return false;
    Graveyard().push_back(std::move(res->timelines[size_t(index)]));
    return true;
}

void TimeLine_RunAll() {
    const uint64_t before = Event_BeginPass();
    // With no time line in the game no instance can run one.
    const CGameResources* res = &*Game().resources;
    if (!res || res->timelines.empty()) return;
    // Moments do not run time lines, so one buffer serves every frame. Every instance
    // goes in: a moment of an earlier instance may start a later one's time line, which
    // then runs in this phase, so the conditions are read when the instance's turn comes.
    static std::vector<CInstance*> list;
    list.clear();
    for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) list.push_back(i);
    for (CInstance* inst : list) {
        if (!Instance_TakesPart(inst, before) || !inst->timelineRunning || inst->timelineSpeed == 0) continue;
        const int index = inst->timelineIndex;
        const CTimeLine* t = TimeLine_Find(index);
        if (!t || t->MomentCount() == 0) continue;
        const double position = inst->timelinePosition;
        const double speed = inst->timelineSpeed;
        const bool loop = inst->timelineLoop;
        const int lastTime = t->MomentTime(t->MomentCount() - 1);
        inst->timelinePosition = float(position + speed);
        const double moved = inst->timelinePosition;
        // Moments may clear moments or delete the time line: re-read it for each one.
        if (speed > 0) {
            const int a = t->FirstMomentAtOrAfter(position), b = t->FirstMomentAtOrAfter(moved);
            for (int m = a; m < b; ++m) {
                const CTimeLine* now = TimeLine_Find(index);
                if (!now || m >= now->MomentCount()) break;
                Event_RunMoment(inst, inst, now->MomentEvent(m), index, now->MomentTime(m));
            }
            if (loop && moved > lastTime) inst->timelinePosition = 0;
        } else {
            const int a = t->LastMomentAtOrBefore(position), b = t->LastMomentAtOrBefore(moved);
            for (int m = a; m > b; --m) {
                const CTimeLine* now = TimeLine_Find(index);
                if (!now || m >= now->MomentCount()) break;
                Event_RunMoment(inst, inst, now->MomentEvent(m), index, now->MomentTime(m));
            }
            if (loop && moved < 0) inst->timelinePosition = float(lastTime);
        }
    }
}
