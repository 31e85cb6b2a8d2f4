// The resource tables' lifetime and the lookups across them: here every record type is
// known, so the tables are made, freed and searched here.
#include "data/game_resources.h"

#include "load/chunk_loaders.h"

CGameResources::CGameResources() = default;
CGameResources::~CGameResources() = default;
CGameResources::CGameResources(CGameResources&&) = default;
CGameResources& CGameResources::operator=(CGameResources&&) = default;

namespace {

template <typename T>
int FindIn(const ResourceTable<T>& table, std::string_view name) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] && table[i]->name == name) return int(i);
    return -1;
}

}  // namespace

int CGameResources::FindName(std::string_view name) const {
    int index = -1;
    if ((index = FindIn(objects, name)) >= 0 || (index = FindIn(sprites, name)) >= 0 ||
        (index = FindIn(sounds, name)) >= 0 || (index = FindIn(backgrounds, name)) >= 0 ||
        (index = FindIn(paths, name)) >= 0 || (index = FindIn(fonts, name)) >= 0 ||
        (index = FindIn(timelines, name)) >= 0 || (index = FindIn(scripts, name)) >= 0 ||
        (index = FindIn(rooms, name)) >= 0)
        return index;
    return -1;
}
