// Opening an entry's search page, or the full ranking, in the user's browser.
#pragma once

#include <string_view>

#include "app/window_system.h"

namespace velvane {

void openSearchPage(WindowSystem& window, std::string_view title);
void openFullRanking(WindowSystem& window);
// The list view's double-click: the search page for the title of its first selected row.
void openSelectedListViewEntry(WindowSystem& window);

}  // namespace velvane
