#pragma once
// Grids of cells for planning: each cell free (0) or forbidden (-1), and the
// breadth-first search of a shortest cell route that is stored as a path.
#include <memory>
#include <vector>

class CPath;

class CGrid {
public:
    CGrid(int left, int top, int hcells, int vcells, int cellWidth, int cellHeight);
    virtual ~CGrid() = default;

    int left, top, cellWidth, cellHeight, hcells, vcells;
    // Cell (x, y) is at x * vcells + y: 0 free, -1 forbidden; positive only while a
    // search runs (the distance from the start plus one).
    std::vector<int> cells;

    bool Inside(int x, int y) const { return x >= 0 && x < hcells && y >= 0 && y < vcells; }
    int& At(int x, int y) { return cells[size_t(x) * size_t(vcells) + size_t(y)]; }
    int At(int x, int y) const { return cells[size_t(x) * size_t(vcells) + size_t(y)]; }
    // The columns and rows a room rectangle (corners in either order) overlaps, clamped
    // to the grid; empty (x0 > x1 or y0 > y1) when it misses it.
    void CellRange(int x1, int y1, int x2, int y2, int& cx0, int& cy0, int& cx1, int& cy1) const;
    void SetRectangle(int x1, int y1, int x2, int y2, int value);
};

// Grid ids: the first empty slot or a new one.
int MPGrid_Create(int left, int top, int hcells, int vcells, int cellWidth, int cellHeight);
void MPGrid_Destroy(int id);
CGrid* MPGrid_Find(int id);
// Forgets every grid (game end and restart).
void MPGrid_DestroyAll();

// The shortest route of cells from (xs, ys) to (xg, yg), stored into `path` (emptied,
// straight and open) as the start, the centres of the cells between and the goal.
// False, leaving the path as it was, when either point is outside the grid or in a
// forbidden cell, or no route exists. Cells are only 0 and -1 again afterwards.
bool MPGrid_Path(CGrid& grid, CPath& path, double xs, double ys, double xg, double yg, bool diagonal);
