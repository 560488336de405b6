// The web request routine through the system's internet client (libcurl natively, WinINet as a
// Windows program) against hostile_server.py, which run_with_server.sh starts: one test per kind
// of bad or extreme answer. Each must return (bounded by the client's time-outs), keep memory
// bounded and give what it can; where the page matters, the body also goes through the
// refresh's decoding and parsing, which must find exactly the rows the page holds.
//
// Every test reports the process's peak resident memory; where the system can reset the peak
// (Linux), that is the test's own peak.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hotlist/display_slots.h"
#include "hotlist/hot_rows.h"
#include "net/web_request.h"
#include "peak_memory.h"
#include "text/code_page.h"
#include "text/pattern_matcher.h"

namespace velvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr std::string_view kHot = "\xC8\xC8";                               // 热
constexpr std::string_view kColdWave = "\xBA\xAE\xB3\xB1\xD4\xA4\xBE\xAF";  // 寒潮预警
constexpr std::size_t kMebibyte = std::size_t{1} << 20;
// The most a request for a 100 MiB body may hold at once: the 32 MiB it keeps, the vector's
// growth and the client's buffers, but far from the whole body.
constexpr std::size_t kMaxSanePeakBytes = 96 * kMebibyte;
// Under AddressSanitizer freed memory stays in quarantine and every byte has its shadow, so the
// process's resident memory says nothing about the routine's.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryIsTheRoutines = false;
#else
constexpr bool kResidentMemoryIsTheRoutines = true;
#endif
// Both clients give up at the eleventh redirect and answer with it; libcurl hands over its
// header block only, the WinINet client its body too.
#if defined(_WIN32)
constexpr bool kGivenUpRedirectKeepsItsBody = true;
#else
constexpr bool kGivenUpRedirectKeepsItsBody = false;
#endif

Text environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? Text(value) : Text();
}

Text asText(const ByteArray& bytes) {
    return Text(bytes.begin(), bytes.end());
}

// The server's generated bodies: byte k of the pattern is k % 251, of garbage
// (k * k * 31 + k * 7 + 11) % 256.
bool isPattern(const ByteArray& bytes) {
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        if (bytes[k] != k % 251) {
            return false;
        }
    }
    return true;
}

ByteArray garbageBytes(std::size_t length) {
    ByteArray bytes(length);
    for (std::size_t k = 0; k < length; ++k) {
        bytes[k] = static_cast<unsigned char>((k * k * 31 + k * 7 + 11) % 256);
    }
    return bytes;
}

// What the refresh makes of a body: its text up to the first zero byte, decoded from UTF-8 to
// code page 936 and parsed into rows.
HotRowList rowsOf(const ByteArray& body) {
    const auto end = std::find(body.begin(), body.end(), 0);
    const std::string_view text(reinterpret_cast<const char*>(body.data()),
                                static_cast<std::size_t>(end - body.begin()));
    PatternMatcher matcher;
    return parseHotRows(matcher, utf8ToLocal(text));
}

// What the client made of an answer where backends may differ, for the record.
void note(const Text& what) {
    std::printf("    %s\n", what.c_str());
}

Text hotRow(std::string_view title) {
    return Text(title) + "|" + Text(kHot);
}

class RecordingSlots final : public DisplaySlots {
  public:
    void setTitle(int, std::string_view caption) override { titles.emplace_back(caption); }
    void setTagIcon(int, TagIcon icon) override { icons.push_back(icon); }

    std::vector<Text> titles;
    std::vector<TagIcon> icons;
};

class HostileServer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.empty())
            << "VELVANE_TEST_SERVER is not set: run this through tests/net/run_with_server.sh";
        peakReset_ = resetPeakMemory();
        started_ = std::chrono::steady_clock::now();
    }

    void TearDown() override {
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        std::printf("    peak resident memory %.1f MiB (%s), %.1f s\n",
                    static_cast<double>(peakMemoryBytes()) / kMebibyte,
                    peakReset_ ? "this test" : "whole process", seconds);
    }

    Text url(std::string_view path) const { return "http://" + server_ + Text(path); }

    bool peakReset_ = false;

  private:
    const Text server_ = environment("VELVANE_TEST_SERVER");
    std::chrono::steady_clock::time_point started_;
};

// First in the file, so that where the peak cannot be reset it is still mostly this test's.
TEST_F(HostileServer, HundredMebibyteBodyIsCutAtThirtyTwoWithBoundedMemory) {
    const ByteArray body = webRequest(url("/huge"));
    ASSERT_EQ(body.size(), kMaxResponseBodyBytes);
    EXPECT_TRUE(isPattern(body));
    // The body is kept, and nothing near the 100 MiB that were offered piles up anywhere.
    if (peakReset_ && kResidentMemoryIsTheRoutines) {
        EXPECT_LT(peakMemoryBytes(), kMaxSanePeakBytes);
    }
}

TEST_F(HostileServer, SilentServerIsLeftAfterTheReceiveTimeOut) {
    Text responseHeaders = "stale";
    const ByteArray body = webRequest(url("/silent"), {.responseHeaders = &responseHeaders});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(responseHeaders.find_first_not_of("\r\n"), Text::npos) << responseHeaders;
}

TEST_F(HostileServer, DrippingBodyArrivesWhole) {
    EXPECT_EQ(asText(webRequest(url("/drip"))), "drips");
}

TEST_F(HostileServer, HundredKilobytesOfHeadersComeBackWholeOrNotAtAll) {
    Text responseCookies;
    Text responseHeaders;
    const ByteArray body = webRequest(url("/big-headers"), {.responseCookies = &responseCookies,
                                                            .responseHeaders = &responseHeaders});
    EXPECT_EQ(asText(body), "big headers");
    note("header block " + std::to_string(responseHeaders.size()) + " bytes, cookies \"" +
         responseCookies + "\"");
    // Never a block of blanks, and never half a block: either the client hands the whole block
    // over, with both cookies, or none of it.
    if (responseHeaders.empty()) {
        EXPECT_EQ(responseCookies, "");
    } else {
        EXPECT_GT(responseHeaders.size(), 100u * 1000u);
        EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
        EXPECT_THAT(responseHeaders, HasSubstr("X-Filler-099: " + Text(1000, 'f') + "\r\n"));
        EXPECT_EQ(responseCookies, "first=1; last=2");
    }
}

TEST_F(HostileServer, MalformedHeaderLinesDoNotHarmTheRequest) {
    Text responseCookies;
    Text responseHeaders;
    const ByteArray body = webRequest(url("/bad-headers"), {.responseCookies = &responseCookies,
                                                            .responseHeaders = &responseHeaders});
    // A client may refuse such a response (libcurl does, for the NUL byte) or pass it on; what
    // it passes on is read as any other block, the empty Set-Cookie line giving an empty item.
    note("body \"" + asText(body) + "\", header block " + std::to_string(responseHeaders.size()) +
         " bytes, cookies \"" + responseCookies + "\"");
    EXPECT_TRUE(body.empty() || asText(body) == "bad headers") << asText(body);
    if (responseHeaders.find("Set-Cookie: good=1") != Text::npos) {
        EXPECT_THAT(responseCookies, ::testing::EndsWith("good=1"));
    } else {
        EXPECT_EQ(responseCookies, "");
    }
}

TEST_F(HostileServer, ZeroByteEndsThePageTextButNotTheBody) {
    const ByteArray body = webRequest(url("/zero-bytes"));
    ASSERT_EQ(std::count(body.begin(), body.end(), 0), 1);
    EXPECT_THAT(asText(body), HasSubstr("after 2"));  // the body goes on after the zero byte
    EXPECT_THAT(rowsOf(body),
                ElementsAre(hotRow("before 0"), hotRow("before 1"), hotRow("before 2")));
}

TEST_F(HostileServer, InvalidUtf8BecomesReplacementCharactersAndEveryRowSurvives) {
    const HotRowList rows = rowsOf(webRequest(url("/invalid-utf8")));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], hotRow(kColdWave));
    // Each title keeps its ASCII words; what stood between them is one or more "?".
    const std::vector<std::pair<Text, Text>> ends = {
        {"lone continuation ", " byte"}, {"overlong ", " slash"},   {"surrogate ", " half"},
        {"beyond ", " range"},           {"bytes ", " never used"}, {"cut short ", ""}};
    for (std::size_t k = 0; k < ends.size(); ++k) {
        const Text& row = rows[k + 1];
        const auto& [before, after] = ends[k];
        const Text title = row.substr(0, row.size() - hotRow("").size());
        ASSERT_EQ(row, hotRow(title));
        ASSERT_THAT(title, StartsWith(before));
        ASSERT_THAT(title, ::testing::EndsWith(after));
        const Text middle =
            title.substr(before.size(), title.size() - before.size() - after.size());
        EXPECT_FALSE(middle.empty()) << row;
        EXPECT_EQ(middle.find_first_not_of('?'), Text::npos) << row;
    }
}

TEST_F(HostileServer, PageOfOneEightMebibyteLineGivesItsOneRow) {
    const ByteArray body = webRequest(url("/one-line"));
    ASSERT_GT(body.size(), 8 * kMebibyte - 100);
    ASSERT_EQ(std::count(body.begin(), body.end(), '\n'), 0);
    // Link after link on one line, then one tag cell: one row, with the last link's title.
    EXPECT_THAT(rowsOf(body), ElementsAre(hotRow("x")));
}

TEST_F(HostileServer, TenThousandRowsAreAllParsedAndTheFirstElevenShown) {
    const HotRowList rows = rowsOf(webRequest(url("/rows")));
    ASSERT_EQ(rows.size(), 10000u);
    EXPECT_EQ(rows.front(), hotRow("title 1"));
    EXPECT_EQ(rows[4999], hotRow("title 5000"));
    EXPECT_EQ(rows.back(), hotRow("title 10000"));

    RecordingSlots slots;
    showHotRows(rows, slots);
    ASSERT_EQ(slots.titles.size(), 11u);
    EXPECT_EQ(slots.titles.front(), "title 1");
    EXPECT_EQ(slots.titles.back(), "title 11");
    EXPECT_EQ(slots.icons, std::vector<TagIcon>(11, TagIcon::Hot));
}

TEST_F(HostileServer, RedirectLoopIsGivenUpOn) {
    webRequest(url("/loop-requests"));  // the server counts the loop's requests from here
    Text responseHeaders;
    const ByteArray body = webRequest(url("/loop/0"), {.responseHeaders = &responseHeaders});
    const Text requests = asText(webRequest(url("/loop-requests")));
    note("body \"" + asText(body) + "\", " + requests + " requests, last status " +
         responseHeaders.substr(0, responseHeaders.find('\r')));
    // Ten redirects are followed and the eleventh is the answer: eleven requests in all, long
    // before the server's end of the loop.
    EXPECT_EQ(requests, "11");
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 302 Found\r\n"));
    EXPECT_THAT(responseHeaders, HasSubstr("\r\nLocation: /loop/11\r\n"));
    EXPECT_EQ(asText(body), kGivenUpRedirectKeepsItsBody ? "redirect 10" : "");
}

TEST_F(HostileServer, TruncatedChunkedBodyGivesWhatArrived) {
    const ByteArray body = webRequest(url("/truncated-chunked"));
    constexpr std::size_t kSent = 10 * 1024 + 100;
    note("body " + std::to_string(body.size()) + " of " + std::to_string(kSent) + " bytes");
    EXPECT_LE(body.size(), kSent);
    EXPECT_TRUE(isPattern(body));
}

TEST_F(HostileServer, GarbageInsteadOfAResponseGivesAtMostTheGarbage) {
    Text responseHeaders;
    const ByteArray body = webRequest(url("/garbage-raw"), {.responseHeaders = &responseHeaders});
    // libcurl refuses an answer without a status line; WinINet may read it as an HTTP/0.9 body.
    note("body " + std::to_string(body.size()) + " bytes, header block " +
         std::to_string(responseHeaders.size()) + " bytes");
    const ByteArray garbage = garbageBytes(64 * 1024);
    ASSERT_LE(body.size(), garbage.size());
    EXPECT_TRUE(std::equal(body.begin(), body.end(), garbage.begin()));
    EXPECT_TRUE(rowsOf(body).empty());
}

TEST_F(HostileServer, GarbageBodyArrivesWholeAndYieldsNoRow) {
    const ByteArray body = webRequest(url("/garbage"));
    EXPECT_TRUE(body == garbageBytes(64 * 1024));
    EXPECT_TRUE(rowsOf(body).empty());
}

}  // namespace
}  // namespace velvane
