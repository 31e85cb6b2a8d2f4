// The 3-D layer: everything here reaches the device through the drawing layer's
// render states, transforms, lights and the vertex batch (36-byte vertices with
// normals), so the batcher and the caches see 3-D drawing like any other.
#include "graphics/d3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/graphics.h"
#include "graphics/render_backend.h"
#include "graphics/texture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;

struct TVec {
    double x = 0, y = 0, z = 0;
};
TVec Sub(TVec a, TVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TVec Cross(TVec a, TVec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(TVec a, TVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
TVec Normalised(TVec a, TVec fallback = {0, 0, 1}) {
    const double l = std::sqrt(Dot(a, a));
    if (!(l > 1e-300) || !std::isfinite(l)) return fallback;
    return {a.x / l, a.y / l, a.z / l};
}

CD3DMatrix FromRows(const double r[16]) {
    CD3DMatrix m;
    for (int i = 0; i < 16; ++i) m.m[i] = float(r[i]);
    return m;
}

CD3DMatrix LookAtLH(TVec eye, TVec at, TVec up) {
    const TVec z = Normalised(Sub(at, eye));
    TVec x = Normalised(Cross(up, z), {1, 0, 0});
    // An up vector along the line of sight: any perpendicular will do.
    if (std::fabs(Dot(x, z)) > 0.999) x = Normalised(Cross(std::fabs(z.y) < 0.9 ? TVec{0, 1, 0} : TVec{1, 0, 0}, z));
    const TVec y = Cross(z, x);
    const double r[16] = {x.x, y.x, z.x, 0, x.y,          y.y,          z.y,          0,
                          x.z, y.z, z.z, 0, -Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1};
    return FromRows(r);
}

CD3DMatrix OrthoLH(double w, double h, double zn, double zf) {
    const double r[16] = {2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (zf - zn), 0, 0, 0, zn / (zn - zf), 1};
    return FromRows(r);
}

CD3DMatrix PerspectiveLH(double w, double h, double zn, double zf) {
    const double r[16] = {2 * zn / w,          0, 0, 0, 0, 2 * zn / h, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0,
                          zn * zf / (zn - zf), 0};
    return FromRows(r);
}

CD3DMatrix PerspectiveFovLH(double fovY, double aspect, double zn, double zf) {
    const double ys = 1 / std::tan(fovY / 2), xs = ys / aspect;
    const double r[16] = {xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, zn * zf / (zn - zf), 0};
    return FromRows(r);
}

void SetViewAndProjection(const CD3DMatrix& view, const CD3DMatrix& projection) {
    Graphics_SetTransform(0, view.m);
    Graphics_SetTransform(1, projection.m);
}

std::vector<CD3DMatrix> g_stack;
CLight g_lights[kMaxLights];

struct TPrimitive {
    bool open = false;
    int texture = -1;
    CD3DMesh mesh;
};
TPrimitive g_primitive;

// --- drawing meshes ------------------------------------------------------------------------

// The largest count of list vertices that fits a batch and is whole for lines and
// triangles alike.
constexpr int kChunk = (kBatchVertices / 6) * 6;

void Emit(int primitive, Texture* texture, const VertexPNCT* v, int count) {
    if (count <= 0) return;
    void* slot = Graphics_AllocVerts(primitive, texture, int(sizeof(VertexPNCT)), count);
    if (slot) std::memcpy(slot, v, sizeof(VertexPNCT) * size_t(count));
}

// Strips and fans too long for one batch, as lists.
std::vector<VertexPNCT> AsList(int primitive, const std::vector<VertexPNCT>& v, int& listPrimitive) {
    std::vector<VertexPNCT> out;
    const size_t n = v.size();
    if (primitive == kPrimLineStrip) {
        listPrimitive = kPrimLineList;
        for (size_t i = 0; i + 1 < n; ++i) {
            out.push_back(v[i]);
            out.push_back(v[i + 1]);
        }
        return out;
    }
    listPrimitive = kPrimTriangleList;
    for (size_t i = 0; i + 2 < n; ++i) {
        if (primitive == kPrimTriangleFan) {
            out.push_back(v[0]);
            out.push_back(v[i + 1]);
            out.push_back(v[i + 2]);
        } else {
            // Every other strip triangle runs the other way round; keep the winding.
            out.push_back(v[i]);
            out.push_back(v[(i & 1) ? i + 2 : i + 1]);
            out.push_back(v[(i & 1) ? i + 1 : i + 2]);
        }
    }
    return out;
}

VertexPNCT Device(const CD3DVertex& s, float su, float sv, uint32_t colour) {
    return {s.x, s.y, s.z, s.nx, s.ny, s.nz, s.ownColour ? s.colour : colour, s.u * su, s.v * sv};
}

void DrawOne(const CD3DMesh& mesh, Texture* texture, float su, float sv, uint32_t colour) {
    const int primitive = mesh.primitive;
    if (primitive < kPrimPointList || primitive > kPrimTriangleFan) return;
    const int n = int(mesh.vertices.size());
    const bool joined = primitive == kPrimLineStrip || primitive == kPrimTriangleStrip || primitive == kPrimTriangleFan;
    const int unit = primitive == kPrimLineList ? 2 : primitive == kPrimTriangleList ? 3 : 1;
    const int least = primitive == kPrimLineStrip ? 2 : joined ? 3 : unit;
    const int whole = joined ? n : n - n % unit;
    if (whole < least) return;
    // The usual case: straight into the batch.
    if (whole <= kBatchVertices) {
        auto* slot = static_cast<VertexPNCT*>(Graphics_AllocVerts(primitive, texture, int(sizeof(VertexPNCT)), whole));
        if (!slot) return;
        for (int i = 0; i < whole; ++i) slot[i] = Device(mesh.vertices[size_t(i)], su, sv, colour);
        return;
    }
    std::vector<VertexPNCT> v;
    v.reserve(size_t(whole));
    for (int i = 0; i < whole; ++i) v.push_back(Device(mesh.vertices[size_t(i)], su, sv, colour));
    int listPrimitive = primitive;
    const std::vector<VertexPNCT> list = joined ? AsList(primitive, v, listPrimitive) : std::move(v);
    for (size_t at = 0; at < list.size(); at += kChunk)
        Emit(listPrimitive, texture, list.data() + at, int(std::min<size_t>(kChunk, list.size() - at)));
}

// --- shape building ------------------------------------------------------------------------

// Triangles into one list, each turned so that it winds clockwise as seen from the side
// its normals point to.
class TBuilder {
public:
    explicit TBuilder(TD3DMeshes& out) : out_(out) { mesh_.primitive = kPrimTriangleList; }
    ~TBuilder() {
        if (!mesh_.vertices.empty()) out_.push_back(std::move(mesh_));
    }
    static CD3DVertex V(TVec p, TVec n, double u, double v) {
        CD3DVertex r;
        r.x = float(p.x), r.y = float(p.y), r.z = float(p.z);
        r.nx = float(n.x), r.ny = float(n.y), r.nz = float(n.z);
        r.u = float(u), r.v = float(v);
        return r;
    }
    void Tri(const CD3DVertex& a, const CD3DVertex& b, const CD3DVertex& c) {
        const TVec pa{a.x, a.y, a.z}, pb{b.x, b.y, b.z}, pc{c.x, c.y, c.z};
        const TVec n{double(a.nx) + b.nx + c.nx, double(a.ny) + b.ny + c.ny, double(a.nz) + b.nz + c.nz};
        const bool flip = Dot(Cross(Sub(pb, pa), Sub(pc, pa)), n) < 0;
        mesh_.vertices.push_back(a);
        mesh_.vertices.push_back(flip ? c : b);
        mesh_.vertices.push_back(flip ? b : c);
    }
    // Corners in order around the quad.
    void Quad(const CD3DVertex& a, const CD3DVertex& b, const CD3DVertex& c, const CD3DVertex& d) {
        Tri(a, b, c);
        Tri(a, c, d);
    }

private:
    TD3DMeshes& out_;
    CD3DMesh mesh_;
};

// Outwards from the ellipse (rx cos a, ry sin a) at the point of angle a; the radii
// are negative when the corners come in reverse order.
TVec RimNormal(double rx, double ry, double c, double s) {
    return Normalised({rx != 0 ? c / rx : 0, ry != 0 ? s / ry : 0, 0}, {c, s, 0});
}

int Steps(int steps) { return std::clamp(steps, 3, 128); }
double Sign(double a, double b) { return b >= a ? 1.0 : -1.0; }

// A horizontal elliptical disc (cap) at height z facing nz.
void Disc(TBuilder& b, double cx, double cy, double rx, double ry, double z, double nz, double hr, double vr,
          int steps) {
    const TVec n{0, 0, nz};
    const CD3DVertex centre = TBuilder::V({cx, cy, z}, n, hr * 0.5, vr * 0.5);
    for (int i = 0; i < steps; ++i) {
        const double a0 = 2 * kPi * i / steps, a1 = 2 * kPi * (i + 1) / steps;
        const CD3DVertex p0 = TBuilder::V({cx + rx * std::cos(a0), cy + ry * std::sin(a0), z}, n,
                                          hr * (0.5 + 0.5 * std::cos(a0)), vr * (0.5 + 0.5 * std::sin(a0)));
        const CD3DVertex p1 = TBuilder::V({cx + rx * std::cos(a1), cy + ry * std::sin(a1), z}, n,
                                          hr * (0.5 + 0.5 * std::cos(a1)), vr * (0.5 + 0.5 * std::sin(a1)));
        b.Tri(centre, p0, p1);
    }
}

}  // namespace

// --- mode ------------------------------------------------------------------------------------------

void D3D_Start() {
    Graphics_Set3DMode(true);
    Graphics_SetPerspective(true);
    Graphics_SetHiddenSurface(true);
    const CViewRect v = Graphics_View();
    Graphics_SetView(v.x, v.y, v.width, v.height, v.angle);
}

void D3D_End() {
    Graphics_Set3DMode(false);
    // 2-D drawing is in painter's order: no depth test, no alpha test.
    Graphics_SetRenderState(kRsZEnable, 0);
    Graphics_SetRenderState(kRsAlphaTest, 0);
    Graphics_SetRenderState(kRsAlphaRef, 128);
    Graphics_SetRenderState(kRsAlphaFunc, 8);
    const CViewRect v = Graphics_View();
    Graphics_SetView(v.x, v.y, v.width, v.height, v.angle);
}

// --- matrices --------------------------------------------------------------------------------------

CD3DMatrix D3D_Identity() {
    const double r[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    return FromRows(r);
}

CD3DMatrix D3D_Translation(double x, double y, double z) {
    const double r[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    return FromRows(r);
}

CD3DMatrix D3D_Scaling(double x, double y, double z) {
    const double r[16] = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
    return FromRows(r);
}

CD3DMatrix D3D_RotationAxis(double ax, double ay, double az, double degrees) {
    const double l = std::sqrt(ax * ax + ay * ay + az * az);
    if (!(l > 0) || !std::isfinite(l)) return D3D_Identity();
    const double x = ax / l, y = ay / l, z = az / l;
    const double a = degrees * kDegToRad, c = std::cos(a), s = std::sin(a), t = 1 - c;
    // The column-vector rotation R, stored transposed for row vectors.
    const double R[3][3] = {{c + x * x * t, x * y * t - z * s, x * z * t + y * s},
                            {y * x * t + z * s, c + y * y * t, y * z * t - x * s},
                            {z * x * t - y * s, z * y * t + x * s, c + z * z * t}};
    const double r[16] = {R[0][0], R[1][0], R[2][0], 0, R[0][1], R[1][1], R[2][1], 0,
                          R[0][2], R[1][2], R[2][2], 0, 0,       0,       0,       1};
    return FromRows(r);
}

CD3DMatrix D3D_Multiply(const CD3DMatrix& a, const CD3DMatrix& b) {
    CD3DMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += double(a.m[i * 4 + k]) * b.m[k * 4 + j];
            r.m[i * 4 + j] = float(s);
        }
    return r;
}

void D3D_TransformPoint(const CD3DMatrix& m, double& x, double& y, double& z) {
    const double v[4] = {x, y, z, 1};
    double o[4];
    for (int c = 0; c < 4; ++c) o[c] = v[0] * m.m[c] + v[1] * m.m[4 + c] + v[2] * m.m[8 + c] + v[3] * m.m[12 + c];
    const double w = o[3] != 0 ? o[3] : 1;
    x = o[0] / w, y = o[1] / w, z = o[2] / w;
}

// --- world transform and stack -------------------------------------------------------------

void D3D_TransformSet(const CD3DMatrix& m) { Graphics_SetTransform(2, m.m); }
void D3D_TransformAdd(const CD3DMatrix& m) { D3D_TransformSet(D3D_Multiply(D3D_TransformGet(), m)); }
CD3DMatrix D3D_TransformGet() {
    CD3DMatrix m;
    std::memcpy(m.m, Graphics_GetTransform(2), sizeof m.m);
    return m;
}

bool D3D_StackPush() {
    if (int(g_stack.size()) >= kD3DStackLimit) return false;
    g_stack.push_back(D3D_TransformGet());
    return true;
}
bool D3D_StackPop() {
    if (g_stack.empty()) return false;
    D3D_TransformSet(g_stack.back());
    g_stack.pop_back();
    return true;
}
bool D3D_StackTop() {
    if (g_stack.empty()) return false;
    D3D_TransformSet(g_stack.back());
    return true;
}
bool D3D_StackDiscard() {
    if (g_stack.empty()) return false;
    g_stack.pop_back();
    return true;
}
void D3D_StackClear() { g_stack.clear(); }
bool D3D_StackEmpty() { return g_stack.empty(); }
int D3D_StackSize() { return int(g_stack.size()); }

// --- projections -----------------------------------------------------------------------------------

void D3D_SetProjection(double xf, double yf, double zf, double xt, double yt, double zt, double xu, double yu,
                       double zu) {
    const CPortRect& p = Graphics_Port();
    const double aspect = p.width > 0 && p.height > 0 ? double(p.width) / p.height : 4.0 / 3.0;
    D3D_SetProjectionExt(xf, yf, zf, xt, yt, zt, xu, yu, zu, 45, aspect, 1, 32000);
}

void D3D_SetProjectionExt(double xf, double yf, double zf, double xt, double yt, double zt, double xu, double yu,
                          double zu, double angle, double aspect, double znear, double zfar) {
    // Out-of-range values would make a singular projection: keep them usable.
    if (!(std::fabs(aspect) > 1e-6) || !std::isfinite(aspect)) aspect = 1;
    if (!(angle > 0.001 && angle < 179.999)) angle = std::clamp(std::isfinite(angle) ? angle : 45.0, 0.001, 179.999);
    if (!(znear > 0) || !std::isfinite(znear)) znear = 1;
    if (!(zfar > znear) || !std::isfinite(zfar)) zfar = znear + 32000;
    SetViewAndProjection(LookAtLH({xf, yf, zf}, {xt, yt, zt}, {xu, yu, zu}),
                         PerspectiveFovLH(angle * kDegToRad, aspect, znear, zfar));
}

void D3D_SetProjectionOrtho(double x, double y, double w, double h, double angle) {
    if (!(w != 0) || !(h != 0)) return;
    const double cx = x + w / 2, cy = y + h / 2, a = -angle * kDegToRad;
    const TVec up{std::sin(a), std::cos(a), 0};
    SetViewAndProjection(LookAtLH({cx, cy, -16000}, {cx, cy, 0}, up), OrthoLH(w, -h, 1, 32000));
}

void D3D_SetProjectionPerspective(double x, double y, double w, double h, double angle) {
    if (!(w != 0) || !(h != 0)) return;
    const double cx = x + w / 2, cy = y + h / 2, a = -angle * kDegToRad;
    const TVec up{std::sin(a), std::cos(a), 0};
    // The picture's height is negative, as for the 2-D projection, so that y runs down
    // the screen as it does in the room.
    SetViewAndProjection(LookAtLH({cx, cy, -std::fabs(w)}, {cx, cy, 0}, up), PerspectiveLH(1, -h / w, 1, 32000));
}

// --- lights ----------------------------------------------------------------------------------------

void D3D_LightAmbient(uint32_t bgr) { Graphics_SetAmbient(bgr & 0xFFFFFF); }

void D3D_LightDirection(int index, double dx, double dy, double dz, uint32_t bgr) {
    if (index < 0 || index >= kMaxLights) return;
    CLight& l = g_lights[index];
    l.kind = 0;
    l.x = float(dx), l.y = float(dy), l.z = float(dz);
    l.range = 0;
    l.colour = Colour_ToDevice(bgr & 0xFFFFFF, 255);
    Graphics_SetLight(index, l);
}

void D3D_LightPoint(int index, double x, double y, double z, double range, uint32_t bgr) {
    if (index < 0 || index >= kMaxLights) return;
    CLight& l = g_lights[index];
    l.kind = 1;
    l.x = float(x), l.y = float(y), l.z = float(z);
    l.range = float(std::max(range, 0.0));
    l.colour = Colour_ToDevice(bgr & 0xFFFFFF, 255);
    Graphics_SetLight(index, l);
}

void D3D_LightEnable(int index, bool on) {
    if (index < 0 || index >= kMaxLights) return;
    g_lights[index].enabled = on;
    Graphics_SetLight(index, g_lights[index]);
}

// --- drawing ---------------------------------------------------------------------------------------

void D3D_DrawMeshes(const TD3DMeshes& meshes, int texture, uint32_t colour) {
    Texture* t = nullptr;
    float su = 1, sv = 1;
    if (texture >= 0) {
        if (const CTextureEntry* e = Texture_Entry(texture)) {
            t = e->texture;
            su = float(e->usedWidth) * e->invWidth;
            sv = float(e->usedHeight) * e->invHeight;
        }
    }
    for (const CD3DMesh& m : meshes) DrawOne(m, t, su, sv, colour);
}

void D3D_ShapeBlock(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hr,
                    double vr) {
    TBuilder b(out);
    const double sx = Sign(x1, x2), sy = Sign(y1, y2), sz = Sign(z1, z2);
    auto V = TBuilder::V;
    // Sides: the texture's top edge along the top (z2).
    auto side = [&](TVec p, TVec q, TVec n) {
        b.Quad(V({p.x, p.y, z2}, n, 0, 0), V({q.x, q.y, z2}, n, hr, 0), V({q.x, q.y, z1}, n, hr, vr),
               V({p.x, p.y, z1}, n, 0, vr));
    };
    side({x1, y1, 0}, {x2, y1, 0}, {0, -sy, 0});
    side({x2, y1, 0}, {x2, y2, 0}, {sx, 0, 0});
    side({x2, y2, 0}, {x1, y2, 0}, {0, sy, 0});
    side({x1, y2, 0}, {x1, y1, 0}, {-sx, 0, 0});
    // Top and bottom: u along x, v along y.
    for (int k = 0; k < 2; ++k) {
        const double z = k == 0 ? z2 : z1;
        const TVec n{0, 0, k == 0 ? sz : -sz};
        b.Quad(V({x1, y1, z}, n, 0, 0), V({x2, y1, z}, n, hr, 0), V({x2, y2, z}, n, hr, vr), V({x1, y2, z}, n, 0, vr));
    }
}

void D3D_ShapeCylinder(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hr,
                       double vr, bool closed, int steps) {
    steps = Steps(steps);
    TBuilder b(out);
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
    auto rim = [&](int i, double z, double v) {
        const double a = 2 * kPi * i / steps, c = std::cos(a), s = std::sin(a);
        const TVec n = RimNormal(rx, ry, c, s);
        return TBuilder::V({cx + rx * c, cy + ry * s, z}, n, hr * i / steps, v);
    };
    for (int i = 0; i < steps; ++i) b.Quad(rim(i, z2, 0), rim(i + 1, z2, 0), rim(i + 1, z1, vr), rim(i, z1, vr));
    if (closed) {
        const double sz = Sign(z1, z2);
        Disc(b, cx, cy, rx, ry, z2, sz, hr, vr, steps);
        Disc(b, cx, cy, rx, ry, z1, -sz, hr, vr, steps);
    }
}

void D3D_ShapeCone(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hr,
                   double vr, bool closed, int steps) {
    steps = Steps(steps);
    TBuilder b(out);
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
    const double h = z2 - z1, r = (std::fabs(rx) + std::fabs(ry)) / 2;
    auto normal = [&](double a) {
        const double c = std::cos(a), s = std::sin(a);
        const TVec flat = RimNormal(rx, ry, c, s);
        return Normalised({flat.x * std::fabs(h), flat.y * std::fabs(h), (h >= 0 ? 1 : -1) * r}, flat);
    };
    for (int i = 0; i < steps; ++i) {
        const double a0 = 2 * kPi * i / steps, a1 = 2 * kPi * (i + 1) / steps, am = (a0 + a1) / 2;
        b.Tri(TBuilder::V({cx, cy, z2}, normal(am), hr * (i + 0.5) / steps, 0),
              TBuilder::V({cx + rx * std::cos(a0), cy + ry * std::sin(a0), z1}, normal(a0), hr * i / steps, vr),
              TBuilder::V({cx + rx * std::cos(a1), cy + ry * std::sin(a1), z1}, normal(a1), hr * (i + 1) / steps, vr));
    }
    if (closed) Disc(b, cx, cy, rx, ry, z1, -Sign(z1, z2), hr, vr, steps);
}

void D3D_ShapeEllipsoid(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hr,
                        double vr, int steps) {
    steps = Steps(steps);
    const int rings = std::max(2, steps / 2);
    TBuilder b(out);
    const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, cz = (z1 + z2) / 2;
    const double rx = (x2 - x1) / 2, ry = (y2 - y1) / 2, rz = (z2 - z1) / 2;
    auto inv = [](double r) { return r != 0 ? 1 / r : 0.0; };
    auto point = [&](int i, int j) {
        const double phi = kPi * j / rings, theta = 2 * kPi * i / steps;
        const double ux = std::sin(phi) * std::cos(theta), uy = std::sin(phi) * std::sin(theta), uz = std::cos(phi);
        const TVec n = Normalised({ux * inv(rx), uy * inv(ry), uz * inv(rz)}, {ux, uy, uz});
        return TBuilder::V({cx + rx * ux, cy + ry * uy, cz + rz * uz}, n, hr * i / steps, vr * j / rings);
    };
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < steps; ++i) {
            // The triangles that would shrink to a pole are left out.
            if (j > 0) b.Tri(point(i, j), point(i + 1, j), point(i + 1, j + 1));
            if (j + 1 < rings) b.Tri(point(i, j), point(i + 1, j + 1), point(i, j + 1));
        }
}

void D3D_ShapeWall(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hr,
                   double vr) {
    TBuilder b(out);
    const TVec n = Normalised({y2 - y1, -(x2 - x1), 0}, {0, -1, 0});
    auto V = TBuilder::V;
    b.Quad(V({x1, y1, z2}, n, 0, 0), V({x2, y2, z2}, n, hr, 0), V({x2, y2, z1}, n, hr, vr), V({x1, y1, z1}, n, 0, vr));
}

void D3D_ShapeFloor(TD3DMeshes& out, double x1, double y1, double z1, double x2, double y2, double z2, double hr,
                    double vr) {
    TBuilder b(out);
    TVec n = Normalised(Cross({x2 - x1, 0, 0}, {0, y2 - y1, z2 - z1}));
    if (n.z < 0) n = {-n.x, -n.y, -n.z};
    auto V = TBuilder::V;
    b.Quad(V({x1, y1, z1}, n, 0, 0), V({x2, y1, z1}, n, hr, 0), V({x2, y2, z2}, n, hr, vr), V({x1, y2, z2}, n, 0, vr));
}

// --- primitives ----------------------------------------------------------------------------------

void D3D_PrimitiveBegin(int kind, int texture) {
    g_primitive.open = true;
    g_primitive.texture = texture;
    g_primitive.mesh.primitive = kind;
    g_primitive.mesh.vertices.clear();
}

void D3D_PrimitiveVertex(const CD3DVertex& v) {
    if (!g_primitive.open || int(g_primitive.mesh.vertices.size()) >= kD3DPrimitiveLimit) return;
    g_primitive.mesh.vertices.push_back(v);
}

void D3D_PrimitiveEnd() {
    if (!g_primitive.open) return;
    g_primitive.open = false;
    D3D_DrawMeshes({g_primitive.mesh}, g_primitive.texture, Graphics_ColourDevice());
    g_primitive.mesh.vertices.clear();
}
