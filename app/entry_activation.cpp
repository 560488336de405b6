#include "app/entry_activation.h"

#include "hotlist/service_address.h"

namespace velvane {
namespace {

constexpr int kTitleColumn = 1;

}  // namespace

// The title goes into the address byte for byte: no escaping and no trimming, so the browser
// receives the title's own characters.
void openSearchPage(WindowSystem& window, std::string_view title) {
    window.openUrl(searchPrefix() + Text(title));
}

void openFullRanking(WindowSystem& window) {
    window.openUrl(fullRankingAddress());
}

void openSelectedListViewEntry(WindowSystem& window) {
    const int row = window.selectedListViewRow();
    openSearchPage(window, row < 0 ? Text() : window.listViewCellText(row, kTitleColumn));
}

}  // namespace velvane
