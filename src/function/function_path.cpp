#include "function/function_path.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

#include "data/error.h"
#include "data/game.h"
#include "data/game_resources.h"
#include "graphics/graphics.h"
#include "graphics/shapes.h"
#include "graphics/vertex.h"
#include "object/path_follow.h"
#include "path/path.h"
#include "value/args.h"

namespace {

constexpr const char* kNoPathToAssign = "Trying to assign to a non-existing path.";

CPath* PathArg(int argc, const CValue* args, int i) { return Path_Find(Arg_Index(argc, args, i)); }

// A control point index of the path, or -1.
int PointArg(const CPath& p, int argc, const CValue* args, int i) {
    const int n = Arg_Int(argc, args, i);
    return n >= 0 && size_t(n) < p.points.size() ? n : -1;
}

CPathPoint PointFrom(int argc, const CValue* args, int first) {
    return {Arg_Float(argc, args, first), Arg_Float(argc, args, first + 1), Arg_Float(argc, args, first + 2)};
}

int AddPath(std::unique_ptr<CPath> path) {
    auto& paths = Game().resources->paths;
    const size_t index = paths.size();
    path->name = "__newpath" + std::to_string(index);
    paths.push_back(std::move(path));
    return int(index);
}

// --- following ----------------------------------------------------------------------------

void F_PathStart(CValue&, CInstance* self, CInstance*, int argc, CValue* args) {
    const int path = Arg_Index(argc, args, 0);
    if (!Path_Find(path)) return Code_ShowError(kNoPathToAssign, false);
    if (!self) return;
    Path_StartInstance(*self, path, Arg_Real(argc, args, 1), 1.0, 0.0, !Arg_Flag(argc, args, 3),
                       Arg_Int(argc, args, 2));
}

void F_PathEnd(CValue&, CInstance* self, CInstance*, int, CValue*) {
    if (self) Path_StartInstance(*self, -1, 0, 1, 0, true, 0);
}

// --- reading ------------------------------------------------------------------------------

void F_PathExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(PathArg(argc, args, 0) ? 1.0 : 0.0);
}

void F_PathGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPath* p = PathArg(argc, args, 0);
    result.SetString(p ? p->name.c_str() : "<undefined>");
}

template <double (*Field)(const CPath&)>
void F_PathField(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CPath* p = PathArg(argc, args, 0)) result.SetReal(Field(*p));
}
double LengthOf(const CPath& p) { return p.Length(); }
double KindOf(const CPath& p) { return p.kind; }
double ClosedOf(const CPath& p) { return p.closed ? 1.0 : 0.0; }
double PrecisionOf(const CPath& p) { return p.precision; }
double NumberOf(const CPath& p) { return double(p.points.size()); }

// Control point n; outside the list x and y read 0 and the speed 1.
template <int Which>
void F_PathGetPoint(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPath* p = PathArg(argc, args, 0);
    if (!p) return;
    const int n = PointArg(*p, argc, args, 1);
    if (n < 0) return result.SetReal(Which == 2 ? 1.0 : 0.0);
    const CPathPoint& q = p->points[size_t(n)];
    result.SetReal(Which == 0 ? q.x : Which == 1 ? q.y : q.speed);
}

template <int Which>
void F_PathGetAt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPath* p = PathArg(argc, args, 0);
    if (!p) return;
    const CPathSample s = Path_Point(*p, Arg_Real(argc, args, 1));
    result.SetReal(Which == 0 ? s.x : Which == 1 ? s.y : s.speed);
}

// --- settings and the table ----------------------------------------------------------------

void F_PathSetKind(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) {
        p->kind = Arg_Int(argc, args, 1);
        p->Changed();
    }
}

void F_PathSetClosed(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) {
        p->closed = Arg_Bool(argc, args, 1);
        p->Changed();
    }
}

void F_PathSetPrecision(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) {
        p->precision = Arg_Int(argc, args, 1);
        p->Changed();
    }
}

void F_PathAdd(CValue& result, CInstance*, CInstance*, int, CValue*) {
    result.SetReal(AddPath(std::make_unique<CPath>()));
}

void F_PathDuplicate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CPath* p = PathArg(argc, args, 0);
    if (!p) {
        Code_ShowError("Trying to duplicate non-existing path.", false);
        return result.SetReal(-1);
    }
    auto copy = std::make_unique<CPath>();
    Path_Assign(*copy, *p);
    result.SetReal(AddPath(std::move(copy)));
}

void F_PathAssign(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CPath* target = PathArg(argc, args, 0);
    const CPath* source = PathArg(argc, args, 1);
    if (target && source) Path_Assign(*target, *source);
}

void F_PathAppend(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CPath* p = PathArg(argc, args, 0);
    const CPath* source = PathArg(argc, args, 1);
    if (!p || !source) return Code_ShowError("Appending to non-existing path.", false);
    const std::vector<CPathPoint> added = source->points;  // the source may be the path itself
    p->points.insert(p->points.end(), added.begin(), added.end());
    p->Changed();
}

void F_PathDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const int index = Arg_Index(argc, args, 0);
    if (Path_Find(index)) Game().resources->paths[size_t(index)].reset();
}

// --- control points -----------------------------------------------------------------------

void F_PathAddPoint(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) {
        p->points.push_back(PointFrom(argc, args, 1));
        p->Changed();
    }
}

void F_PathInsertPoint(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CPath* p = PathArg(argc, args, 0);
    if (!p) return;
    const int n = std::clamp(Arg_Int(argc, args, 1), 0, int(p->points.size()));
    p->points.insert(p->points.begin() + n, PointFrom(argc, args, 2));
    p->Changed();
}

void F_PathChangePoint(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CPath* p = PathArg(argc, args, 0);
    if (!p) return;
    const int n = PointArg(*p, argc, args, 1);
    if (n < 0) return;
    p->points[size_t(n)] = PointFrom(argc, args, 2);
    p->Changed();
}

void F_PathDeletePoint(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CPath* p = PathArg(argc, args, 0);
    if (!p) return;
    const int n = PointArg(*p, argc, args, 1);
    if (n < 0) return;
    p->points.erase(p->points.begin() + n);
    p->Changed();
}

void F_PathClearPoints(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) {
        p->points.clear();
        p->Changed();
    }
}

void F_PathReverse(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) Path_Reverse(*p);
}
void F_PathMirror(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) Path_Mirror(*p);
}
void F_PathFlip(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) Path_Flip(*p);
}
void F_PathRotate(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) Path_Rotate(*p, Arg_Real(argc, args, 1));
}
void F_PathScale(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) Path_Scale(*p, Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}
void F_PathShift(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CPath* p = PathArg(argc, args, 0)) Path_Shift(*p, Arg_Real(argc, args, 1), Arg_Real(argc, args, 2));
}

// draw_path (path, x, y, absolute): the followed polyline in the drawing colour, where
// the path lies or with its first point at (x, y).
void F_DrawPath(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    const CPath* p = PathArg(argc, args, 0);
    if (!p) return;
    const std::vector<CPathNode>& nodes = p->Nodes();
    if (nodes.empty()) return;
    double dx = 0, dy = 0;
    if (!Arg_Bool(argc, args, 3)) {
        dx = Arg_Real(argc, args, 1) - nodes.front().x;
        dy = Arg_Real(argc, args, 2) - nodes.front().y;
    }
    const uint32_t c = Graphics_ColourDevice();
    for (size_t k = 1; k < nodes.size(); ++k)
        Shapes_Line(float(nodes[k - 1].x + dx), float(nodes[k - 1].y + dy), float(nodes[k].x + dx),
                    float(nodes[k].y + dy), c, c);
}

}  // namespace

extern const FunctionImpl kPathFunctions[] = {
    {"path_start", F_PathStart},
    {"path_end", F_PathEnd},
    {"path_exists", F_PathExists},
    {"path_get_name", F_PathGetName},
    {"path_name", F_PathGetName},
    {"path_get_length", F_PathField<LengthOf>},
    {"path_get_kind", F_PathField<KindOf>},
    {"path_get_closed", F_PathField<ClosedOf>},
    {"path_get_precision", F_PathField<PrecisionOf>},
    {"path_get_number", F_PathField<NumberOf>},
    {"path_get_point_x", F_PathGetPoint<0>},
    {"path_get_point_y", F_PathGetPoint<1>},
    {"path_get_point_speed", F_PathGetPoint<2>},
    {"path_get_x", F_PathGetAt<0>},
    {"path_get_y", F_PathGetAt<1>},
    {"path_get_speed", F_PathGetAt<2>},
    {"path_set_kind", F_PathSetKind},
    {"path_set_closed", F_PathSetClosed},
    {"path_set_precision", F_PathSetPrecision},
    {"path_add", F_PathAdd},
    {"path_duplicate", F_PathDuplicate},
    {"path_assign", F_PathAssign},
    {"path_append", F_PathAppend},
    {"path_delete", F_PathDelete},
    {"path_add_point", F_PathAddPoint},
    {"path_insert_point", F_PathInsertPoint},
    {"path_change_point", F_PathChangePoint},
    {"path_delete_point", F_PathDeletePoint},
    {"path_clear_points", F_PathClearPoints},
    {"path_reverse", F_PathReverse},
    {"path_mirror", F_PathMirror},
    {"path_flip", F_PathFlip},
    {"path_rotate", F_PathRotate},
    {"path_scale", F_PathScale},
    {"path_shift", F_PathShift},
    {"draw_path", F_DrawPath},
};
extern const size_t kPathFunctionCount = std::size(kPathFunctions);
