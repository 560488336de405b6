// Docking at the screen edges, run every 10 ms.
#pragma once

#include "app/window_system.h"

namespace velvane {

void dockTick(WindowSystem& window);

}  // namespace velvane
