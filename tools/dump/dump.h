#pragma once
#include <cstdio>

#include "data/game_data.h"
#include "data/game_resources.h"

// Writes what a loaded data file holds, as readable text: the chunks, the general
// header, options and constants, and every resource table.
void DataFile_Dump(const CGameData& data, const CGameResources& res, FILE* out);
