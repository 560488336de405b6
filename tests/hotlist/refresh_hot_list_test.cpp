#include "hotlist/refresh_hot_list.h"

#include <gtest/gtest.h>

#include <string>

#include "app/control_ids.h"
#include "app/fake_window_system.h"
#include "hotlist/display_slots.h"
#include "hotlist/tag_icon.h"
#include "net/fake_internet_client.h"

namespace velvane {
namespace {

using testing::FakeWindowSystem;

// A summary page in UTF-8 with `count` ranked rows in the shape the service sends: title k is
// "热搜k" (code page 936 "\xC8\xC8\xCB\xD1" + k), and the tags cycle through 新, 沸, none.
std::string summaryPage(int count) {
    std::string page = "<html><body><table><tbody>\n";
    for (int k = 1; k <= count; ++k) {
        const char* tagCells[] = {"<i class=\"icon-txt icon-txt-new\">\xE6\x96\xB0</i>",
                                  "<i class=\"icon-txt icon-txt-boil\">\xE6\xB2\xB8</i>", ""};
        page += "<tr>\n<td class=\"td-01\">" + std::to_string(k) + "</td>\n<td class=\"td-02\">\n";
        page += "<a href=\"/weibo/x\" target=\"_blank\">\xE7\x83\xAD\xE6\x90\x9C" +
                std::to_string(k) + "</a>\n<span>" + std::to_string(100000 - k) + "</span>\n";
        page +=
            "</td>\n<td class=\"td-03\">" + std::string(tagCells[(k - 1) % 3]) + "</td>\n</tr>\n";
    }
    return page + "</tbody></table></body></html>\n";
}

Text titleOf(int k) {
    return "\xC8\xC8\xCB\xD1" + std::to_string(k);
}

TagIcon tagOf(int k) {
    const TagIcon tags[] = {TagIcon::New, TagIcon::Boiling, TagIcon::Default};
    return tags[(k - 1) % 3];
}

std::vector<unsigned char> pictureOf(TagIcon icon) {
    const auto png = tagIconPng(icon);
    return {png.begin(), png.end()};
}

struct Refresh {
    FakeWindowSystem window;
    FakeInternetClient internet;
    DateTime lastRefreshTime = kNeverRefreshed;

    void run(const std::string& body) {
        internet = FakeInternetClient();
        internet.body.assign(body.begin(), body.end());
        refreshHotList(window, internet, lastRefreshTime);
    }
};

TEST(RefreshHotList, RequestsTheSummaryPageWithItsTwoHeaderLines) {
    Refresh refresh;
    refresh.run(summaryPage(3));
    ASSERT_EQ(refresh.internet.openRequests.size(), 1u);
    EXPECT_EQ(refresh.internet.openRequests[0].verb, "GET");
    EXPECT_EQ(refresh.internet.openRequests[0].path, "/top/summary?cate=realtimehot");
    ASSERT_EQ(refresh.internet.sends.size(), 1u);
    const std::string url = "http://" VELVANE_SERVICE_HOST "/top/summary?cate=realtimehot";
    EXPECT_EQ(
        refresh.internet.sends[0].headers,
        std::string(kRefreshRequestHeaders) + "\r\nReferer: " + url + "\r\nAccept-Language: zh-cn");
    EXPECT_EQ(kRefreshRequestHeaders.size(), 260u);
}

TEST(RefreshHotList, FillsTheSlotsFromPagesOfManySizes) {
    for (const int rowCount : {5, 11, 60}) {
        Refresh refresh;
        refresh.window.clock = 45678.25;
        refresh.run(summaryPage(rowCount));
        const int shown = std::min(rowCount, kDisplaySlotCount);
        for (int slot = 1; slot <= kDisplaySlotCount; ++slot) {
            const bool hasRow = slot <= shown;
            EXPECT_EQ(refresh.window.texts[titleLabelId(slot)], hasRow ? titleOf(slot) : " ")
                << rowCount << " rows, slot " << slot;
            EXPECT_EQ(refresh.window.pictures[tagPictureId(slot)],
                      pictureOf(hasRow ? tagOf(slot) : TagIcon::Default))
                << rowCount << " rows, slot " << slot;
        }
        EXPECT_EQ(refresh.lastRefreshTime, 45678.25) << rowCount;
        ASSERT_TRUE(refresh.window.clipboard.has_value());
        // the clipboard holds the whole decoded page, markup and all
        EXPECT_NE(refresh.window.clipboard->find("<tbody>"), std::string::npos);
        EXPECT_NE(refresh.window.clipboard->find(titleOf(rowCount) + "</a>"), std::string::npos);
        EXPECT_EQ(refresh.window.listViewClears, 1);
    }
}

TEST(RefreshHotList, APageWithoutRowsChangesNothingTheUserSees) {
    Refresh refresh;
    refresh.window.clock = 45000.5;
    refresh.run(summaryPage(11));
    const auto textsBefore = refresh.window.texts;
    const auto picturesBefore = refresh.window.pictures;
    const auto clipboardBefore = refresh.window.clipboard;

    for (const std::string& body : {std::string(), summaryPage(0), std::string("garbage\0\xFF", 9),
                                    std::string("<html>Internal Server Error</html>")}) {
        refresh.window.clock = 45001.5;
        refresh.run(body);
        EXPECT_EQ(refresh.window.texts, textsBefore);
        EXPECT_EQ(refresh.window.pictures, picturesBefore);
        EXPECT_EQ(refresh.window.clipboard, clipboardBefore);
        EXPECT_EQ(refresh.lastRefreshTime, 45000.5);
    }
}

TEST(RefreshHotList, ABodyIsCutAtItsFirstZeroByte) {
    Refresh refresh;
    std::string body = summaryPage(2);
    body += '\0';
    body += summaryPage(20);
    refresh.run(body);
    EXPECT_EQ(refresh.window.texts[titleLabelId(2)], titleOf(2));
    EXPECT_EQ(refresh.window.texts[titleLabelId(3)], " ");
    EXPECT_EQ(refresh.window.clipboard->find('\0'), std::string::npos);
}

TEST(RefreshHotList, AClipboardThatCannotBeOpenedIsSkipped) {
    Refresh refresh;
    refresh.window.clipboardAvailable = false;
    refresh.window.clock = 45002.0;
    refresh.run(summaryPage(4));
    EXPECT_FALSE(refresh.window.clipboard.has_value());
    EXPECT_EQ(refresh.lastRefreshTime, 45002.0);
    EXPECT_EQ(refresh.window.texts[titleLabelId(4)], titleOf(4));
}

}  // namespace
}  // namespace velvane
