#include "app/entry_activation.h"

#include <gtest/gtest.h>

#include "app/fake_window_system.h"

namespace velvane {
namespace {

using testing::FakeWindowSystem;

const std::string kHost = VELVANE_SERVICE_HOST;

TEST(OpenSearchPage, AppendsTheTitleByteForByte) {
    const std::string titles[] = {
        "\xD6\xD0\xCE\xC4",    // 中文
        " ",                   // the labels' start-up caption
        "",                    // an empty title opens the prefix alone
        "a b#c?d&e%20f",       // nothing is escaped or trimmed
        "\xB0\xA1|\xC8\xC8 ",  // a bar and a trailing blank stay
    };
    for (const auto& title : titles) {
        FakeWindowSystem window;
        openSearchPage(window, title);
        ASSERT_EQ(window.log.size(), 1u);
        EXPECT_EQ(window.log[0], "open http://" + kHost + "/weibo/" + title);
    }
}

TEST(OpenFullRanking, UsesHttps) {
    FakeWindowSystem window;
    openFullRanking(window);
    EXPECT_EQ(window.log, (std::vector<std::string>{"open https://" + kHost +
                                                    "/top/summary?cate=realtimehot"}));
}

TEST(ListViewDoubleClick, OpensTheSelectedRowsTitleOrThePrefixAlone) {
    FakeWindowSystem window;
    window.listViewRows = {{"1", "first", "100"}, {"2", "\xD6\xD0", "90"}};
    window.selectedRow = 1;
    openSelectedListViewEntry(window);
    window.selectedRow = -1;
    openSelectedListViewEntry(window);
    window.selectedRow = 7;
    openSelectedListViewEntry(window);
    const std::string prefix = "open http://" + kHost + "/weibo/";
    EXPECT_EQ(window.log, (std::vector<std::string>{prefix + "\xD6\xD0", prefix, prefix}));
}

}  // namespace
}  // namespace velvane
