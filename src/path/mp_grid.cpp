#include "path/mp_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "path/path.h"

namespace {

std::vector<std::unique_ptr<CGrid>> g_grids;

// The search queue: a ring of cell indices shared by every grid and kept between
// searches, so a search allocates only when a grid needs more room than any before.
class CCellRing {
public:
    void Clear() { head_ = count_ = 0; }
    bool Empty() const { return count_ == 0; }
    void Push(int cell) {
        if (count_ == ring_.size()) Grow();
        ring_[(head_ + count_) & (ring_.size() - 1)] = cell;
        ++count_;
    }
    int Pop() {
        const int cell = ring_[head_];
        head_ = (head_ + 1) & (ring_.size() - 1);
        --count_;
        return cell;
    }

private:
    void Grow() {
        std::vector<int> bigger(ring_.empty() ? 4096 : ring_.size() * 2);
        for (size_t k = 0; k < count_; ++k) bigger[k] = ring_[(head_ + k) & (ring_.size() - 1)];
        ring_.swap(bigger);
        head_ = 0;
    }
    std::vector<int> ring_;
    size_t head_ = 0, count_ = 0;
};

CCellRing& Ring() {
    static CCellRing ring;
    return ring;
}

// Integer division toward zero, as the cell ranges are taken.
int Div(int a, int b) { return a / b; }

}  // namespace

CGrid::CGrid(int l, int t, int h, int v, int cw, int ch)
    : left(l),
      top(t),
      cellWidth(std::max(cw, 1)),
      cellHeight(std::max(ch, 1)),
      hcells(std::max(h, 0)),
      vcells(std::max(v, 0)),
      cells(size_t(hcells) * size_t(vcells), 0) {}

void CGrid::CellRange(int x1, int y1, int x2, int y2, int& cx0, int& cy0, int& cx1, int& cy1) const {
    cx0 = std::max(0, Div(std::min(x1, x2) - left, cellWidth));
    cx1 = std::min(hcells - 1, Div(std::max(x1, x2) - left, cellWidth));
    cy0 = std::max(0, Div(std::min(y1, y2) - top, cellHeight));
    cy1 = std::min(vcells - 1, Div(std::max(y1, y2) - top, cellHeight));
}

void CGrid::SetRectangle(int x1, int y1, int x2, int y2, int value) {
    int cx0, cy0, cx1, cy1;
    CellRange(x1, y1, x2, y2, cx0, cy0, cx1, cy1);
    for (int x = cx0; x <= cx1; ++x)
        for (int y = cy0; y <= cy1; ++y) At(x, y) = value;
}

int MPGrid_Create(int left, int top, int hcells, int vcells, int cellWidth, int cellHeight) {
    // A grid beyond 2^26 cells is a mistake, not a level.
    if (int64_t(std::max(hcells, 0)) * std::max(vcells, 0) > (int64_t(1) << 26)) return -1;
    auto grid = std::make_unique<CGrid>(left, top, hcells, vcells, cellWidth, cellHeight);
    for (size_t i = 0; i < g_grids.size(); ++i) {
        if (!g_grids[i]) {
            g_grids[i] = std::move(grid);
            return int(i);
        }
    }
    g_grids.push_back(std::move(grid));
    return int(g_grids.size() - 1);
}

void MPGrid_Destroy(int id) {
    if (id >= 0 && size_t(id) < g_grids.size()) g_grids[size_t(id)].reset();
}

CGrid* MPGrid_Find(int id) { return id >= 0 && size_t(id) < g_grids.size() ? g_grids[size_t(id)].get() : nullptr; }

void MPGrid_DestroyAll() { g_grids.clear(); }

bool MPGrid_Path(CGrid& g, CPath& path, double xs, double ys, double xg, double yg, bool diagonal) {
    auto cellOf = [&g](double x, double y, int& cx, int& cy) {
        if (!(x >= g.left && x < g.left + double(g.hcells) * g.cellWidth)) return false;
        if (!(y >= g.top && y < g.top + double(g.vcells) * g.cellHeight)) return false;
        cx = std::min(g.hcells - 1, int(std::floor((x - g.left) / g.cellWidth)));
        cy = std::min(g.vcells - 1, int(std::floor((y - g.top) / g.cellHeight)));
        return true;
    };
    int sx, sy, gx, gy;
    if (!cellOf(xs, ys, sx, sy) || !cellOf(xg, yg, gx, gy)) return false;
    if (g.At(sx, sy) < 0 || g.At(gx, gy) < 0) return false;

    const int V = g.vcells;
    int* cells = g.cells.data();
    CCellRing& queue = Ring();
    queue.Clear();
    const int start = sx * V + sy, goal = gx * V + gy;
    cells[start] = 1;
    queue.Push(start);
    bool found = false;
    // A neighbour inside the grid and free (0) now.
    auto freeAt = [&](int x, int y) { return g.Inside(x, y) && cells[x * V + y] == 0; };
    while (!queue.Empty()) {
        const int c = queue.Pop();
        if (c == goal) {
            found = true;
            break;
        }
        const int x = c / V, y = c % V, n = cells[c] + 1;
        // The diagonal rule reads the orthogonal cells as they were when this cell was
        // taken, before the lines below mark them.
        const bool l = freeAt(x - 1, y), r = freeAt(x + 1, y), u = freeAt(x, y - 1), d = freeAt(x, y + 1);
        auto visit = [&](int cx, int cy) {
            cells[cx * V + cy] = n;
            queue.Push(cx * V + cy);
        };
        if (l) visit(x - 1, y);
        if (r) visit(x + 1, y);
        if (u) visit(x, y - 1);
        if (d) visit(x, y + 1);
        if (diagonal) {
            if (l && d && freeAt(x - 1, y + 1)) visit(x - 1, y + 1);
            if (l && u && freeAt(x - 1, y - 1)) visit(x - 1, y - 1);
            if (r && d && freeAt(x + 1, y + 1)) visit(x + 1, y + 1);
            if (r && u && freeAt(x + 1, y - 1)) visit(x + 1, y - 1);
        }
    }

    if (found) {
        path.points.clear();
        path.kind = 0;
        path.closed = false;
        path.points.push_back({float(xg), float(yg), 100});
        int x = gx, y = gy;
        static const int kBack[8][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
        const int ways = diagonal ? 8 : 4;
        while (x * V + y != start) {
            const int want = cells[x * V + y] - 1;
            int k = 0;
            for (; k < ways; ++k) {
                const int nx = x + kBack[k][0], ny = y + kBack[k][1];
                if (g.Inside(nx, ny) && cells[nx * V + ny] == want) break;
            }
            if (k == ways) break;  // cannot happen: every marked cell has a predecessor
            x += kBack[k][0];
            y += kBack[k][1];
            if (x * V + y != start)
                path.points.push_back({float(g.left + g.cellWidth * x + g.cellWidth / 2),
                                       float(g.top + g.cellHeight * y + g.cellHeight / 2), 100});
        }
        path.points.push_back({float(xs), float(ys), 100});
        Path_Reverse(path);
    }
    for (int& v : g.cells)
        if (v > 0) v = 0;
    return found;
}
