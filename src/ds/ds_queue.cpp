#include "ds/ds_structures.h"

#include <utility>

void CDS_Queue::Clear() {
    slots_.clear();
    start_ = end_ = 0;
}

void CDS_Queue::Enqueue(const DSValue& value) {
    if (end_ == Capacity()) slots_.resize(slots_.size() + kGrowBy);
    slots_[static_cast<size_t>(end_++)] = value;
}

bool CDS_Queue::Dequeue(CValue& out) {
    if (Size() <= 0) return false;
    DSValue& head = slots_[static_cast<size_t>(start_++)];
    out = std::move(head);  // leaves the slot the real 0
    if (start_ >= 17 && start_ * 2 > end_) {
        for (int i = start_; i < end_; ++i)
            slots_[static_cast<size_t>(i - start_)] = std::move(slots_[static_cast<size_t>(i)]);
        end_ -= start_;
        start_ = 0;
    }
    return true;
}

std::string CDS_Queue::Write() const {
    CStream stream;
    stream.WriteInt(kStreamId);
    stream.WriteInt(end_);
    stream.WriteInt(start_);
    stream.WriteInt(Capacity());
    for (const DSValue& v : slots_) DS_WriteValue(stream, v);
    return stream.ToHex();
}

bool CDS_Queue::Read(std::string_view text) {
    CStream stream;
    if (!DS_BeginRead(text, kStreamId, stream)) return false;
    const int32_t end = stream.ReadInt();
    const int32_t start = stream.ReadInt();
    const int32_t capacity = stream.ReadInt();
    if (stream.Overrun() || start < 0 || start > end || end > capacity || !DS_CountFits(stream, capacity)) return false;
    DSValueArray slots(static_cast<size_t>(capacity));
    for (DSValue& v : slots)
        if (!DS_ReadValue(stream, v)) return false;
    slots_.swap(slots);
    start_ = start;
    end_ = end;
    return true;
}
