#pragma once
#include <string>
#include <vector>

struct CPathPoint {
    double x = 0, y = 0, speed = 100;
};

class CPath {
public:
    std::string name;
    int kind = 0;  // 1 smooth curve, anything else straight lines
    bool closed = false;
    int precision = 4;
    std::vector<CPathPoint> points;
};
