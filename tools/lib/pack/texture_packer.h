#pragma once
// Packs pictures onto texture pages: a maximal-rectangles packer (best short side
// fit), as many pages as needed, each page cut down afterwards to the power-of-two
// size that holds what landed on it.
#include <cstddef>
#include <vector>

#include "pack/image.h"

// The free space of one page as the list of maximal free rectangles.
class CMaxRects {
public:
    CMaxRects(int width, int height);
    // Finds room for a w x h rectangle; false when there is none.
    bool Insert(int w, int h, CRect& placed);
    const std::vector<CRect>& FreeRects() const { return free_; }

private:
    void SplitAround(const CRect& used);
    void Prune();
    std::vector<CRect> free_;
};

struct TexturePackItem {
    const CImage* image = nullptr;  // the whole picture
    CRect part;                     // the part that goes onto the page (trimmed or whole)
    // Repeat the part's edge pixels into the padding around it, so that a picture drawn
    // tiled, or filtered, samples its own edge rather than a neighbour's pixels.
    bool extrude = false;
};

struct TexturePlacement {
    int page = 0;
    int x = 0, y = 0;  // where the part's top-left pixel lies on the page
};

struct TexturePackResult {
    std::vector<TexturePlacement> placements;  // one per item, in item order
    std::vector<CImage> pages;
};

struct TexturePackSettings {
    int pageSize = 2048;  // the largest page, both ways
    int padding = 2;      // free pixels kept around every part
};

// False when some item cannot fit on an empty page; `tooLarge` then holds its index.
// Placement is deterministic: the same items give the same pages.
bool TexturePack_Run(const std::vector<TexturePackItem>& items, const TexturePackSettings& settings,
                     TexturePackResult& out, size_t& tooLarge);
