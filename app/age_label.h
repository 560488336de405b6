// The bottom line that says how long ago the list was refreshed.
#pragma once

#include "app/date_time.h"
#include "app/window_system.h"
#include "text/text.h"

namespace velvane {

// The distance between two date-times as days, hours, minutes and seconds ("1天1时1分1秒"),
// leaving out the zero parts; empty when they lie less than a second apart.
Text formatElapsed(DateTime later, DateTime earlier);

void updateAgeLabel(WindowSystem& window, DateTime lastRefreshTime);

}  // namespace velvane
