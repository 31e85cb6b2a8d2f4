#include "ds/ds_structures.h"

bool CDS_Stack::Pop(CValue& out) {
    if (items_.empty()) return false;
    out = std::move(items_.back());
    items_.pop_back();
    return true;
}

std::string CDS_Stack::Write() const {
    CStream stream;
    stream.WriteInt(kStreamId);
    stream.WriteInt(Size());
    for (const DSValue& v : items_) DS_WriteValue(stream, v);
    return stream.ToHex();
}

bool CDS_Stack::Read(std::string_view text) {
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
