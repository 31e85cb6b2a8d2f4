#pragma once
// Paths: control points joined by straight lines or smoothed into a curve, open or
// closed. What is followed is the polyline computed from them (the internal points),
// kept beside the control points and rebuilt when they or the settings change.
#include <cstdint>
#include <string>
#include <vector>

class CStream;

struct CPathPoint {
    float x = 0, y = 0, speed = 100;  // speed is a percentage
};

// A point of the polyline; distance is its length along the polyline from the start.
struct CPathNode {
    float x = 0, y = 0, speed = 100, distance = 0;
};

class CPath {
public:
    std::string name;
    int kind = 0;  // 1 smooth curve, anything else straight lines
    bool closed = true;
    int precision = 4;
    std::vector<CPathPoint> points;

    // The polyline and its length, computed on first use after a change (the loader
    // and the editing functions only mark it stale).
    const std::vector<CPathNode>& Nodes() const;
    double Length() const;
    // Call after changing points, kind, closed or precision.
    void Changed() { stale_ = true; }

private:
    void Compute() const;
    mutable std::vector<CPathNode> nodes_;
    mutable double length_ = 0;
    mutable bool stale_ = true;
};

struct CPathSample {
    double x = 0, y = 0, speed = 100;
};

// Rebuilds the polyline now.
void Path_Compute(CPath& path);
// The point at position t (0 the start, 1 the end) along the polyline.
CPathSample Path_Point(const CPath& path, double t);
// The middle of the control points' bounding box.
void Path_Centre(const CPath& path, double& cx, double& cy);

// Edits of the control points; each marks the polyline stale.
void Path_Reverse(CPath& path);
void Path_Mirror(CPath& path);  // x about the centre
void Path_Flip(CPath& path);    // y about the centre
void Path_Rotate(CPath& path, double degrees);
void Path_Scale(CPath& path, double xs, double ys);
void Path_Shift(CPath& path, double dx, double dy);
// Everything but the name.
void Path_Assign(CPath& target, const CPath& source);

// The stream form: 530, kind, closed, precision, the count, then x, y and speed of each
// point. Loading rejects (false, path unchanged) a stream that is not one.
bool Path_Save(const CPath& path, CStream& out);
bool Path_Load(CPath& path, CStream& in);
