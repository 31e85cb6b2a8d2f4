// The followed polyline of paths, positions along it, the edits about the centre, the
// stream form, and the grid route search. Expected numbers are worked out here from the
// geometry (a smooth path's points lie on quadratic curves between control-point
// midpoints), not read back from the code under test.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "io/stream.h"
#include "path/mp_grid.h"
#include "path/path.h"

namespace {

struct XY {
    double x, y;
};

CPath MakePath(std::vector<XY> pts, int kind, bool closed, int precision = 4) {
    CPath p;
    p.kind = kind;
    p.closed = closed;
    p.precision = precision;
    for (const XY& q : pts) p.points.push_back({float(q.x), float(q.y), 100});
    return p;
}

// The quadratic curve from the middle of (p, q) with control q to the middle of (q, r).
XY Curve(XY p, XY q, XY r, double t) {
    const XY a{(p.x + q.x) / 2, (p.y + q.y) / 2}, c{(q.x + r.x) / 2, (q.y + r.y) / 2};
    const double u = 1 - t;
    return {u * u * a.x + 2 * t * u * q.x + t * t * c.x, u * u * a.y + 2 * t * u * q.y + t * t * c.y};
}

// The position at fraction t of a polyline, measured along it.
XY Along(const std::vector<XY>& line, double t) {
    double total = 0;
    for (size_t i = 1; i < line.size(); ++i) total += std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y);
    double d = total * t;
    for (size_t i = 1; i < line.size(); ++i) {
        const double seg = std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y);
        if (d < seg)
            return {line[i - 1].x + (line[i].x - line[i - 1].x) * d / seg,
                    line[i - 1].y + (line[i].y - line[i - 1].y) * d / seg};
        d -= seg;
    }
    return line.back();
}

void ExpectNodes(const CPath& p, const std::vector<XY>& expected) {
    const std::vector<CPathNode>& nodes = p.Nodes();
    ASSERT_EQ(nodes.size(), expected.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_NEAR(nodes[i].x, expected[i].x, 1e-3) << "point " << i;
        EXPECT_NEAR(nodes[i].y, expected[i].y, 1e-3) << "point " << i;
    }
}

const std::vector<XY> kSquare = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
const std::vector<XY> kBend = {{0, 0}, {100, 0}, {100, 100}};

TEST(Path, StraightPolylineIsTheControlPointsAndClosesOnItsFirst) {
    ExpectNodes(MakePath(kBend, 0, false), kBend);
    CPath square = MakePath(kSquare, 0, true);
    ExpectNodes(square, {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}});
    EXPECT_DOUBLE_EQ(square.Length(), 400);
}

TEST(Path, SmoothPolylineFollowsTheCurvesBetweenMidpoints) {
    // Open: the first point, the curve at quarters (depth 2: the legs are long), the last.
    std::vector<XY> open = {kBend[0]};
    for (double t : {0.25, 0.5, 0.75}) open.push_back(Curve(kBend[0], kBend[1], kBend[2], t));
    open.push_back(kBend[2]);
    ExpectNodes(MakePath(kBend, 1, false, 2), open);

    // Closed, depth 1: the middle of each corner's curve, then the first again.
    std::vector<XY> closed;
    for (size_t i = 1; i <= 4; ++i) closed.push_back(Curve(kSquare[i - 1], kSquare[i % 4], kSquare[(i + 1) % 4], 0.5));
    closed.push_back(closed.front());
    ExpectNodes(MakePath(kSquare, 1, true, 1), closed);
}

TEST(Path, ShortLegsStopTheSubdivision) {
    // Legs of 3 pixels: one point per curve whatever the depth.
    CPath p = MakePath({{0, 0}, {3, 0}, {3, 3}}, 1, false, 6);
    ExpectNodes(p, {{0, 0}, Curve({0, 0}, {3, 0}, {3, 3}, 0.5), {3, 3}});
}

TEST(Path, PositionsAtFractions) {
    struct Case {
        const char* name;
        CPath path;
        std::vector<XY> line;  // the polyline worked out independently
    };
    std::vector<XY> smooth = {kBend[0]};
    for (double t : {0.125, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875})
        smooth.push_back(Curve(kBend[0], kBend[1], kBend[2], t));
    smooth.push_back(kBend[2]);
    std::vector<XY> smoothClosed;
    for (size_t i = 1; i <= 4; ++i)
        smoothClosed.push_back(Curve(kSquare[i - 1], kSquare[i % 4], kSquare[(i + 1) % 4], 0.5));
    smoothClosed.push_back(smoothClosed.front());
    const Case cases[] = {
        {"straight open", MakePath(kBend, 0, false), kBend},
        {"straight closed", MakePath(kSquare, 0, true), {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}},
        {"smooth open", MakePath(kBend, 1, false, 3), smooth},
        {"smooth closed", MakePath(kSquare, 1, true, 1), smoothClosed},
    };
    for (const Case& c : cases) {
        for (double t : {0.0, 0.1, 0.25, 0.5, 0.6, 0.9, 1.0}) {
            const CPathSample s = Path_Point(c.path, t);
            const XY e = Along(c.line, t);
            EXPECT_NEAR(s.x, e.x, 1e-3) << c.name << " at " << t;
            EXPECT_NEAR(s.y, e.y, 1e-3) << c.name << " at " << t;
        }
        // Outside 0..1 the ends.
        EXPECT_NEAR(Path_Point(c.path, -0.5).x, c.line.front().x, 1e-3) << c.name;
        EXPECT_NEAR(Path_Point(c.path, 7).y, c.line.back().y, 1e-3) << c.name;
    }
}

TEST(Path, SpeedIsInterpolatedAndAnEmptyPathIsTheOrigin) {
    CPath p;
    p.closed = false;
    p.points = {{0, 0, 100}, {100, 0, 50}};
    p.Changed();
    const CPathSample s = Path_Point(p, 0.4);
    EXPECT_DOUBLE_EQ(s.x, 40);
    EXPECT_DOUBLE_EQ(s.speed, 80);
    const CPathSample none = Path_Point(CPath(), 0.5);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
    EXPECT_EQ(none.speed, 100);
}

TEST(Path, EditsAboutTheCentre) {
    struct Case {
        const char* name;
        void (*edit)(CPath&);
        XY first, second;
    };
    // (0,0) -> (100,40): centre (50, 20).
    const Case cases[] = {
        {"mirror", [](CPath& p) { Path_Mirror(p); }, {100, 0}, {0, 40}},
        {"flip", [](CPath& p) { Path_Flip(p); }, {0, 40}, {100, 0}},
        {"rotate 90", [](CPath& p) { Path_Rotate(p, 90); }, {30, 70}, {70, -30}},
        {"scale", [](CPath& p) { Path_Scale(p, 2, 0.5); }, {-50, 10}, {150, 30}},
        {"shift", [](CPath& p) { Path_Shift(p, 5, -5); }, {5, -5}, {105, 35}},
        {"reverse", [](CPath& p) { Path_Reverse(p); }, {100, 40}, {0, 0}},
    };
    for (const Case& c : cases) {
        CPath p = MakePath({{0, 0}, {100, 40}}, 0, false);
        p.Nodes();
        c.edit(p);
        ExpectNodes(p, {c.first, c.second});
        EXPECT_NEAR(Path_Point(p, 1).x, c.second.x, 1e-3) << c.name << ": the polyline follows the edit";
    }
}

TEST(Path, StreamRoundTripAndRejection) {
    CPath p = MakePath(kSquare, 1, false, 3);
    p.points[2].speed = 40;
    CStream s;
    ASSERT_TRUE(Path_Save(p, s));
    s.Seek(0);
    CPath back;
    ASSERT_TRUE(Path_Load(back, s));
    EXPECT_EQ(back.kind, 1);
    EXPECT_FALSE(back.closed);
    EXPECT_EQ(back.precision, 3);
    ASSERT_EQ(back.points.size(), 4u);
    EXPECT_EQ(back.points[2].speed, 40);
    EXPECT_NEAR(back.Length(), p.Length(), 1e-3);

    CStream wrong;
    wrong.WriteInt(531);
    wrong.Seek(0);
    EXPECT_FALSE(Path_Load(back, wrong));
    EXPECT_EQ(back.points.size(), 4u);
}

// --- grids ----------------------------------------------------------------------------------

struct GridCase {
    const char* name;
    std::vector<const char*> rows;  // '#' forbidden, cells of 10 pixels, the grid at (0, 0)
    XY start, goal;
    bool diagonal;
    std::vector<XY> route;  // empty: no route
};

std::unique_ptr<CGrid> GridOf(const std::vector<const char*>& rows) {
    auto g = std::make_unique<CGrid>(0, 0, int(std::string(rows[0]).size()), int(rows.size()), 10, 10);
    for (int y = 0; y < g->vcells; ++y)
        for (int x = 0; x < g->hcells; ++x)
            if (rows[size_t(y)][x] == '#') g->At(x, y) = -1;
    return g;
}

TEST(Grid, RoutesOnSmallMazes) {
    const GridCase cases[] = {
        // Around a wall: the walk back takes the first neighbour one step nearer, left,
        // right, up, down in that order.
        {"around a wall",
         {"..#..", "..#..", "....."},
         {3, 4},
         {44, 6},
         false,
         {{3, 4}, {5, 15}, {5, 25}, {15, 25}, {25, 25}, {35, 25}, {35, 15}, {35, 5}, {44, 6}}},
        {"diagonal across an open square", {"...", "...", "..."}, {5, 5}, {25, 25}, true, {{5, 5}, {15, 15}, {25, 25}}},
        {"no diagonal past a corner", {".#", ".."}, {5, 5}, {15, 15}, true, {{5, 5}, {5, 15}, {15, 15}}},
        // Left before up: the walk back from the goal goes left first.
        {"without diagonals, around", {"..", ".."}, {5, 5}, {15, 15}, false, {{5, 5}, {5, 15}, {15, 15}}},
        {"start and goal in one cell", {"..."}, {2, 2}, {8, 8}, false, {{2, 2}, {8, 8}}},
        {"walled off", {".#.", ".#.", ".#."}, {5, 5}, {25, 25}, true, {}},
        {"goal forbidden", {"..#"}, {5, 5}, {25, 5}, false, {}},
        {"goal outside", {"..."}, {5, 5}, {30, 5}, false, {}},
        {"start outside", {"..."}, {-1, 5}, {25, 5}, false, {}},
    };
    for (const GridCase& c : cases) {
        std::unique_ptr<CGrid> g = GridOf(c.rows);
        const std::vector<int> before = g->cells;
        CPath path = MakePath({{1, 2}, {3, 4}}, 1, true);
        const bool found = MPGrid_Path(*g, path, c.start.x, c.start.y, c.goal.x, c.goal.y, c.diagonal);
        EXPECT_EQ(found, !c.route.empty()) << c.name;
        EXPECT_EQ(g->cells, before) << c.name << ": the marks of the search are cleared";
        if (c.route.empty()) {
            EXPECT_EQ(path.points.size(), 2u) << c.name << ": the path is left as it was";
            continue;
        }
        EXPECT_EQ(path.kind, 0) << c.name;
        EXPECT_FALSE(path.closed) << c.name;
        ASSERT_EQ(path.points.size(), c.route.size()) << c.name;
        for (size_t i = 0; i < c.route.size(); ++i) {
            EXPECT_EQ(path.points[i].x, c.route[i].x) << c.name << " point " << i;
            EXPECT_EQ(path.points[i].y, c.route[i].y) << c.name << " point " << i;
        }
    }
}

TEST(Grid, OpenGridRoutesRunStraight) {
    // 10 x 10 cells of 16 pixels: along the top row, and with diagonals along the diagonal.
    CGrid g(0, 0, 10, 10, 16, 16);
    CPath path;
    ASSERT_TRUE(MPGrid_Path(g, path, 8, 8, 152, 8, false));
    ASSERT_EQ(path.points.size(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(path.points[i].x, 8 + 16 * double(i));
        EXPECT_EQ(path.points[i].y, 8);
    }
    ASSERT_TRUE(MPGrid_Path(g, path, 8, 8, 152, 152, true));
    ASSERT_EQ(path.points.size(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(path.points[i].x, 8 + 16 * double(i));
        EXPECT_EQ(path.points[i].y, 8 + 16 * double(i));
    }
    EXPECT_NEAR(path.Length(), 144 * std::sqrt(2.0), 1e-3);
}

TEST(Grid, RectanglesCoverTheCellsTheyOverlap) {
    CGrid g(100, 50, 4, 3, 10, 10);
    g.SetRectangle(125, 79, 112, 61, -1);  // corners in either order: columns 1..2, rows 1..2
    std::vector<int> expected(12, 0);
    for (int x = 1; x <= 2; ++x)
        for (int y = 1; y <= 2; ++y) expected[size_t(x * 3 + y)] = -1;
    EXPECT_EQ(g.cells, expected);
    g.SetRectangle(0, 0, 1000, 1000, 0);  // clamped to the grid
    EXPECT_EQ(g.cells, std::vector<int>(12, 0));
}

TEST(Grid, IdsReuseTheFirstEmptySlot) {
    MPGrid_DestroyAll();
    const int a = MPGrid_Create(0, 0, 2, 2, 8, 8), b = MPGrid_Create(0, 0, 2, 2, 8, 8);
    EXPECT_NE(a, b);
    MPGrid_Destroy(a);
    EXPECT_EQ(MPGrid_Find(a), nullptr);
    EXPECT_EQ(MPGrid_Create(0, 0, 1, 1, 8, 8), a);
    MPGrid_DestroyAll();
}

}  // namespace
