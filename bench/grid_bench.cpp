// The grid route search on serpentine mazes (every cell reachable, the route winding
// through all of them): time per search, and the allocations a search makes once the
// shared queue has grown, which must not depend on how many cells it expands.
//
//   zorvex-bench-grid [searches]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "path/mp_grid.h"
#include "path/path.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Walls on every other column, open at the bottom and the top by turns.
void Serpentine(CGrid& g) {
    for (int x = 1; x < g.hcells - 1; x += 2)
        for (int y = 0; y < g.vcells; ++y) {
            const bool gap = (x % 4 == 1) ? y == g.vcells - 1 : y == 0;
            if (!gap) g.At(x, y) = -1;
        }
}

void Run(int size, int searches) {
    CGrid g(0, 0, size, size, 16, 16);
    Serpentine(g);
    CPath path;
    const double xs = 8, ys = 8, xg = 16 * (size - 1) + 8, yg = 8;
    if (!MPGrid_Path(g, path, xs, ys, xg, yg, false)) {  // also grows the queue once
        std::printf("%dx%d: no route\n", size, size);
        std::exit(1);
    }
    const size_t points = path.points.size();
    double total = 0, worst = 0;
    long allocations = 0;
    for (int k = 0; k < searches; ++k) {
        const long before = g_allocations.load();
        const auto t0 = std::chrono::steady_clock::now();
        MPGrid_Path(g, path, xs, ys, xg, yg, k % 2 == 1);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        allocations += g_allocations.load() - before;
        total += ms;
        if (ms > worst) worst = ms;
    }
    std::printf("%dx%d maze, route of %zu points: %.3f ms per search (worst %.3f), %.1f allocations per search\n", size,
                size, points, total / searches, worst, double(allocations) / searches);
}

}  // namespace

int main(int argc, char** argv) {
    const int searches = argc > 1 ? std::atoi(argv[1]) : 50;
    Run(100, searches);
    Run(200, searches);
    return 0;
}
