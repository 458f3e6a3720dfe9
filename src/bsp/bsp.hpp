#pragma once
// The BSP core: polygons and the side test, splitting, tree records and insertion, node
// expansion, far-to-near order, the preset scenes and scene files.
#include "bsp/cells.hpp"
#include "bsp/expand.hpp"
#include "bsp/polygon.hpp"
#include "bsp/presets.hpp"
#include "bsp/scene_file.hpp"
#include "bsp/split.hpp"
#include "bsp/statistics.hpp"
#include "bsp/strategy.hpp"
#include "bsp/tree.hpp"
#include "bsp/workload.hpp"
