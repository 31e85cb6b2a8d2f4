#include "pack/texture_packer.h"

#include <algorithm>
#include <climits>
#include <numeric>

CMaxRects::CMaxRects(int width, int height) { free_.push_back(CRect{0, 0, width, height}); }

bool CMaxRects::Insert(int w, int h, CRect& placed) {
    int bestShort = INT_MAX, bestLong = INT_MAX;
    const CRect* best = nullptr;
    for (const CRect& f : free_) {
        if (f.w < w || f.h < h) continue;
        int dw = f.w - w, dh = f.h - h;
        int shortSide = std::min(dw, dh), longSide = std::max(dw, dh);
        // Ties go to the higher, then the further left spot, so pages fill from the top.
        if (shortSide < bestShort || (shortSide == bestShort && longSide < bestLong) ||
            (shortSide == bestShort && longSide == bestLong && best &&
             (f.y < best->y || (f.y == best->y && f.x < best->x)))) {
            bestShort = shortSide;
            bestLong = longSide;
            best = &f;
        }
    }
    if (!best) return false;
    placed = CRect{best->x, best->y, w, h};
    SplitAround(placed);
    Prune();
    return true;
}

void CMaxRects::SplitAround(const CRect& used) {
    std::vector<CRect> next;
    next.reserve(free_.size() + 4);
    for (const CRect& f : free_) {
        bool overlaps = used.x < f.Right() && used.Right() > f.x && used.y < f.Bottom() && used.Bottom() > f.y;
        if (!overlaps) {
            next.push_back(f);
            continue;
        }
        // What is left of f on each side of the used rectangle, each as large as it can be.
        if (used.x > f.x) next.push_back(CRect{f.x, f.y, used.x - f.x, f.h});
        if (used.Right() < f.Right()) next.push_back(CRect{used.Right(), f.y, f.Right() - used.Right(), f.h});
        if (used.y > f.y) next.push_back(CRect{f.x, f.y, f.w, used.y - f.y});
        if (used.Bottom() < f.Bottom()) next.push_back(CRect{f.x, used.Bottom(), f.w, f.Bottom() - used.Bottom()});
    }
    free_ = std::move(next);
}

void CMaxRects::Prune() {
    auto inside = [](const CRect& a, const CRect& b) {
        return a.x >= b.x && a.y >= b.y && a.Right() <= b.Right() && a.Bottom() <= b.Bottom();
    };
    std::vector<bool> drop(free_.size(), false);
    for (size_t i = 0; i < free_.size(); ++i) {
        if (drop[i]) continue;
        for (size_t j = 0; j < free_.size(); ++j) {
            if (i == j || drop[j]) continue;
            if (inside(free_[i], free_[j])) {
                drop[i] = true;
                break;
            }
        }
    }
    std::vector<CRect> kept;
    kept.reserve(free_.size());
    for (size_t i = 0; i < free_.size(); ++i)
        if (!drop[i]) kept.push_back(free_[i]);
    free_ = std::move(kept);
}

namespace {

int PowerOfTwoAtLeast(int v) {
    int p = 1;
    while (p < v && p < (1 << 30)) p <<= 1;
    return p;
}

void Extrude(CImage& page, const CRect& at, int padding) {
    const int pw = page.Width(), ph = page.Height();
    for (int k = 1; k <= padding; ++k) {
        for (int y = at.y; y < at.Bottom(); ++y) {
            if (at.x - k >= 0) page.SetPixel(at.x - k, y, page.Pixel(at.x, y));
            if (at.Right() - 1 + k < pw) page.SetPixel(at.Right() - 1 + k, y, page.Pixel(at.Right() - 1, y));
        }
    }
    // Rows above and below, including the corners just filled.
    const int left = std::max(0, at.x - padding), right = std::min(pw, at.Right() + padding);
    for (int k = 1; k <= padding; ++k)
        for (int x = left; x < right; ++x) {
            if (at.y - k >= 0) page.SetPixel(x, at.y - k, page.Pixel(x, at.y));
            if (at.Bottom() - 1 + k < ph) page.SetPixel(x, at.Bottom() - 1 + k, page.Pixel(x, at.Bottom() - 1));
        }
}

}  // namespace

bool TexturePack_Run(const std::vector<TexturePackItem>& items, const TexturePackSettings& settings,
                     TexturePackResult& out, size_t& tooLarge) {
    out = TexturePackResult{};
    out.placements.resize(items.size());
    const int pad = std::max(0, settings.padding);
    const int size = settings.pageSize;

    // Large first packs tighter; the item index breaks ties so the result never
    // depends on the sort's whims.
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const CRect &ra = items[a].part, &rb = items[b].part;
        int ma = std::max(ra.w, ra.h), mb = std::max(rb.w, rb.h);
        if (ma != mb) return ma > mb;
        return int64_t(ra.w) * ra.h > int64_t(rb.w) * rb.h;
    });

    std::vector<CMaxRects> bins;
    std::vector<CRect> cells(items.size());
    std::vector<int> usedW, usedH;
    for (size_t i : order) {
        const CRect& part = items[i].part;
        const int cw = part.w + 2 * pad, ch = part.h + 2 * pad;
        if (part.Empty() || cw > size || ch > size) {
            tooLarge = i;
            return false;
        }
        CRect cell;
        size_t page = 0;
        for (; page < bins.size(); ++page)
            if (bins[page].Insert(cw, ch, cell)) break;
        if (page == bins.size()) {
            bins.emplace_back(size, size);
            usedW.push_back(0);
            usedH.push_back(0);
            bins.back().Insert(cw, ch, cell);
        }
        cells[i] = cell;
        out.placements[i] = TexturePlacement{int(page), cell.x + pad, cell.y + pad};
        // Padding past the far edge is not needed on the page itself.
        usedW[page] = std::max(usedW[page], cell.x + pad + part.w);
        usedH[page] = std::max(usedH[page], cell.y + pad + part.h);
    }

    for (size_t p = 0; p < bins.size(); ++p)
        out.pages.emplace_back(std::min(size, PowerOfTwoAtLeast(usedW[p])),
                               std::min(size, PowerOfTwoAtLeast(usedH[p])));
    for (size_t i = 0; i < items.size(); ++i) {
        const TexturePlacement& at = out.placements[i];
        CImage& page = out.pages[size_t(at.page)];
        page.Blit(*items[i].image, items[i].part, at.x, at.y);
        if (items[i].extrude && pad > 0) Extrude(page, CRect{at.x, at.y, items[i].part.w, items[i].part.h}, pad);
    }
    return true;
}
