#include "ds/ds_structures.h"

#include <algorithm>
#include <utility>

bool CDS_List::Insert(int pos, const DSValue& value) {
    if (pos < 0 || pos > Size()) return false;
    items_.insert(items_.begin() + pos, value);
    return true;
}

bool CDS_List::Replace(int pos, const DSValue& value) {
    if (pos < 0 || pos >= Size()) return false;
    items_[static_cast<size_t>(pos)] = value;
    return true;
}

bool CDS_List::Delete(int pos) {
    if (pos < 0 || pos >= Size()) return false;
    items_.erase(items_.begin() + pos);
    return true;
}

int CDS_List::FindIndex(const DSValue& value) const {
    for (int i = 0; i < Size(); ++i)
        if (DS_CompareValues(items_[static_cast<size_t>(i)], value) == 0) return i;
    return -1;
}

void CDS_List::Sort(bool ascending) {
    // The moving element is compared with each left neighbour in turn, as the
    // swapping form does; we find its place first and then rotate it there.
    for (size_t i = 1; i < items_.size(); ++i) {
        const DSValue& x = items_[i];
        size_t j = i;
        while (j > 0) {
            const int c = DS_CompareValues(items_[j - 1], x);
            if (ascending ? c <= 0 : c > 0) break;
            --j;
        }
        if (j != i)
            std::rotate(items_.begin() + static_cast<ptrdiff_t>(j), items_.begin() + static_cast<ptrdiff_t>(i),
                        items_.begin() + static_cast<ptrdiff_t>(i) + 1);
    }
}

void CDS_List::Shuffle() {
    const int n = Size();
    for (int64_t k = 0, times = int64_t(n) * 8; k < times; ++k) {
        const int a = DS_RandomBelow(n), b = DS_RandomBelow(n);
        if (a >= 0 && a < n && b >= 0 && b < n && a != b)
            std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
    }
}

std::string CDS_List::Write() const {
    CStream stream;
    stream.WriteInt(kStreamId);
    stream.WriteInt(Size());
    for (const DSValue& v : items_) DS_WriteValue(stream, v);
    return stream.ToHex();
}

bool CDS_List::Read(std::string_view text) {
    CStream stream;
    if (!DS_BeginRead(text, kStreamId, stream)) return false;
    const int32_t count = stream.ReadInt();
    if (stream.Overrun() || !DS_CountFits(stream, count)) return false;
    DSValueArray items(static_cast<size_t>(count));
    for (DSValue& v : items)
        if (!DS_ReadValue(stream, v)) return false;
    items_.swap(items);
    return true;
}
