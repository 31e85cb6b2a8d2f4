#include "path/path.h"

#include <algorithm>
#include <cmath>

#include "io/stream.h"

namespace {

constexpr int32_t kPathStreamTag = 530;
// Deeper than the designer offers; beyond it a segment could add millions of points.
constexpr int kMaxPrecision = 16;

struct P3 {
    double x, y, s;
};

P3 Mid(const P3& a, const P3& b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.s + b.s) / 2}; }
double Dist2(const P3& a, const P3& b) { return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y); }

void Add(std::vector<CPathNode>& out, const P3& p) {
    // The polyline grows in steps of ten points, as it always has.
    if (out.size() == out.capacity()) out.reserve(out.size() + 10);
    out.push_back({float(p.x), float(p.y), float(p.s), 0.0f});
}

// Adds the inner points of the quadratic curve (a, b, c) in order along it: the
// middle, with each half refined first while its control leg is longer than 4 pixels.
void Subdivide(std::vector<CPathNode>& out, const P3& a, const P3& b, const P3& c, int depth) {
    if (depth <= 0) return;
    const P3 m{(a.x + 2 * b.x + c.x) / 4, (a.y + 2 * b.y + c.y) / 4, (a.s + 2 * b.s + c.s) / 4};
    if (Dist2(a, b) > 16.0) Subdivide(out, a, Mid(a, b), m, depth - 1);
    Add(out, m);
    if (Dist2(b, c) > 16.0) Subdivide(out, m, Mid(b, c), c, depth - 1);
}

P3 At(const std::vector<CPathPoint>& pts, size_t i) {
    const CPathPoint& p = pts[i % pts.size()];
    return {p.x, p.y, p.speed};
}

}  // namespace

const std::vector<CPathNode>& CPath::Nodes() const {
    if (stale_) Compute();
    return nodes_;
}

double CPath::Length() const {
    if (stale_) Compute();
    return length_;
}

void CPath::Compute() const {
    stale_ = false;
    nodes_.clear();
    length_ = 0;
    const size_t n = points.size();
    if (n == 0) return;
    if (kind != 1) {
        for (size_t i = 0; i < n; ++i) Add(nodes_, At(points, i));
        if (closed) Add(nodes_, At(points, 0));
    } else {
        if (!closed) Add(nodes_, At(points, 0));
        const size_t last = closed ? n : (n >= 2 ? n - 2 : 0);
        for (size_t i = 1; i <= last; ++i) {
            const P3 prev = At(points, i - 1), cur = At(points, i), next = At(points, i + 1);
            Subdivide(nodes_, Mid(prev, cur), cur, Mid(cur, next), std::clamp(precision, 0, kMaxPrecision));
        }
        if (closed) {
            if (!nodes_.empty()) nodes_.push_back(nodes_.front());
        } else {
            Add(nodes_, At(points, n - 1));
        }
    }
    double d = 0;
    for (size_t i = 0; i < nodes_.size(); ++i) {
        if (i > 0) {
            const double dx = double(nodes_[i].x) - nodes_[i - 1].x, dy = double(nodes_[i].y) - nodes_[i - 1].y;
            d += std::sqrt(dx * dx + dy * dy);
        }
        nodes_[i].distance = float(d);
    }
    length_ = nodes_.empty() ? 0.0 : double(nodes_.back().distance);
}

void Path_Compute(CPath& path) {
    path.Changed();
    path.Nodes();
}

CPathSample Path_Point(const CPath& path, double t) {
    const std::vector<CPathNode>& nodes = path.Nodes();
    if (nodes.empty()) return {0, 0, 100};
    const double length = path.Length();
    auto sample = [](const CPathNode& p) { return CPathSample{p.x, p.y, p.speed}; };
    if (nodes.size() == 1 || length == 0 || t <= 0) return sample(nodes.front());
    if (t >= 1) return sample(nodes.back());
    const double d = length * t;
    // The first segment whose end lies beyond d: distances only grow, so search them.
    const auto end = std::upper_bound(nodes.begin() + 1, nodes.end(), d,
                                      [](double v, const CPathNode& p) { return v < double(p.distance); });
    if (end == nodes.end()) return sample(nodes.back());
    const CPathNode& a = *(end - 1);
    const CPathNode& b = *end;
    const double span = double(b.distance) - a.distance;
    if (span <= 0) return sample(a);
    const double f = (d - a.distance) / span;
    return {a.x + (double(b.x) - a.x) * f, a.y + (double(b.y) - a.y) * f, a.speed + (double(b.speed) - a.speed) * f};
}

void Path_Centre(const CPath& path, double& cx, double& cy) {
    double xmin = 100000000.0, xmax = -100000000.0, ymin = 100000000.0, ymax = -100000000.0;
    for (const CPathPoint& p : path.points) {
        xmin = std::min(xmin, double(p.x));
        xmax = std::max(xmax, double(p.x));
        ymin = std::min(ymin, double(p.y));
        ymax = std::max(ymax, double(p.y));
    }
    cx = (xmin + xmax) / 2;
    cy = (ymin + ymax) / 2;
}

void Path_Reverse(CPath& path) {
    std::reverse(path.points.begin(), path.points.end());
    path.Changed();
}

void Path_Mirror(CPath& path) {
    double cx, cy;
    Path_Centre(path, cx, cy);
    for (CPathPoint& p : path.points) p.x = float(2 * cx - p.x);
    path.Changed();
}

void Path_Flip(CPath& path) {
    double cx, cy;
    Path_Centre(path, cx, cy);
    for (CPathPoint& p : path.points) p.y = float(2 * cy - p.y);
    path.Changed();
}

void Path_Rotate(CPath& path, double degrees) {
    double cx, cy;
    Path_Centre(path, cx, cy);
    const double a = degrees * 3.1415927410125732 / 180.0, c = std::cos(a), s = std::sin(a);
    for (CPathPoint& p : path.points) {
        const double dx = p.x - cx, dy = p.y - cy;
        p.x = float(cx + c * dx + s * dy);
        p.y = float(cy + c * dy - s * dx);
    }
    path.Changed();
}

void Path_Scale(CPath& path, double xs, double ys) {
    double cx, cy;
    Path_Centre(path, cx, cy);
    for (CPathPoint& p : path.points) {
        p.x = float(cx + (p.x - cx) * xs);
        p.y = float(cy + (p.y - cy) * ys);
    }
    path.Changed();
}

void Path_Shift(CPath& path, double dx, double dy) {
    for (CPathPoint& p : path.points) {
        p.x = float(p.x + dx);
        p.y = float(p.y + dy);
    }
    path.Changed();
}

void Path_Assign(CPath& target, const CPath& source) {
    if (&target == &source) return;
    target.kind = source.kind;
    target.closed = source.closed;
    target.precision = source.precision;
    target.points = source.points;
    target.Changed();
}

bool Path_Save(const CPath& path, CStream& out) {
    bool ok = out.WriteInt(kPathStreamTag) && out.WriteInt(path.kind) && out.WriteBool(path.closed) &&
              out.WriteInt(path.precision) && out.WriteInt(int32_t(path.points.size()));
    for (const CPathPoint& p : path.points)
        ok = ok && out.WriteReal(p.x) && out.WriteReal(p.y) && out.WriteReal(p.speed);
    return ok;
}

bool Path_Load(CPath& path, CStream& in) {
    if (in.ReadInt() != kPathStreamTag) return false;
    CPath read;
    read.kind = in.ReadInt();
    read.closed = in.ReadBool();
    read.precision = in.ReadInt();
    const int32_t n = in.ReadInt();
    // Each point takes 24 bytes: a count the rest cannot hold is not a path.
    if (n < 0 || int64_t(n) * 24 > in.Remaining()) return false;
    read.points.resize(size_t(n));
    for (CPathPoint& p : read.points) {
        p.x = float(in.ReadReal());
        p.y = float(in.ReadReal());
        p.speed = float(in.ReadReal());
    }
    if (in.Overrun()) return false;
    Path_Assign(path, read);
    return true;
}
