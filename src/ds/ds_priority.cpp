#include "ds/ds_structures.h"

#include <utility>

void CDS_Priority::Add(const DSValue& value, const DSValue& priority) {
    values_.push_back(value);
    priorities_.push_back(priority);
}

int CDS_Priority::IndexOf(const DSValue& value) const {
    for (int i = 0; i < Size(); ++i)
        if (DS_CompareValues(values_[static_cast<size_t>(i)], value) == 0) return i;
    return -1;
}

bool CDS_Priority::ChangePriority(const DSValue& value, const DSValue& priority) {
    const int i = IndexOf(value);
    if (i < 0) return false;
    priorities_[static_cast<size_t>(i)] = priority;
    return true;
}

const DSValue* CDS_Priority::FindPriority(const DSValue& value) const {
    const int i = IndexOf(value);
    return i < 0 ? nullptr : &priorities_[static_cast<size_t>(i)];
}

bool CDS_Priority::DeleteValue(const DSValue& value) {
    const int i = IndexOf(value);
    if (i < 0) return false;
    values_.erase(values_.begin() + i);
    priorities_.erase(priorities_.begin() + i);
    return true;
}

int CDS_Priority::MinIndex() const {
    int best = Size() > 0 ? 0 : -1;
    for (int i = 1; i < Size(); ++i)
        if (DS_CompareValues(priorities_[static_cast<size_t>(i)], priorities_[static_cast<size_t>(best)]) < 0) best = i;
    return best;
}

int CDS_Priority::MaxIndex() const {
    int best = Size() > 0 ? 0 : -1;
    for (int i = 1; i < Size(); ++i)
        if (DS_CompareValues(priorities_[static_cast<size_t>(i)], priorities_[static_cast<size_t>(best)]) > 0) best = i;
    return best;
}

bool CDS_Priority::TakeAt(int i, CValue& out) {
    if (i < 0 || i >= Size()) return false;
    const auto at = static_cast<size_t>(i);
    out = std::move(values_[at]);
    if (at + 1 != values_.size()) {
        values_[at] = std::move(values_.back());
        priorities_[at] = std::move(priorities_.back());
    }
    values_.pop_back();
    priorities_.pop_back();
    return true;
}

std::string CDS_Priority::Write() const {
    CStream stream;
    stream.WriteInt(kStreamId);
    stream.WriteInt(Size());
    for (const DSValue& p : priorities_) DS_WriteValue(stream, p);
    for (const DSValue& v : values_) DS_WriteValue(stream, v);
    return stream.ToHex();
}

bool CDS_Priority::Read(std::string_view text) {
    CStream stream;
    if (!DS_BeginRead(text, kStreamId, stream)) return false;
    const int32_t count = stream.ReadInt();
    if (stream.Overrun() || count < 0 || !DS_CountFits(stream, int64_t(count) * 2)) return false;
    DSValueArray priorities(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    for (DSValue& p : priorities)
        if (!DS_ReadValue(stream, p)) return false;
    for (DSValue& v : values)
        if (!DS_ReadValue(stream, v)) return false;
    priorities_.swap(priorities);
    values_.swap(values);
    return true;
}
