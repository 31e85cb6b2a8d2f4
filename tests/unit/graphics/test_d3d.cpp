// The 3-D layer without a device: the world transform and its stack, the order in
// which "add" transforms compose, the winding and normals of the shapes (what culling
// and lighting rely on), and the model file: an exact save/load round trip and the
// refusal of malformed files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "graphics/d3d.h"
#include "graphics/d3d_model.h"

namespace {

void ExpectPoint(const CD3DMatrix& m, double x, double y, double z, double ex, double ey, double ez) {
    D3D_TransformPoint(m, x, y, z);
    EXPECT_NEAR(x, ex, 1e-4);
    EXPECT_NEAR(y, ey, 1e-4);
    EXPECT_NEAR(z, ez, 1e-4);
}

class D3DTransform : public ::testing::Test {
protected:
    void SetUp() override {
        D3D_StackClear();
        D3D_TransformSet(D3D_Identity());
    }
    void TearDown() override { SetUp(); }
};

TEST_F(D3DTransform, AddComposesAfterTheCurrentTransform) {
    D3D_TransformSet(D3D_Translation(10, 0, 0));
    D3D_TransformAdd(D3D_RotationAxis(0, 0, 1, 90));  // x towards y
    ExpectPoint(D3D_TransformGet(), 0, 0, 0, 0, 10, 0);
    ExpectPoint(D3D_TransformGet(), 1, 0, 0, 0, 11, 0);
    D3D_TransformAdd(D3D_Scaling(2, 3, 4));
    ExpectPoint(D3D_TransformGet(), 0, 0, 1, 0, 30, 4);
    // The other axes: y towards z about x, z towards x about y.
    ExpectPoint(D3D_RotationAxis(1, 0, 0, 90), 0, 1, 0, 0, 0, 1);
    ExpectPoint(D3D_RotationAxis(0, 1, 0, 90), 0, 0, 1, 1, 0, 0);
    ExpectPoint(D3D_RotationAxis(0, 0, 0, 90), 1, 2, 3, 1, 2, 3);  // no axis: unchanged
}

TEST_F(D3DTransform, StackPushPopTopDiscard) {
    EXPECT_TRUE(D3D_StackEmpty());
    EXPECT_FALSE(D3D_StackPop());
    EXPECT_FALSE(D3D_StackTop());
    EXPECT_FALSE(D3D_StackDiscard());

    D3D_TransformSet(D3D_Translation(1, 0, 0));
    ASSERT_TRUE(D3D_StackPush());
    D3D_TransformSet(D3D_Translation(2, 0, 0));
    ASSERT_TRUE(D3D_StackPush());
    D3D_TransformSet(D3D_Translation(3, 0, 0));
    EXPECT_FALSE(D3D_StackEmpty());

    ASSERT_TRUE(D3D_StackTop());  // the top, kept
    ExpectPoint(D3D_TransformGet(), 0, 0, 0, 2, 0, 0);
    EXPECT_EQ(D3D_StackSize(), 2);
    D3D_TransformSet(D3D_Translation(3, 0, 0));
    ASSERT_TRUE(D3D_StackDiscard());  // dropped, transform unchanged
    ExpectPoint(D3D_TransformGet(), 0, 0, 0, 3, 0, 0);
    ASSERT_TRUE(D3D_StackPop());
    ExpectPoint(D3D_TransformGet(), 0, 0, 0, 1, 0, 0);
    EXPECT_TRUE(D3D_StackEmpty());

    for (int i = 0; i < kD3DStackLimit; ++i) ASSERT_TRUE(D3D_StackPush());
    EXPECT_FALSE(D3D_StackPush());
    D3D_StackClear();
    EXPECT_TRUE(D3D_StackEmpty());
}

// --- shapes --------------------------------------------------------------------------------------

struct ShapeCase {
    const char* name;
    void (*make)(TD3DMeshes&, double, double, double, double, double, double);
    bool closed;  // normals must point away from the centre
};

const ShapeCase kShapes[] = {
    {"block",
     [](TD3DMeshes& m, double a, double b, double c, double d, double e, double f) {
         D3D_ShapeBlock(m, a, b, c, d, e, f, 1, 1);
     },
     true},
    {"cylinder",
     [](TD3DMeshes& m, double a, double b, double c, double d, double e, double f) {
         D3D_ShapeCylinder(m, a, b, c, d, e, f, 1, 1, true, 12);
     },
     true},
    {"cone",
     [](TD3DMeshes& m, double a, double b, double c, double d, double e, double f) {
         D3D_ShapeCone(m, a, b, c, d, e, f, 1, 1, true, 12);
     },
     true},
    {"ellipsoid",
     [](TD3DMeshes& m, double a, double b, double c, double d, double e, double f) {
         D3D_ShapeEllipsoid(m, a, b, c, d, e, f, 1, 1, 12);
     },
     true},
    {"wall",
     [](TD3DMeshes& m, double a, double b, double c, double d, double e, double f) {
         D3D_ShapeWall(m, a, b, c, d, e, f, 1, 1);
     },
     false},
    {"floor",
     [](TD3DMeshes& m, double a, double b, double c, double d, double e, double f) {
         D3D_ShapeFloor(m, a, b, c, d, e, f, 1, 1);
     },
     false},
};

// Every triangle winds clockwise as seen from the side its normals point to (the side
// culling keeps), and closed shapes have unit normals pointing outwards.
TEST(D3DShapes, TrianglesFaceTheirNormalsOutwards) {
    const double boxes[][6] = {{0, 0, 0, 20, 30, 40}, {20, 30, 40, 0, 0, 0}, {-5, 10, 3, 5, -10, 8}};
    for (const ShapeCase& s : kShapes)
        for (const auto& b : boxes) {
            SCOPED_TRACE(std::string(s.name) + " " + std::to_string(b[0]) + " " + std::to_string(b[3]));
            TD3DMeshes meshes;
            s.make(meshes, b[0], b[1], b[2], b[3], b[4], b[5]);
            ASSERT_FALSE(meshes.empty());
            const double cx = (b[0] + b[3]) / 2, cy = (b[1] + b[4]) / 2, cz = (b[2] + b[5]) / 2;
            int triangles = 0, degenerate = 0;
            for (const CD3DMesh& m : meshes) {
                ASSERT_EQ(m.primitive, kPrimTriangleList);
                ASSERT_EQ(m.vertices.size() % 3, 0u);
                for (size_t i = 0; i < m.vertices.size(); i += 3) {
                    const CD3DVertex& p = m.vertices[i];
                    const CD3DVertex& q = m.vertices[i + 1];
                    const CD3DVertex& r = m.vertices[i + 2];
                    const double ux = q.x - p.x, uy = q.y - p.y, uz = q.z - p.z;
                    const double vx = r.x - p.x, vy = r.y - p.y, vz = r.z - p.z;
                    const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
                    const double area = std::sqrt(nx * nx + ny * ny + nz * nz);
                    if (area < 1e-6) {
                        ++degenerate;
                        continue;
                    }
                    ++triangles;
                    const double sx = p.nx + q.nx + r.nx, sy = p.ny + q.ny + r.ny, sz = p.nz + q.nz + r.nz;
                    EXPECT_GT(nx * sx + ny * sy + nz * sz, 0) << "triangle " << i / 3;
                    for (const CD3DVertex* v : {&p, &q, &r}) {
                        EXPECT_NEAR(std::sqrt(v->nx * v->nx + v->ny * v->ny + v->nz * v->nz), 1.0, 1e-4);
                        if (s.closed) {
                            EXPECT_GE(v->nx * (v->x - cx) + v->ny * (v->y - cy) + v->nz * (v->z - cz), -1e-3);
                        }
                    }
                }
            }
            EXPECT_GT(triangles, 0);
            EXPECT_EQ(degenerate, 0);
        }
}

// --- models ------------------------------------------------------------------------------------

// One of every command, with numbers that do not print short.
CD3DModel EveryCommand() {
    CD3DModel m;
    const double third = 1.0 / 3.0;
    const double numbers[] = {0.1, -123456.789, 1e-300, third, 7, 2.5e17, -0.0, 65280, 0.75, 3};
    for (int op = 0; op < int(ED3DCommand::Count); ++op) {
        const ED3DCommand c = ED3DCommand(op);
        double args[kD3DCommandMaxArgs];
        for (int i = 0; i < kD3DCommandMaxArgs; ++i) args[i] = numbers[(i + op) % 10];
        if (c == ED3DCommand::Begin) args[0] = kPrimTriangleStrip;
        EXPECT_TRUE(m.Add(c, args, D3DCommand_ArgCount(c)));
    }
    return m;
}

TEST(D3DModel, SaveLoadRoundTripsExactly) {
    const CD3DModel original = EveryCommand();
    const auto dir = std::filesystem::temp_directory_path() / ("zorvex_d3d_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "every.zmodel").string();
    std::string error;
    ASSERT_TRUE(D3DModel_Save(original, path, error)) << error;
    CD3DModel loaded;
    ASSERT_TRUE(D3DModel_Load(loaded, path, error)) << error;
    EXPECT_EQ(loaded.Commands(), original.Commands());
    EXPECT_EQ(loaded.ToText(), original.ToText());

    // Builders keep only what can be saved: non-finite numbers become 0, a wrong
    // count of numbers adds nothing.
    CD3DModel odd;
    const double bad[] = {NAN, INFINITY, 1};
    EXPECT_TRUE(odd.Add(ED3DCommand::Vertex, bad, 3));
    EXPECT_FALSE(odd.Add(ED3DCommand::Vertex, bad, 2));
    ASSERT_EQ(odd.Commands().size(), 1u);
    EXPECT_EQ(odd.Commands()[0].args[0], 0);
    EXPECT_EQ(odd.Commands()[0].args[1], 0);
    CD3DModel back;
    ASSERT_TRUE(back.FromText(odd.ToText(), error)) << error;
    EXPECT_EQ(back.Commands(), odd.Commands());

    EXPECT_FALSE(D3DModel_Load(loaded, (dir / "missing.zmodel").string(), error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    std::filesystem::remove_all(dir);
}

TEST(D3DModel, MalformedTextIsRefusedWithTheLineAndModelKept) {
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {"", "empty file"},
        {"# only a comment\n\n", "empty file"},
        {"not-a-model 1\n", "line 1: not a model file"},
        {"zorvex-model\n", "line 1: not a model file"},
        {"zorvex-model 2\nend\n", "line 1: unsupported model version \"2\""},
        {"zorvex-model 1\nbegin 4\nvertx 1 2 3\n", "line 3: unknown command \"vertx\""},
        {"zorvex-model 1\nvertex 1 2\n", "line 2: \"vertex\" takes 3 numbers, found 2"},
        {"zorvex-model 1\n\nend 5\n", "line 3: \"end\" takes 0 numbers, found 1"},
        {"zorvex-model 1\nblock 0 0 0 1 1 1 1 x\n", "line 2: \"x\" is not a number"},
        {"zorvex-model 1\nvertex 1 nan 3\n", "line 2: \"nan\" is not a number"},
        {"zorvex-model 1\nvertex 1 inf 3\n", "line 2: \"inf\" is not a number"},
        {"zorvex-model 1\nvertex 1 1e999 3\n", "line 2: \"1e999\" is not a number"},
        {"zorvex-model 1\nvertex 1 2 3z\n", "line 2: \"3z\" is not a number"},
        {"zorvex-model 1\nbegin 7\n", "line 2: primitive kind 7 is not 1 to 6"},
        {"zorvex-model 1\nbegin 1.5\n", "line 2: primitive kind 1.5 is not 1 to 6"},
        {"zorvex-model 1\nvertex 1 2 " + std::string(5000, '3') + "\n", "line 2: longer than 4096"},
        {std::string("zorvex-model 1\nvertex 1 2\0 3\n", 29), "line 2: not text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        CD3DModel m = EveryCommand();
        const std::vector<CD3DCommand> before = m.Commands();
        std::string error;
        EXPECT_FALSE(m.FromText(c.text, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(m.Commands(), before);
    }
    // Windows line ends, tabs, comments and blank lines are fine.
    CD3DModel m;
    std::string error;
    ASSERT_TRUE(m.FromText("# made by hand\r\nzorvex-model 1\r\n\r\nbegin\t4\r\nvertex 1  2 3\r\nend", error)) << error;
    ASSERT_EQ(m.Commands().size(), 3u);
    EXPECT_EQ(m.Commands()[1].args[2], 3);
}

TEST(D3DModel, GeometryFollowsTheCommands) {
    CD3DModel m;
    const double v[] = {1, 2, 3, 255, 0.5};
    const double tri[] = {kPrimTriangleList};
    m.Add(ED3DCommand::Vertex, v, 3);  // outside a primitive: ignored
    m.Add(ED3DCommand::Begin, tri, 1);
    m.Add(ED3DCommand::Vertex, v, 3);
    m.Add(ED3DCommand::VertexColor, v, 5);
    m.Add(ED3DCommand::Vertex, v, 3);
    m.Add(ED3DCommand::End, nullptr, 0);
    const double box[] = {0, 0, 0, 1, 1, 1, 1, 1};
    m.Add(ED3DCommand::Block, box, 8);
    m.Add(ED3DCommand::Begin, tri, 1);  // never ended: not drawn
    m.Add(ED3DCommand::Vertex, v, 3);
    const TD3DMeshes& meshes = m.Meshes();
    ASSERT_EQ(meshes.size(), 2u);
    ASSERT_EQ(meshes[0].vertices.size(), 3u);
    EXPECT_FALSE(meshes[0].vertices[0].ownColour);
    EXPECT_TRUE(meshes[0].vertices[1].ownColour);
    EXPECT_EQ(meshes[0].vertices[1].colour, 0x7FFF0000u);  // red, alpha 0.5 as a byte
    EXPECT_EQ(meshes[1].vertices.size(), 36u);             // six faces, two triangles each
    m.Clear();
    EXPECT_TRUE(m.Meshes().empty());
}

}  // namespace
