// Game code reaches the data structures here. Every handler checks its ids first;
// an id outside its kind's table or naming a destroyed structure is a non-fatal
// error and nothing else happens.
#include "ds/function_ds.h"

#include <algorithm>
#include <iterator>

#include "data/error.h"
#include "ds/ds_json.h"
#include "ds/ds_structures.h"
#include "platform/console.h"
#include "value/args.h"

namespace {

void SetBool(CValue& result, bool b) { result.SetReal(b ? 1.0 : 0.0); }

void SetValue(CValue& result, const DSValue* v) {
    if (v != nullptr) result = *v;
}

// The live structure named by argument i, or null after the error.
template <typename T>
T* Find(int argc, const CValue* args, int i = 0) {
    T* p = DS_Table<T>().Find(Arg_IntTrunc(argc, args, i));
    if (p == nullptr) Code_ShowError(kDsNoSuchStructure, false);
    return p;
}

// ---------------------------------------------------------------------------
// What every kind has

void F_SetPrecision(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    DS_SetPrecision(Arg_Real(argc, args, 0));
}

template <typename T>
void F_Create(CValue& result, CInstance*, CInstance*, int, CValue*) {
    result.SetReal(DS_Table<T>().Create());
}

template <typename T>
void F_Destroy(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (!DS_Table<T>().Destroy(Arg_IntTrunc(argc, args, 0))) Code_ShowError(kDsNoSuchStructure, false);
}

template <typename T>
void F_Clear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (T* p = Find<T>(argc, args)) p->Clear();
}

template <typename T>
void F_Copy(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    T* target = Find<T>(argc, args, 0);
    if (target == nullptr) return;
    const T* source = Find<T>(argc, args, 1);
    if (source != nullptr && source != target) *target = *source;
}

template <typename T>
void F_Size(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const T* p = Find<T>(argc, args)) result.SetReal(p->Size());
}

template <typename T>
void F_Empty(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const T* p = Find<T>(argc, args)) SetBool(result, p->Size() == 0);
}

template <typename T>
void F_Write(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const T* p = Find<T>(argc, args)) result.SetString(p->Write());
}

// A real is no string form: refused without touching the structure (the map would
// otherwise read it as the empty text and clear itself).
template <typename T>
void F_Read(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    T* p = Find<T>(argc, args);
    const CValue& text = Arg_Value(argc, args, 1);
    if (p != nullptr && text.IsString()) SetBool(result, p->Read(text.Text()));
}

// ---------------------------------------------------------------------------
// Stack

void F_StackPush(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Stack* s = Find<CDS_Stack>(argc, args)) s->Push(Arg_Value(argc, args, 1));
}

void F_StackPop(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Stack* s = Find<CDS_Stack>(argc, args)) s->Pop(result);
}

void F_StackTop(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Stack* s = Find<CDS_Stack>(argc, args)) SetValue(result, s->Top());
}

// ---------------------------------------------------------------------------
// Queue

void F_QueueEnqueue(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Queue* q = Find<CDS_Queue>(argc, args)) q->Enqueue(Arg_Value(argc, args, 1));
}

void F_QueueDequeue(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Queue* q = Find<CDS_Queue>(argc, args)) q->Dequeue(result);
}

void F_QueueHead(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Queue* q = Find<CDS_Queue>(argc, args)) SetValue(result, q->Head());
}

void F_QueueTail(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Queue* q = Find<CDS_Queue>(argc, args)) SetValue(result, q->Tail());
}

// ---------------------------------------------------------------------------
// List

void F_ListAdd(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_List* l = Find<CDS_List>(argc, args)) l->Add(Arg_Value(argc, args, 1));
}

void F_ListInsert(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_List* l = Find<CDS_List>(argc, args)) l->Insert(Arg_IntTrunc(argc, args, 1), Arg_Value(argc, args, 2));
}

void F_ListReplace(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_List* l = Find<CDS_List>(argc, args)) l->Replace(Arg_IntTrunc(argc, args, 1), Arg_Value(argc, args, 2));
}

void F_ListDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_List* l = Find<CDS_List>(argc, args)) l->Delete(Arg_IntTrunc(argc, args, 1));
}

void F_ListFindIndex(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_List* l = Find<CDS_List>(argc, args)) result.SetReal(l->FindIndex(Arg_Value(argc, args, 1)));
}

void F_ListFindValue(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_List* l = Find<CDS_List>(argc, args)) SetValue(result, l->At(Arg_IntTrunc(argc, args, 1)));
}

void F_ListSort(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_List* l = Find<CDS_List>(argc, args)) l->Sort(Arg_Flag(argc, args, 1));
}

void F_ListShuffle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_List* l = Find<CDS_List>(argc, args)) l->Shuffle();
}

// ---------------------------------------------------------------------------
// Map

void F_MapAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Map* m = Find<CDS_Map>(argc, args))
        SetBool(result, m->Add(Arg_Value(argc, args, 1), Arg_Value(argc, args, 2)));
}

void F_MapReplace(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Map* m = Find<CDS_Map>(argc, args))
        SetBool(result, m->Replace(Arg_Value(argc, args, 1), Arg_Value(argc, args, 2)));
}

void F_MapDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Map* m = Find<CDS_Map>(argc, args)) m->Delete(Arg_Value(argc, args, 1));
}

void F_MapExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Map* m = Find<CDS_Map>(argc, args)) SetBool(result, m->Exists(Arg_Value(argc, args, 1)));
}

void F_MapFindValue(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Map* m = Find<CDS_Map>(argc, args)) SetValue(result, m->Find(Arg_Value(argc, args, 1)));
}

void F_MapFindPrevious(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Map* m = Find<CDS_Map>(argc, args)) SetValue(result, m->Previous(Arg_Value(argc, args, 1)));
}

void F_MapFindNext(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Map* m = Find<CDS_Map>(argc, args)) SetValue(result, m->Next(Arg_Value(argc, args, 1)));
}

void F_MapFindFirst(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Map* m = Find<CDS_Map>(argc, args)) SetValue(result, m->First());
}

void F_MapFindLast(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Map* m = Find<CDS_Map>(argc, args)) SetValue(result, m->Last());
}

// ---------------------------------------------------------------------------
// Priority queue

void F_PriorityAdd(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Priority* p = Find<CDS_Priority>(argc, args)) p->Add(Arg_Value(argc, args, 1), Arg_Value(argc, args, 2));
}

void F_PriorityChange(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Priority* p = Find<CDS_Priority>(argc, args))
        p->ChangePriority(Arg_Value(argc, args, 1), Arg_Value(argc, args, 2));
}

void F_PriorityFindPriority(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Priority* p = Find<CDS_Priority>(argc, args))
        SetValue(result, p->FindPriority(Arg_Value(argc, args, 1)));
}

void F_PriorityDeleteValue(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Priority* p = Find<CDS_Priority>(argc, args)) p->DeleteValue(Arg_Value(argc, args, 1));
}

template <bool Max>
void F_PriorityFind(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Priority* p = Find<CDS_Priority>(argc, args))
        SetValue(result, p->ValueAt(Max ? p->MaxIndex() : p->MinIndex()));
}

template <bool Max>
void F_PriorityDelete(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Priority* p = Find<CDS_Priority>(argc, args)) p->TakeAt(Max ? p->MaxIndex() : p->MinIndex(), result);
}

// ---------------------------------------------------------------------------
// Grid

// A size from game code: negative is 0; false (with a log line) when too large.
bool GridSize(int argc, const CValue* args, int i, int& w, int& h) {
    w = std::max(0, Arg_IntTrunc(argc, args, i));
    h = std::max(0, Arg_IntTrunc(argc, args, i + 1));
    if (CDS_Grid::SizeFits(w, h)) return true;
    Console().Output("ds_grid: a grid of %d x %d cells is too large\n", w, h);
    return false;
}

void F_GridCreate(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(-1);
    int w, h;
    if (!GridSize(argc, args, 0, w, h)) return;
    CDSTable<CDS_Grid>& table = DS_Table<CDS_Grid>();
    const int id = table.Create();
    if (id < 0) return;
    table.Find(id)->Resize(w, h);
    result.SetReal(id);
}

void F_GridResize(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    int w, h;
    if (g != nullptr && GridSize(argc, args, 1, w, h)) g->Resize(w, h);
}

void F_GridWidth(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Grid* g = Find<CDS_Grid>(argc, args)) result.SetReal(g->Width());
}

void F_GridHeight(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Grid* g = Find<CDS_Grid>(argc, args)) result.SetReal(g->Height());
}

void F_GridClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Grid* g = Find<CDS_Grid>(argc, args)) g->Fill(Arg_Value(argc, args, 1));
}

DSCellRange RegionArgs(const CDS_Grid& g, int argc, const CValue* args, int i) {
    return g.Region(Arg_IntTrunc(argc, args, i), Arg_IntTrunc(argc, args, i + 1), Arg_IntTrunc(argc, args, i + 2),
                    Arg_IntTrunc(argc, args, i + 3));
}

// (id, x, y, value)
template <DSCellOp Op>
void F_GridCell(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    if (DSValue* cell = g->Cell(Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)))
        CDS_Grid::Apply(*cell, Op, Arg_Value(argc, args, 3));
}

// (id, x1, y1, x2, y2, value)
template <DSCellOp Op>
void F_GridRegion(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    const DSValue& value = Arg_Value(argc, args, 5);
    g->ForRegion(RegionArgs(*g, argc, args, 1), [&](int, int, DSValue& cell) {
        CDS_Grid::Apply(cell, Op, value);
        return false;
    });
}

// (id, xm, ym, r, value)
template <DSCellOp Op>
void F_GridDisk(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    const DSValue& value = Arg_Value(argc, args, 4);
    g->ForDisk(Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3), [&](int, int, DSValue& cell) {
        CDS_Grid::Apply(cell, Op, value);
        return false;
    });
}

// (id, source, x1, y1, x2, y2, xpos, ypos)
template <DSCellOp Op>
void F_GridGridRegion(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args, 0);
    if (g == nullptr) return;
    const CDS_Grid* source = Find<CDS_Grid>(argc, args, 1);
    if (source == nullptr) return;
    g->ApplyGridRegion(Op, *source, Arg_IntTrunc(argc, args, 2), Arg_IntTrunc(argc, args, 3),
                       Arg_IntTrunc(argc, args, 4), Arg_IntTrunc(argc, args, 5), Arg_IntTrunc(argc, args, 6),
                       Arg_IntTrunc(argc, args, 7));
}

void F_GridGet(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (const CDS_Grid* g = Find<CDS_Grid>(argc, args))
        SetValue(result, g->Cell(Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)));
}

enum class Aggregate { Sum, Max, Min, Mean };

double AggregateOf(const DSAggregate& a, Aggregate what) {
    switch (what) {
    case Aggregate::Sum: return a.sum;
    case Aggregate::Max: return a.max;
    case Aggregate::Min: return a.min;
    case Aggregate::Mean: return a.Mean();
    }
    return 0.0;
}

// (id, x1, y1, x2, y2)
template <Aggregate What>
void F_GridGetRegion(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    DSAggregate a;
    g->ForRegion(RegionArgs(*g, argc, args, 1), [&](int, int, DSValue& cell) {
        a.Take(cell);
        return false;
    });
    result.SetReal(AggregateOf(a, What));
}

// (id, xm, ym, r)
template <Aggregate What>
void F_GridGetDisk(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    DSAggregate a;
    g->ForDisk(Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3), [&](int, int, DSValue& cell) {
        a.Take(cell);
        return false;
    });
    result.SetReal(AggregateOf(a, What));
}

enum class Search { Exists, X, Y };

void SetSearch(CValue& result, Search what, bool found, int x, int y) {
    switch (what) {
    case Search::Exists: SetBool(result, found); break;
    case Search::X: result.SetReal(found ? x : -1); break;
    case Search::Y: result.SetReal(found ? y : -1); break;
    }
}

// (id, x1, y1, x2, y2, value)
template <Search What>
void F_GridValueRegion(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    const DSValue& value = Arg_Value(argc, args, 5);
    int fx = -1, fy = -1;
    const bool found = g->ForRegion(RegionArgs(*g, argc, args, 1), [&](int x, int y, DSValue& cell) {
        fx = x;
        fy = y;
        return DS_CompareValues(cell, value) == 0;
    });
    SetSearch(result, What, found, fx, fy);
}

// (id, xm, ym, r, value)
template <Search What>
void F_GridValueDisk(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    CDS_Grid* g = Find<CDS_Grid>(argc, args);
    if (g == nullptr) return;
    const DSValue& value = Arg_Value(argc, args, 4);
    int fx = -1, fy = -1;
    const bool found = g->ForDisk(Arg_Real(argc, args, 1), Arg_Real(argc, args, 2), Arg_Real(argc, args, 3),
                                  [&](int x, int y, DSValue& cell) {
                                      fx = x;
                                      fy = y;
                                      return DS_CompareValues(cell, value) == 0;
                                  });
    SetSearch(result, What, found, fx, fy);
}

void F_GridShuffle(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    if (CDS_Grid* g = Find<CDS_Grid>(argc, args)) g->Shuffle();
}

// ---------------------------------------------------------------------------
// JSON: a map to and from its text. Encoding a missing map gives the empty text
// without an error.

void F_JsonDecode(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(DS_JsonDecode(Arg_Value(argc, args, 0)));
}

void F_JsonEncode(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString(DS_JsonEncode(Arg_IntTrunc(argc, args, 0)));
}

}  // namespace

extern const FunctionImpl kDsFunctions[] = {
    {"ds_set_precision", F_SetPrecision},
    {"json_decode", F_JsonDecode},
    {"json_encode", F_JsonEncode},

    {"ds_stack_create", F_Create<CDS_Stack>},
    {"ds_stack_destroy", F_Destroy<CDS_Stack>},
    {"ds_stack_clear", F_Clear<CDS_Stack>},
    {"ds_stack_copy", F_Copy<CDS_Stack>},
    {"ds_stack_size", F_Size<CDS_Stack>},
    {"ds_stack_empty", F_Empty<CDS_Stack>},
    {"ds_stack_push", F_StackPush},
    {"ds_stack_pop", F_StackPop},
    {"ds_stack_top", F_StackTop},
    {"ds_stack_write", F_Write<CDS_Stack>},
    {"ds_stack_read", F_Read<CDS_Stack>},

    {"ds_queue_create", F_Create<CDS_Queue>},
    {"ds_queue_destroy", F_Destroy<CDS_Queue>},
    {"ds_queue_clear", F_Clear<CDS_Queue>},
    {"ds_queue_copy", F_Copy<CDS_Queue>},
    {"ds_queue_size", F_Size<CDS_Queue>},
    {"ds_queue_empty", F_Empty<CDS_Queue>},
    {"ds_queue_enqueue", F_QueueEnqueue},
    {"ds_queue_dequeue", F_QueueDequeue},
    {"ds_queue_head", F_QueueHead},
    {"ds_queue_tail", F_QueueTail},
    {"ds_queue_write", F_Write<CDS_Queue>},
    {"ds_queue_read", F_Read<CDS_Queue>},

    {"ds_list_create", F_Create<CDS_List>},
    {"ds_list_destroy", F_Destroy<CDS_List>},
    {"ds_list_clear", F_Clear<CDS_List>},
    {"ds_list_copy", F_Copy<CDS_List>},
    {"ds_list_size", F_Size<CDS_List>},
    {"ds_list_empty", F_Empty<CDS_List>},
    {"ds_list_add", F_ListAdd},
    {"ds_list_insert", F_ListInsert},
    {"ds_list_replace", F_ListReplace},
    {"ds_list_delete", F_ListDelete},
    {"ds_list_find_index", F_ListFindIndex},
    {"ds_list_find_value", F_ListFindValue},
    {"ds_list_sort", F_ListSort},
    {"ds_list_shuffle", F_ListShuffle},
    {"ds_list_write", F_Write<CDS_List>},
    {"ds_list_read", F_Read<CDS_List>},

    {"ds_map_create", F_Create<CDS_Map>},
    {"ds_map_destroy", F_Destroy<CDS_Map>},
    {"ds_map_clear", F_Clear<CDS_Map>},
    {"ds_map_copy", F_Copy<CDS_Map>},
    {"ds_map_size", F_Size<CDS_Map>},
    {"ds_map_empty", F_Empty<CDS_Map>},
    {"ds_map_add", F_MapAdd},
    {"ds_map_replace", F_MapReplace},
    {"ds_map_delete", F_MapDelete},
    {"ds_map_exists", F_MapExists},
    {"ds_map_find_value", F_MapFindValue},
    {"ds_map_find_previous", F_MapFindPrevious},
    {"ds_map_find_next", F_MapFindNext},
    {"ds_map_find_first", F_MapFindFirst},
    {"ds_map_find_last", F_MapFindLast},
    {"ds_map_write", F_Write<CDS_Map>},
    {"ds_map_read", F_Read<CDS_Map>},

    {"ds_priority_create", F_Create<CDS_Priority>},
    {"ds_priority_destroy", F_Destroy<CDS_Priority>},
    {"ds_priority_clear", F_Clear<CDS_Priority>},
    {"ds_priority_copy", F_Copy<CDS_Priority>},
    {"ds_priority_size", F_Size<CDS_Priority>},
    {"ds_priority_empty", F_Empty<CDS_Priority>},
    {"ds_priority_add", F_PriorityAdd},
    {"ds_priority_change_priority", F_PriorityChange},
    {"ds_priority_find_priority", F_PriorityFindPriority},
    {"ds_priority_delete_value", F_PriorityDeleteValue},
    {"ds_priority_delete_min", F_PriorityDelete<false>},
    {"ds_priority_find_min", F_PriorityFind<false>},
    {"ds_priority_delete_max", F_PriorityDelete<true>},
    {"ds_priority_find_max", F_PriorityFind<true>},
    {"ds_priority_write", F_Write<CDS_Priority>},
    {"ds_priority_read", F_Read<CDS_Priority>},

    {"ds_grid_create", F_GridCreate},
    {"ds_grid_destroy", F_Destroy<CDS_Grid>},
    {"ds_grid_copy", F_Copy<CDS_Grid>},
    {"ds_grid_resize", F_GridResize},
    {"ds_grid_width", F_GridWidth},
    {"ds_grid_height", F_GridHeight},
    {"ds_grid_clear", F_GridClear},
    {"ds_grid_set", F_GridCell<DSCellOp::Set>},
    {"ds_grid_add", F_GridCell<DSCellOp::Add>},
    {"ds_grid_multiply", F_GridCell<DSCellOp::Multiply>},
    {"ds_grid_set_region", F_GridRegion<DSCellOp::Set>},
    {"ds_grid_add_region", F_GridRegion<DSCellOp::Add>},
    {"ds_grid_multiply_region", F_GridRegion<DSCellOp::Multiply>},
    {"ds_grid_set_disk", F_GridDisk<DSCellOp::Set>},
    {"ds_grid_add_disk", F_GridDisk<DSCellOp::Add>},
    {"ds_grid_multiply_disk", F_GridDisk<DSCellOp::Multiply>},
    {"ds_grid_set_grid_region", F_GridGridRegion<DSCellOp::Set>},
    {"ds_grid_add_grid_region", F_GridGridRegion<DSCellOp::Add>},
    {"ds_grid_multiply_grid_region", F_GridGridRegion<DSCellOp::Multiply>},
    {"ds_grid_get", F_GridGet},
    {"ds_grid_get_sum", F_GridGetRegion<Aggregate::Sum>},
    {"ds_grid_get_max", F_GridGetRegion<Aggregate::Max>},
    {"ds_grid_get_min", F_GridGetRegion<Aggregate::Min>},
    {"ds_grid_get_mean", F_GridGetRegion<Aggregate::Mean>},
    {"ds_grid_get_disk_sum", F_GridGetDisk<Aggregate::Sum>},
    {"ds_grid_get_disk_max", F_GridGetDisk<Aggregate::Max>},
    {"ds_grid_get_disk_min", F_GridGetDisk<Aggregate::Min>},
    {"ds_grid_get_disk_mean", F_GridGetDisk<Aggregate::Mean>},
    {"ds_grid_value_exists", F_GridValueRegion<Search::Exists>},
    {"ds_grid_value_x", F_GridValueRegion<Search::X>},
    {"ds_grid_value_y", F_GridValueRegion<Search::Y>},
    {"ds_grid_value_disk_exists", F_GridValueDisk<Search::Exists>},
    {"ds_grid_value_disk_x", F_GridValueDisk<Search::X>},
    {"ds_grid_value_disk_y", F_GridValueDisk<Search::Y>},
    {"ds_grid_shuffle", F_GridShuffle},
    {"ds_grid_write", F_Write<CDS_Grid>},
    {"ds_grid_read", F_Read<CDS_Grid>},
};
extern const size_t kDsFunctionCount = std::size(kDsFunctions);
