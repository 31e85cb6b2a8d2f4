#pragma once
// The 3-D layer on top of the drawing device: 3-D mode, the projection set-ups, the
// world transform and its stack, lights, primitives built vertex by vertex and the
// basic shapes (blocks, cylinders, cones, ellipsoids, walls, floors).
//
// Conventions. Matrices are row-vector (v * M), stored row by row, as the device takes
// them. Angles are in degrees. The world is left-handed: looking down from +z with the
// up vector (0, -1, 0), x runs to the right and y down, as in a room. Positive rotation
// angles about an axis turn the next axis towards the one after it (x towards y about z,
// y towards z about x, z towards x about y). "Add" transforms act after the current
// world transform (W' = W * M).
//
// Faces are wound so that the visible side of every shape is its outer side: with
// culling on, only the sides facing away are removed.
#include <cstdint>
#include <vector>

#include "graphics/vertex.h"

// --- mode and state --------------------------------------------------------------------------

// 3-D mode on: hidden-surface removal and perspective on; views are then drawn with a
// perspective projection until the game sets its own.
void D3D_Start();
// Back to 2-D: no depth test, the 2-D projection from the next view on.
void D3D_End();

// --- matrices ----------------------------------------------------------------------------------

struct CD3DMatrix {
    float m[16];
};
CD3DMatrix D3D_Identity();
CD3DMatrix D3D_Translation(double x, double y, double z);
CD3DMatrix D3D_Scaling(double x, double y, double z);
// About the axis (x, y, z); the identity for a zero axis.
CD3DMatrix D3D_RotationAxis(double x, double y, double z, double degrees);
CD3DMatrix D3D_Multiply(const CD3DMatrix& a, const CD3DMatrix& b);  // a then b
// A point through the matrix (row vector, w = 1), for tests and picking.
void D3D_TransformPoint(const CD3DMatrix& m, double& x, double& y, double& z);

// --- the world transform and its stack -----------------------------------------------------

void D3D_TransformSet(const CD3DMatrix& m);
void D3D_TransformAdd(const CD3DMatrix& m);
CD3DMatrix D3D_TransformGet();

constexpr int kD3DStackLimit = 1000;
// Push: a copy of the world transform on top (false when the stack is full).
// Pop: the world transform becomes the top, which is removed. Top: the same without
// removing. Discard: the top removed, the transform unchanged. False when empty.
bool D3D_StackPush();
bool D3D_StackPop();
bool D3D_StackTop();
bool D3D_StackDiscard();
void D3D_StackClear();
bool D3D_StackEmpty();
int D3D_StackSize();

// --- projections ---------------------------------------------------------------------------

// From, to, up; a 45 degree vertical field of view, the aspect of the current port,
// near 1, far 32000.
void D3D_SetProjection(double xf, double yf, double zf, double xt, double yt, double zt, double xu, double yu,
                       double zu);
// angle: vertical field of view in degrees; aspect = width / height.
void D3D_SetProjectionExt(double xf, double yf, double zf, double xt, double yt, double zt, double xu, double yu,
                          double zu, double angle, double aspect, double znear, double zfar);
// The 2-D projection of a room rectangle (orthographic), rotated by angle.
void D3D_SetProjectionOrtho(double x, double y, double w, double h, double angle);
// The same rectangle seen in perspective from a distance of its width, upright.
void D3D_SetProjectionPerspective(double x, double y, double w, double h, double angle);

// --- lights ------------------------------------------------------------------------------------

// Colours are script colours (0xBBGGRR). Indices 0..kMaxLights-1; others are ignored.
void D3D_LightAmbient(uint32_t bgr);
// (dx, dy, dz): the direction the light travels.
void D3D_LightDirection(int index, double dx, double dy, double dz, uint32_t bgr);
void D3D_LightPoint(int index, double x, double y, double z, double range, uint32_t bgr);
void D3D_LightEnable(int index, bool on);

// --- geometry ----------------------------------------------------------------------------------

// A vertex as built: position, normal, device colour (0xAARRGGBB), texture coordinates
// 0..1 over the texture's image. `ownColour` false: the colour is taken when drawn.
struct CD3DVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float u = 0, v = 0;
    uint32_t colour = 0xFFFFFFFFu;
    bool ownColour = false;
};
struct CD3DMesh {
    int primitive = 4;  // kPrim*
    std::vector<CD3DVertex> vertices;
};
using TD3DMeshes = std::vector<CD3DMesh>;

// Draws meshes with a texture id (-1: none); vertices without their own colour take
// `colour`. Runs longer than the batch are split (strips and fans become lists).
void D3D_DrawMeshes(const TD3DMeshes& meshes, int texture, uint32_t colour);

// Shapes as meshes. steps are clamped to 3..128; repeats scale the texture coordinates.
void D3D_ShapeBlock(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hrepeat,
                    double vrepeat);
void D3D_ShapeCylinder(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2,
                       double hrepeat, double vrepeat, bool closed, int steps);
// Base at z1, apex above the centre at z2.
void D3D_ShapeCone(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hrepeat,
                   double vrepeat, bool closed, int steps);
void D3D_ShapeEllipsoid(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2,
                        double hrepeat, double vrepeat, int steps);
// A vertical rectangle from (x1, y1) to (x2, y2), between heights z1 and z2; its front
// is on the left going from the first corner to the second (as the room shows it).
void D3D_ShapeWall(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hrepeat,
                   double vrepeat);
// A rectangle from (x1, y1, z1) to (x2, y2, z2), z varying along y; it faces up (+z).
void D3D_ShapeFloor(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hrepeat,
                    double vrepeat);

// --- primitives built one vertex at a time ----------------------------------------------

constexpr int kD3DPrimitiveLimit = 32768;
// kind 1..6 (point list .. triangle fan); texture -1 for none. A begin while one is open
// starts afresh.
void D3D_PrimitiveBegin(int kind, int texture);
// Ignored outside begin/end and past kD3DPrimitiveLimit vertices.
void D3D_PrimitiveVertex(const CD3DVertex& v);
void D3D_PrimitiveEnd();
