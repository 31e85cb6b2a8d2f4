#include "function/function_mp.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "data/error.h"
#include "data/game.h"
#include "graphics/graphics.h"
#include "graphics/shapes.h"
#include "graphics/vertex.h"
#include "object/collision.h"
#include "object/motion.h"
#include "object/path_follow.h"
#include "object/planning.h"
#include "path/mp_grid.h"
#include "path/path.h"
#include "value/args.h"

namespace {

constexpr const char* kNoPathToAssign = "Trying to assign to a non-existing path.";

void SetBool(CValue& result, bool b) { result.SetReal(b ? 1.0 : 0.0); }

// -1 and -2 name self and other by id.
int Named(int obj, const CInstance* self, const CInstance* other) {
    if (obj == -1) return self ? self->id : kNoone;
    if (obj == -2) return other ? other->id : kNoone;
    return obj;
}

CPlaceRule AllOrSolid(int argc, const CValue* args, int i) {
    CPlaceRule rule;
    rule.checkAll = Arg_Bool(argc, args, i);
    return rule;
}

CPlaceRule AwayFrom(int argc, const CValue* args, int i, const CInstance* self, const CInstance* other) {
    CPlaceRule rule;
    rule.useObject = true;
    rule.obj = Named(Arg_Id(argc, args, i), self, other);
    return rule;
}

// --- stepping -----------------------------------------------------------------------------

template <bool Potential, bool Object>
void F_Step(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    if (!self) return SetBool(result, false);
    const CPlaceRule rule = Object ? AwayFrom(argc, args, 3, self, other) : AllOrSolid(argc, args, 3);
    const double x = Arg_Real(argc, args, 0), y = Arg_Real(argc, args, 1), step = Arg_Real(argc, args, 2);
    SetBool(result, Potential ? MP_PotentialStep(*self, x, y, step, rule) : MP_LinearStep(*self, x, y, step, rule));
}

template <bool Object>
void F_LinearPath(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    CPath* path = Path_Find(Arg_Index(argc, args, 0));
    if (!path) {
        Code_ShowError(kNoPathToAssign, false);
        return SetBool(result, false);
    }
    if (!self) return SetBool(result, false);
    const CPlaceRule rule = Object ? AwayFrom(argc, args, 4, self, other) : AllOrSolid(argc, args, 4);
    SetBool(result, MP_LinearPath(*self, *path, Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                                  Arg_Real(argc, args, 3), rule));
}

template <bool Object>
void F_PotentialPath(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    CPath* path = Path_Find(Arg_Index(argc, args, 0));
    if (!path) {
        Code_ShowError(kNoPathToAssign, false);
        return SetBool(result, false);
    }
    if (!self) return SetBool(result, false);
    const CPlaceRule rule = Object ? AwayFrom(argc, args, 5, self, other) : AllOrSolid(argc, args, 5);
    SetBool(result, MP_PotentialPath(*self, *path, Arg_Real(argc, args, 1), Arg_Real(argc, args, 2),
                                     Arg_Real(argc, args, 3), Arg_Real(argc, args, 4), rule));
}

void F_PotentialSettings(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CPotentialSettings& s = MP_Potential();
    s.maxRot = std::max(1.0, Arg_Real(argc, args, 0));
    s.rotStep = std::max(1.0, Arg_Real(argc, args, 1));
    s.ahead = std::max(1.0, Arg_Real(argc, args, 2));
    s.onSpot = Arg_Flag(argc, args, 3);
}

// --- grids --------------------------------------------------------------------------------

CGrid* GridArg(int argc, const CValue* args) { return MPGrid_Find(Arg_Id(argc, args, 0)); }

void F_GridCreate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(MPGrid_Create(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2),
                                 Arg_Int(argc, args, 3), Arg_Int(argc, args, 4), Arg_Int(argc, args, 5)));
}

void F_GridDestroy(CValue&, CInstance*, CInstance*, int argc, CValue* args) { MPGrid_Destroy(Arg_Id(argc, args, 0)); }

void F_GridClearAll(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CGrid* g = GridArg(argc, args)) std::fill(g->cells.begin(), g->cells.end(), 0);
}

template <int Value>
void F_GridCell(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CGrid* g = GridArg(argc, args);
    const int h = Arg_Int(argc, args, 1), v = Arg_Int(argc, args, 2);
    if (g && g->Inside(h, v)) g->At(h, v) = Value;
}

template <int Value>
void F_GridRectangle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CGrid* g = GridArg(argc, args))
        g->SetRectangle(Arg_Int(argc, args, 1), Arg_Int(argc, args, 2), Arg_Int(argc, args, 3), Arg_Int(argc, args, 4),
                        Value);
}

void ForbidCovered(CGrid& g, CInstance& i, bool precise) {
    Motion_UpdateBox(i);
    int cx0, cy0, cx1, cy1;
    g.CellRange(i.bboxLeft, i.bboxTop, i.bboxRight, i.bboxBottom, cx0, cy0, cx1, cy1);
    for (int x = cx0; x <= cx1; ++x) {
        for (int y = cy0; y <= cy1; ++y) {
            int& cell = g.At(x, y);
            if (cell < 0) continue;
            if (precise) {
                const double l = g.left + double(g.cellWidth) * x, t = g.top + double(g.cellHeight) * y;
                if (!Collision_Rectangle(i, l, t, l + g.cellWidth - 1, t + g.cellHeight - 1, true)) continue;
            }
            cell = -1;
        }
    }
}

void F_GridAddInstances(CValue&, CInstance* self, CInstance* other, int argc, CValue* args) {
    CGrid* g = GridArg(argc, args);
    if (!g) return;
    const int obj = Named(Arg_Id(argc, args, 1), self, other);
    const bool precise = Arg_Flag(argc, args, 2);
    const CInstanceWorld& world = *Game().world;
    std::vector<CInstance*> list;
    if (obj == -3) {
        world.All(list);
    } else if (obj >= kFirstInstanceId) {
        if (CInstance* i = world.Find(obj); i && !i->marked) list.push_back(i);
    } else if (obj >= 0) {
        world.OfObjectAll(obj, list);
    }
    for (CInstance* i : list) ForbidCovered(*g, *i, precise);
}

void F_GridPath(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CGrid* g = GridArg(argc, args);
    if (!g) return SetBool(result, false);
    CPath* path = Path_Find(Arg_Index(argc, args, 1));
    if (!path) {
        Code_ShowError(kNoPathToAssign, false);
        return SetBool(result, false);
    }
    SetBool(result, MPGrid_Path(*g, *path, Arg_Real(argc, args, 2), Arg_Real(argc, args, 3), Arg_Real(argc, args, 4),
                                Arg_Real(argc, args, 5), Arg_Bool(argc, args, 6)));
}

// Free cells green, forbidden ones red, in the drawing alpha.
void F_GridDraw(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const CGrid* g = GridArg(argc, args);
    if (!g) return;
    const uint32_t freeColour = Colour_ToDevice(0x00FF00, Graphics_AlphaByte());
    const uint32_t forbidden = Colour_ToDevice(0x0000FF, Graphics_AlphaByte());
    for (int x = 0; x < g->hcells; ++x) {
        for (int y = 0; y < g->vcells; ++y) {
            const float l = float(g->left + double(g->cellWidth) * x), t = float(g->top + double(g->cellHeight) * y);
            const uint32_t c = g->At(x, y) < 0 ? forbidden : freeColour;
            Shapes_Rectangle(l, t, l + float(g->cellWidth), t + float(g->cellHeight), c, c, c, c, false);
        }
    }
}

}  // namespace

extern const FunctionImpl kMpFunctions[] = {
    {"mp_linear_step", F_Step<false, false>},
    {"mp_linear_step_object", F_Step<false, true>},
    {"mp_linear_path", F_LinearPath<false>},
    {"mp_linear_path_object", F_LinearPath<true>},
    {"mp_potential_settings", F_PotentialSettings},
    {"mp_potential_step", F_Step<true, false>},
    {"mp_potential_step_object", F_Step<true, true>},
    {"mp_potential_path", F_PotentialPath<false>},
    {"mp_potential_path_object", F_PotentialPath<true>},
    {"mp_grid_create", F_GridCreate},
    {"mp_grid_destroy", F_GridDestroy},
    {"mp_grid_clear_all", F_GridClearAll},
    {"mp_grid_clear_cell", F_GridCell<0>},
    {"mp_grid_add_cell", F_GridCell<-1>},
    {"mp_grid_clear_rectangle", F_GridRectangle<0>},
    {"mp_grid_add_rectangle", F_GridRectangle<-1>},
    {"mp_grid_add_instances", F_GridAddInstances},
    {"mp_grid_path", F_GridPath},
    {"mp_grid_draw", F_GridDraw},
};
extern const size_t kMpFunctionCount = std::size(kMpFunctions);
