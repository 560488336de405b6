#include "app/age_label.h"

#include <gtest/gtest.h>

#include "app/fake_window_system.h"

namespace velvane {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
const Text kAgo = "\xC7\xB0\xB8\xFC\xD0\xC2";  // 前更新

// "1天1时1分1秒" and friends, spelled with their code page 936 units.
Text age(const char* ascii) {
    Text out;
    for (const char* c = ascii; *c; ++c) {
        switch (*c) {
            case 'd':
                out += "\xCC\xEC";
                break;  // 天
            case 'h':
                out += "\xCA\xB1";
                break;  // 时
            case 'm':
                out += "\xB7\xD6";
                break;  // 分
            case 's':
                out += "\xC3\xEB";
                break;  // 秒
            default:
                out += *c;
        }
    }
    return out;
}

// Each case also runs with the two times swapped: when the clock is set back, the line tells the
// distance in the same form.
TEST(FormatElapsed, SplitsIntoNonZeroParts) {
    const double base = 45123.5;
    const struct {
        double seconds;
        const char* expected;
    } cases[] = {
        {0, ""},          {0.4, ""},     {3, "3s"},       {59, "59s"},
        {60, "1m"},       {65, "1m5s"},  {120, "2m"},     {3600, "1h"},
        {3661, "1h1m1s"}, {86400, "1d"}, {86401, "1d1s"}, {90061, "1d1h1m1s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatElapsed(base + c.seconds * kSecond, base), age(c.expected)) << c.seconds;
        EXPECT_EQ(formatElapsed(base, base + c.seconds * kSecond), age(c.expected)) << -c.seconds;
    }
}

TEST(FormatElapsed, AWholeSecondThatFallsShortInFloatingPointStillCounts) {
    // Two clock readings one second apart whose difference comes out as 0.9999996 seconds.
    const double earlier = 45123.0 + 1.0 / 86400.0;
    const double later = 45123.0 + 2.0 / 86400.0;
    ASSERT_LT((later - earlier) * 86400.0, 1.0);
    EXPECT_EQ(formatElapsed(later, earlier), age("1s"));
}

TEST(UpdateAgeLabel, WritesTheAgeWithItsSuffix) {
    testing::FakeWindowSystem window;
    window.clock = 45123.0;
    updateAgeLabel(window, 45123.0);
    EXPECT_EQ(window.texts[kAgeLabel], kAgo);
    window.clock = 45123.0 + 65 * kSecond;
    updateAgeLabel(window, 45123.0);
    EXPECT_EQ(window.texts[kAgeLabel], age("1m5s") + kAgo);
}

TEST(UpdateAgeLabel, SaysNotYetUpdatedBeforeAnyRefresh) {
    testing::FakeWindowSystem window;
    updateAgeLabel(window, kNeverRefreshed);
    EXPECT_EQ(window.texts[kAgeLabel], "\xCE\xB4\xB8\xFC\xD0\xC2");  // 未更新
}

}  // namespace
}  // namespace velvane
