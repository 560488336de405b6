// The addresses of the hot-search service. Its host is fixed when the program is built.
#pragma once

#include "text/text.h"

namespace velvane {

Text summaryPageAddress();  // the ranking page the refresh downloads, over plain HTTP
Text searchPrefix();        // followed by a title: that title's search page
Text fullRankingAddress();  // the ranking page for the browser, over HTTPS

}  // namespace velvane
