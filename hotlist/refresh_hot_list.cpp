#include "hotlist/refresh_hot_list.h"

#include <algorithm>

#include "hotlist/display_slots.h"
#include "hotlist/hot_rows.h"
#include "hotlist/service_address.h"
#include "hotlist/window_display_slots.h"
#include "net/web_request.h"
#include "text/code_page.h"
#include "text/pattern_matcher.h"

namespace velvane {
namespace {

// The body as a text: its bytes up to the first zero byte.
std::string_view bodyText(const ByteArray& body) {
    const auto end = std::find(body.begin(), body.end(), 0);
    return {reinterpret_cast<const char*>(body.data()),
            static_cast<std::size_t>(end - body.begin())};
}

}  // namespace

// The refresh looks at none of the request's results: a failed download, an error page and a
// page of another layout all show up as a page without rows. Such a page changes nothing the
// user sees: the slots keep the last good list, the age line keeps counting from the last good
// refresh, and the user's clipboard is left alone.
void refreshHotList(WindowSystem& window, InternetClient& internet, DateTime& lastRefreshTime) {
    PatternMatcher matcher;
    window.clearListView();

    const ByteArray body =
        webRequest(internet, summaryPageAddress(), {.extraHeaders = kRefreshRequestHeaders});
    const Text page = utf8ToLocal(bodyText(body));

    const HotRowList rows = parseHotRows(matcher, page);
    if (rows.empty()) {
        return;
    }
    WindowDisplaySlots slots(window);
    showHotRows(rows, slots);

    lastRefreshTime = window.now();
    window.setClipboardText(page);
}

}  // namespace velvane
