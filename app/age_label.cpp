#include "app/age_label.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace velvane {
namespace {

constexpr std::string_view kDaysUnit = "\xCC\xEC";                       // 天
constexpr std::string_view kHoursUnit = "\xCA\xB1";                      // 时
constexpr std::string_view kMinutesUnit = "\xB7\xD6";                    // 分
constexpr std::string_view kSecondsUnit = "\xC3\xEB";                    // 秒
constexpr std::string_view kAgoSuffix = "\xC7\xB0\xB8\xFC\xD0\xC2";      // 前更新
constexpr std::string_view kNotYetUpdated = "\xCE\xB4\xB8\xFC\xD0\xC2";  // 未更新

constexpr double kSecondsPerDay = 86400.0;
// Half a millisecond, in days' worth of seconds: a difference that is a whole number of seconds
// in exact arithmetic but falls just short of it in floating point still counts as whole.
constexpr double kRoundingAllowance = 5.787037037037037e-6;

// Whole seconds between the two date-times, whichever is the later, kept to 32 bits as the
// clock's own arithmetic does. The allowance is added to the distance, not to the signed
// difference, so that a clock set back by 65 seconds reads 65 and not 64.
std::int64_t elapsedSeconds(DateTime later, DateTime earlier) {
    if (later == earlier) {
        return 0;
    }
    const double seconds =
        std::trunc(std::fabs(later - earlier) * kSecondsPerDay + kRoundingAllowance);
    // Far outside any real clock: bound it first so that the conversion is defined.
    const auto whole = static_cast<std::int64_t>(std::fmin(seconds, 9.0e15));
    const auto low32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(whole));
    return low32 < 0 ? -std::int64_t{low32} : low32;
}

void appendPart(Text& text, std::int64_t value, std::string_view unit) {
    if (value != 0) {
        text += std::to_string(value);
        text += unit;
    }
}

}  // namespace

Text formatElapsed(DateTime later, DateTime earlier) {
    const std::int64_t seconds = elapsedSeconds(later, earlier);
    Text text;
    appendPart(text, seconds / 86400, kDaysUnit);
    appendPart(text, seconds % 86400 / 3600, kHoursUnit);
    appendPart(text, seconds % 3600 / 60, kMinutesUnit);
    appendPart(text, seconds % 60, kSecondsUnit);
    return text;
}

// Before the first good refresh there is no age to tell: the zero date-time would give a
// meaningless count of days, so the line says that the list is not updated yet.
void updateAgeLabel(WindowSystem& window, DateTime lastRefreshTime) {
    if (lastRefreshTime == kNeverRefreshed) {
        window.setControlText(kAgeLabel, kNotYetUpdated);
        return;
    }
    window.setControlText(kAgeLabel,
                          formatElapsed(window.now(), lastRefreshTime) + Text(kAgoSuffix));
}

}  // namespace velvane
