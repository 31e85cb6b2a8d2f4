#include "ds/ds_structures.h"

void DS_FreeAll() {
    CDSTables& tables = *Game().structures;
    tables.stacks.Clear();
    tables.queues.Clear();
    tables.lists.Clear();
    tables.maps.Clear();
    tables.priorities.Clear();
    tables.grids.Clear();
    tables.precision = kDSDefaultPrecision;
}
