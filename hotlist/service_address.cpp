#include "hotlist/service_address.h"

#include <string_view>

namespace velvane {
namespace {

constexpr std::string_view kServiceHost = VELVANE_SERVICE_HOST;
constexpr std::string_view kSummaryPath = "/top/summary?cate=realtimehot";
constexpr std::string_view kSearchPath = "/weibo/";

}  // namespace

Text summaryPageAddress() {
    return "http://" + Text(kServiceHost) + Text(kSummaryPath);
}

Text searchPrefix() {
    return "http://" + Text(kServiceHost) + Text(kSearchPath);
}

Text fullRankingAddress() {
    return "https://" + Text(kServiceHost) + Text(kSummaryPath);
}

}  // namespace velvane
