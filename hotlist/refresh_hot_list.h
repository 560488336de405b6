// The one command that brings the widget's list up to date.
#pragma once

#include <string_view>

#include "app/date_time.h"
#include "app/window_system.h"

namespace velvane {

class InternetClient;

// The two header lines the refresh sends; the user agent is taken from the second.
inline constexpr std::string_view kRefreshRequestHeaders =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;"
    "q=0.8,application/signed-exchange;v=b3\r\n"
    "User-Agent:Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/78.0.3904.108 Safari/537.36 QIHU 360SE";

// Downloads the summary page, shows its first eleven rows, records the time in
// `lastRefreshTime` and puts the decoded page on the clipboard. A page that yields no row
// changes none of these.
void refreshHotList(WindowSystem& window, InternetClient& internet, DateTime& lastRefreshTime);

}  // namespace velvane
