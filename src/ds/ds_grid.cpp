#include "ds/ds_structures.h"

#include <algorithm>
#include <cmath>
#include <utility>

void DSAggregate::Take(const DSValue& cell) {
    if (!cell.IsReal()) return;
    sum += cell.val;
    max = std::max(max, cell.val);
    min = std::min(min, cell.val);
    ++count;
}

bool CDS_Grid::SizeFits(int64_t width, int64_t height) {
    if (width < 0 || height < 0 || width > INT32_MAX || height > INT32_MAX) return false;
    return width == 0 || height <= static_cast<int64_t>(DSValueArray().max_size()) / width;
}

bool CDS_Grid::Resize(int width, int height) {
    if (!SizeFits(width, height)) return false;
    if (width == width_ && height == height_) return true;
    DSValueArray cells(static_cast<size_t>(width) * static_cast<size_t>(height));
    const int keepW = std::min(width, width_), keepH = std::min(height, height_);
    for (int x = 0; x < keepW; ++x)
        for (int y = 0; y < keepH; ++y)
            cells[static_cast<size_t>(x) * static_cast<size_t>(height) + static_cast<size_t>(y)] =
                std::move(cells_[Index(x, y)]);
    cells_.swap(cells);
    width_ = width;
    height_ = height;
    return true;
}

void CDS_Grid::Fill(const DSValue& value) {
    for (DSValue& cell : cells_) cell = value;
}

void CDS_Grid::Apply(DSValue& cell, DSCellOp op, const DSValue& value) {
    switch (op) {
    case DSCellOp::Set: cell = value; break;
    case DSCellOp::Add:
        if (cell.IsReal() && value.IsReal()) {
            cell.SetReal(cell.val + value.val);
        } else if (cell.IsString() && value.IsString()) {
            std::string joined = std::string(cell.Text()) + value.Text();
            if (joined.size() > kMaxAddedText) joined.resize(kMaxAddedText);
            cell.SetString(joined);
        } else {
            cell = value;
        }
        break;
    case DSCellOp::Multiply:
        if (cell.IsReal() && value.IsReal()) cell.SetReal(cell.val * value.val);
        break;
    }
}

DSCellRange CDS_Grid::Region(int x1, int y1, int x2, int y2) const {
    DSCellRange r;
    r.x0 = std::max(0, std::min(x1, x2));
    r.x1 = std::min(width_ - 1, std::max(x1, x2));
    r.y0 = std::max(0, std::min(y1, y2));
    r.y1 = std::min(height_ - 1, std::max(y1, y2));
    return r;
}

namespace {

// floor(lo) .. ceil(hi) clipped to 0 .. size - 1, in doubles until it is in range.
bool ClipSpan(double lo, double hi, int size, int& first, int& last) {
    lo = std::floor(lo);
    hi = std::ceil(hi);
    if (std::isnan(lo) || std::isnan(hi)) return false;
    lo = std::max(lo, 0.0);
    hi = std::min(hi, static_cast<double>(size) - 1.0);
    if (lo > hi) return false;
    first = static_cast<int>(lo);
    last = static_cast<int>(hi);
    return true;
}

}  // namespace

DSCellRange CDS_Grid::DiskBox(double xm, double ym, double r) const {
    DSCellRange box;
    if (!ClipSpan(xm - r, xm + r, width_, box.x0, box.x1) || !ClipSpan(ym - r, ym + r, height_, box.y0, box.y1))
        return DSCellRange{};
    return box;
}

void CDS_Grid::ApplyGridRegion(DSCellOp op, const CDS_Grid& source, int x1, int y1, int x2, int y2, int xpos,
                               int ypos) {
    const DSCellRange range = source.Region(x1, y1, x2, y2);
    if (range.Empty()) return;
    const int64_t columns = int64_t(range.x1) - range.x0 + 1, rows = int64_t(range.y1) - range.y0 + 1;
    // Reading our own cells while writing them would feed results back in.
    DSValueArray snapshot;
    if (&source == this) {
        snapshot.reserve(static_cast<size_t>(columns * rows));
        for (int x = range.x0; x <= range.x1; ++x)
            for (int y = range.y0; y <= range.y1; ++y) snapshot.push_back(source.cells_[source.Index(x, y)]);
    }
    for (int64_t i = 0; i < columns; ++i) {
        const int64_t tx = int64_t(xpos) + i;
        if (tx < 0 || tx >= width_) continue;
        for (int64_t j = 0; j < rows; ++j) {
            const int64_t ty = int64_t(ypos) + j;
            if (ty < 0 || ty >= height_) continue;
            const DSValue& from = snapshot.empty() ? source.cells_[source.Index(range.x0 + int(i), range.y0 + int(j))]
                                                   : snapshot[static_cast<size_t>(i * rows + j)];
            Apply(cells_[Index(int(tx), int(ty))], op, from);
        }
    }
}

void CDS_Grid::Shuffle() {
    const int64_t times = int64_t(width_) * height_ * 8;
    for (int64_t k = 0; k < times; ++k) {
        const int x1 = DS_RandomBelow(width_), y1 = DS_RandomBelow(height_);
        const int x2 = DS_RandomBelow(width_), y2 = DS_RandomBelow(height_);
        DSValue* a = Cell(x1, y1);
        DSValue* b = Cell(x2, y2);
        if (a != nullptr && b != nullptr && a != b) std::swap(*a, *b);
    }
}

std::string CDS_Grid::Write() const {
    CStream stream;
    stream.WriteInt(kStreamId);
    stream.WriteInt(width_);
    stream.WriteInt(height_);
    for (const DSValue& v : cells_) DS_WriteValue(stream, v);  // column by column
    return stream.ToHex();
}

bool CDS_Grid::Read(std::string_view text) {
    CStream stream;
    if (!DS_BeginRead(text, kStreamId, stream)) return false;
    const int32_t width = stream.ReadInt();
    const int32_t height = stream.ReadInt();
    if (stream.Overrun() || !SizeFits(width, height) || !DS_CountFits(stream, int64_t(width) * height)) return false;
    DSValueArray cells(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (DSValue& v : cells)
        if (!DS_ReadValue(stream, v)) return false;
    cells_.swap(cells);
    width_ = width;
    height_ = height;
    return true;
}
