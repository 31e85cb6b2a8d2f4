#include "variable/variable_list.h"

#include <utility>

#include "data/game.h"
#include "io/stream.h"
#include "platform/console.h"
#include "variable/variables.h"

namespace {

constexpr int32_t kStreamVersion = 442;
constexpr int32_t kStreamVersionOld = 440;
constexpr int32_t kStreamVersionSquare = 441;  // one n = rows * 32000 + elements per node
// Least bytes a stored node, row and element can take; counts are checked against them
// before anything is allocated, so a damaged stream cannot ask for gigabytes.
constexpr int64_t kMinNodeBytes = 4 + 4 + 8 + 4 + 4;
constexpr int64_t kMinRowBytes = 4;
constexpr int64_t kMinElementBytes = 4 + 8 + 4;

bool g_unsetIsZero = true;

// The one engine-wide free list. The nodes parked on it are owned along its chain.
// Lists can outlive it at exit (a static list destroyed after it); once it is gone,
// g_freeListClosed makes released nodes be deleted on the spot instead.
constinit bool g_freeListClosed = false;

struct TFreeNodes {
    std::unique_ptr<CVariable> head;
    int count = 0;
    ~TFreeNodes() {
        g_freeListClosed = true;
        // Unchained one by one: a long chain must not recurse through destructors.
        while (head) head = std::move(head->next);
    }
};

TFreeNodes& FreeNodes() {
    static TFreeNodes nodes;
    return nodes;
}

std::unique_ptr<CVariable> NewNode(int32_t id) {
    std::unique_ptr<CVariable> node;
    if (!g_freeListClosed) {
        TFreeNodes& free = FreeNodes();
        if (free.head) {
            node = std::move(free.head);
            free.head = std::move(node->next);
            --free.count;
        }
    }
    if (!node) node = std::make_unique<CVariable>();
    node->id = id;
    return node;
}

void ParkNode(std::unique_ptr<CVariable> node) {
    node->value.Release();
    decltype(node->rows)().swap(node->rows);
    node->previousAdded = nullptr;
    node->id = 0;
    if (g_freeListClosed) return;  // deleted here
    TFreeNodes& free = FreeNodes();
    node->next = std::move(free.head);
    free.head = std::move(node);
    ++free.count;
}

void CopyNode(CVariable& to, const CVariable& from) {
    to.value.Copy(from.value);
    to.rows.resize(from.rows.size());
    for (size_t r = 0; r < from.rows.size(); ++r) to.rows[r].elements = from.rows[r].elements;
}

bool WriteValue(CStream& stream, const CValue& v) {
    return stream.WriteInt(v.kind) && stream.WriteReal(v.val) && stream.WriteString(v.str);
}

// Only the two kinds a value can have survive; a real keeps no text.
void ReadValue(CStream& stream, CValue& v) {
    const int32_t kind = stream.ReadInt();
    const double val = stream.ReadReal();
    std::string text = stream.ReadString();
    if (kind == CValue::kString) {
        v.SetString(text);
        v.val = val;
    } else {
        v.SetReal(val);
    }
}

bool ReadElements(CStream& stream, CVariableRow& row, int32_t count) {
    if (count < 0 || count > stream.Remaining() / kMinElementBytes) return false;
    row.elements.resize(static_cast<size_t>(count));
    for (CValue& e : row.elements) ReadValue(stream, e);
    return !stream.Overrun();
}

bool ReadRows(CStream& stream, CVariable& node, int32_t version) {
    if (version == kStreamVersionSquare) {
        const int32_t n = stream.ReadInt();
        if (n < 0) return false;
        const int32_t rows = n / kArrayRowStride;
        const int32_t elements = n % kArrayRowStride;
        if (elements > 0 && rows > stream.Remaining() / (elements * kMinElementBytes)) return false;
        node.rows.resize(static_cast<size_t>(rows));
        for (CVariableRow& row : node.rows)
            if (!ReadElements(stream, row, elements)) return false;
        return true;
    }
    const int32_t rows = stream.ReadInt();
    if (rows < 0 || rows > stream.Remaining() / kMinRowBytes) return false;
    node.rows.resize(static_cast<size_t>(rows));
    for (CVariableRow& row : node.rows)
        if (!ReadElements(stream, row, stream.ReadInt())) return false;
    return true;
}

}  // namespace

void Variable_SetUnsetIsZero(bool zero) { g_unsetIsZero = zero; }
bool Variable_UnsetIsZero() { return g_unsetIsZero; }
int Variable_FreeNodeCount() { return g_freeListClosed ? 0 : FreeNodes().count; }

CVariableList::~CVariableList() { Clear(); }

CVariable* CVariableList::Link(std::unique_ptr<CVariable> node) {
    std::unique_ptr<CVariable>& head = buckets_[Variable_Bucket(node->id)];
    node->previousAdded = lastAdded_;
    node->next = std::move(head);
    head = std::move(node);
    lastAdded_ = head.get();
    ++count_;
    return lastAdded_;
}

CVariable* CVariableList::FindOrAdd(int32_t id) {
    if (CVariable* node = Find(id)) return node;
    return Link(NewNode(id));
}

bool CVariableList::Get(int32_t id, int32_t index, CValue& result) const {
    Game().indexError = false;
    const CVariable* node = Find(id);
    if (node == nullptr) {
        result.Release();
        return g_unsetIsZero;
    }
    if (index == 0) {
        result.Copy(node->value);
        return true;
    }
    const int32_t row = index / kArrayRowStride;
    const int32_t column = index % kArrayRowStride;
    if (row >= 0 && column >= 0 && row < node->RowCount()) {
        const auto& elements = node->rows[static_cast<size_t>(row)].elements;
        if (static_cast<size_t>(column) < elements.size()) {
            result.Copy(elements[static_cast<size_t>(column)]);
            return true;
        }
    }
    Game().indexError = true;
    result.Release();
    return false;
}

bool CVariableList::Set(int32_t id, int32_t index, const CValue& value) {
    Game().indexError = false;
    const int32_t row = index / kArrayRowStride;
    const int32_t column = index % kArrayRowStride;
    // Refused before the node is made: a bad store leaves the scope as it was.
    if (row < 0 || column < 0) {
        Game().indexError = true;
        return false;
    }
    CVariable* node = FindOrAdd(id);
    if (index == 0) {
        node->value.Copy(value);
        return true;
    }
    if (row >= node->RowCount()) node->rows.resize(static_cast<size_t>(row) + 1);
    auto& elements = node->rows[static_cast<size_t>(row)].elements;
    if (static_cast<size_t>(column) >= elements.size()) elements.resize(static_cast<size_t>(column) + 1);
    elements[static_cast<size_t>(column)].Copy(value);
    return true;
}

void CVariableList::Clear() {
    for (std::unique_ptr<CVariable>& head : buckets_) {
        while (head) {
            std::unique_ptr<CVariable> node = std::move(head);
            head = std::move(node->next);
            ParkNode(std::move(node));
        }
    }
    lastAdded_ = nullptr;
    count_ = 0;
}

void CVariableList::CopyFrom(const CVariableList& source) {
    if (&source == this) return;
    Clear();
    // Re-created oldest first, every chain comes out in the source's order.
    std::vector<const CVariable*> order;
    order.reserve(static_cast<size_t>(source.count_));
    for (const CVariable* node = source.lastAdded_; node; node = node->previousAdded) order.push_back(node);
    for (auto it = order.rbegin(); it != order.rend(); ++it) CopyNode(*Link(NewNode((*it)->id)), **it);
}

void CVariableList::Swap(CVariableList& other) noexcept {
    for (int b = 0; b < kVariableBuckets; ++b) buckets_[b].swap(other.buckets_[b]);
    std::swap(lastAdded_, other.lastAdded_);
    std::swap(count_, other.count_);
}

bool CVariableList::WriteToStream(CStream& stream) const {
    bool ok = stream.WriteInt(kStreamVersion) && stream.WriteInt(count_);
    for (const auto& head : buckets_) {
        for (const CVariable* node = head.get(); node && ok; node = node->next.get()) {
            ok = stream.WriteInt(node->id) && WriteValue(stream, node->value) && stream.WriteInt(node->RowCount());
            for (const CVariableRow& row : node->rows) {
                ok = ok && stream.WriteInt(static_cast<int32_t>(row.elements.size()));
                for (const CValue& e : row.elements) ok = ok && WriteValue(stream, e);
            }
        }
    }
    return ok;
}

bool CVariableList::ReadFromStream(CStream& stream) {
    if (stream.Overrun()) return false;  // already read past its end: nothing sound follows
    const int32_t version = stream.ReadInt();
    const int32_t count = stream.ReadInt();
    bool ok = !stream.Overrun() &&
              (version == kStreamVersion || version == kStreamVersionOld || version == kStreamVersionSquare) &&
              count >= 0 && count <= stream.Remaining() / kMinNodeBytes;
    CVariableList read;
    for (int32_t i = 0; ok && i < count; ++i) {
        CVariable* node = read.Link(NewNode(stream.ReadInt()));
        ReadValue(stream, node->value);
        ok = ReadRows(stream, *node, version) && !stream.Overrun();
        if (ok && version == kStreamVersionSquare) {
            Console().Output("%s\n", std::string(45, '!').c_str());
            Console().Output("%s\n", Variable_DumpNode(*node).c_str());
        }
    }
    if (!ok || stream.Overrun()) return false;
    Swap(read);
    return true;
}

std::string Variable_DumpNode(const CVariable& node) {
    std::string out = Variable_Name(node.id);
    if (node.rows.empty()) return out + " = " + Value_ToDumpText(node.value);
    out += " = { ";
    for (const CVariableRow& row : node.rows) {
        out += "{ ";
        for (size_t e = 0; e < row.elements.size(); ++e) {
            if (e > 0) out += " ,";
            out += Value_ToDumpText(row.elements[e]);
        }
        out += "},  ";
    }
    out += " }";
    return out;
}

std::string CVariableList::Dump() const {
    std::string out;
    for (const auto& head : buckets_) {
        for (const CVariable* node = head.get(); node; node = node->next.get()) {
            out += Variable_DumpNode(*node);
            out += '\n';
        }
    }
    return out;
}
