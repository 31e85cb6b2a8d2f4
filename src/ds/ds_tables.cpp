#include "ds/ds_structures.h"

// One table per kind; ids of different kinds are independent.
#define DS_DEFINE_TABLE(T)        \
    template <>                   \
    CDSTable<T>& DS_Table<T>() {  \
        static CDSTable<T> table; \
        return table;             \
    }
DS_DEFINE_TABLE(CDS_Stack)
DS_DEFINE_TABLE(CDS_Queue)
DS_DEFINE_TABLE(CDS_List)
DS_DEFINE_TABLE(CDS_Map)
DS_DEFINE_TABLE(CDS_Priority)
DS_DEFINE_TABLE(CDS_Grid)
#undef DS_DEFINE_TABLE

void DS_FreeAll() {
    DS_Table<CDS_Stack>().Clear();
    DS_Table<CDS_Queue>().Clear();
    DS_Table<CDS_List>().Clear();
    DS_Table<CDS_Map>().Clear();
    DS_Table<CDS_Priority>().Clear();
    DS_Table<CDS_Grid>().Clear();
    DS_SetPrecision(kDSDefaultPrecision);
}
