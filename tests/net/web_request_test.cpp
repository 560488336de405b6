#include "net/web_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "tests/net/fake_internet_client.h"

namespace velvane {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

// The refresh's own request: two header lines, the second with no blank after its colon.
constexpr std::string_view kRefreshHeaders =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;"
    "q=0.8,application/signed-exchange;v=b3\r\n"
    "User-Agent:Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/78.0.3904.108 Safari/537.36 QIHU 360SE";
constexpr std::string_view kRefreshUserAgent =
    "Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/78.0.3904.108 Safari/537.36 QIHU 360SE";
constexpr std::string_view kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::string_view kUrl = "http://hot.example.com/top/summary?cate=realtimehot";
constexpr std::string_view kOkHeaders = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n";

ByteArray bytes(std::string_view text) {
    return ByteArray(text.begin(), text.end());
}

Text completed(std::string_view url) {
    return "Accept: */*\r\nReferer: " + Text(url) + "\r\nAccept-Language: zh-cn";
}

std::uint32_t decodeOption(const ByteArray& value) {
    std::uint32_t decoded = 0;
    EXPECT_EQ(value.size(), sizeof decoded);
    std::memcpy(&decoded, value.data(), std::min(value.size(), sizeof decoded));
    return decoded;
}

class WebRequestTest : public ::testing::Test {
  protected:
    WebRequestTest() {
        client.body = bytes("page");
        client.headerBlock = Text(kOkHeaders);
    }

    FakeInternetClient client;
};

TEST_F(WebRequestTest, RefreshRequestCallsTheClientExactly) {
    ASSERT_EQ(kRefreshHeaders.size(), 260u);
    const Text url = "http://hot.example.com/top/summary?cate=realtimehot";

    const ByteArray body = webRequest(client, url, {.extraHeaders = kRefreshHeaders});

    EXPECT_EQ(body, bytes("page"));
    EXPECT_THAT(client.operations, ElementsAre("open", "connect", "openRequest", "setOption",
                                               "sendRequest", "readFile", "readFile", "queryInfo",
                                               "closeHandle", "closeHandle", "closeHandle"));

    ASSERT_EQ(client.opens.size(), 1u);
    EXPECT_EQ(client.opens[0].userAgent, kRefreshUserAgent);
    EXPECT_EQ(client.opens[0].accessType, kInternetOpenTypeDirect);
    EXPECT_EQ(client.opens[0].proxy, std::nullopt);
    EXPECT_EQ(client.opens[0].proxyBypass, std::nullopt);
    EXPECT_EQ(client.opens[0].flags, 0u);

    ASSERT_EQ(client.connects.size(), 1u);
    const ConnectCall& connect = client.connects[0];
    EXPECT_EQ(connect.internet, FakeInternetClient::kInternet);
    EXPECT_EQ(connect.host, "hot.example.com");
    EXPECT_EQ(connect.port, 80);
    EXPECT_EQ(connect.userName, std::nullopt);
    EXPECT_EQ(connect.password, std::nullopt);
    EXPECT_EQ(connect.service, kInternetServiceHttp);
    EXPECT_EQ(connect.flags, 0u);
    EXPECT_EQ(connect.context, 0u);

    ASSERT_EQ(client.openRequests.size(), 1u);
    const OpenRequestCall& request = client.openRequests[0];
    EXPECT_EQ(request.connection, FakeInternetClient::kConnection);
    EXPECT_EQ(request.verb, "GET");
    EXPECT_EQ(request.path, "/top/summary?cate=realtimehot");
    EXPECT_EQ(request.version, "HTTP/1.1");
    EXPECT_EQ(request.referrer, std::nullopt);
    EXPECT_TRUE(request.acceptTypes.empty());
    EXPECT_EQ(request.flags, 0x80004010u);
    EXPECT_EQ(request.context, 0u);

    ASSERT_EQ(client.setOptions.size(), 1u);
    EXPECT_EQ(client.setOptions[0].handle, FakeInternetClient::kRequest);
    EXPECT_EQ(client.setOptions[0].option, kInternetOptionSecurityFlags);
    // only the tolerance of redirects between HTTP and HTTPS: certificates stay checked
    EXPECT_EQ(decodeOption(client.setOptions[0].value), 0xC000u);

    ASSERT_EQ(client.sends.size(), 1u);
    EXPECT_EQ(client.sends[0].request, FakeInternetClient::kRequest);
    EXPECT_EQ(client.sends[0].headers,
              Text(kRefreshHeaders) + "\r\nReferer: " + url + "\r\nAccept-Language: zh-cn");
    EXPECT_TRUE(client.sends[0].body.empty());

    EXPECT_THAT(client.readBufferSizes, Each(1024u));
    ASSERT_EQ(client.queries.size(), 1u);
    EXPECT_EQ(client.queries[0].request, FakeInternetClient::kRequest);
    EXPECT_EQ(client.queries[0].infoLevel, kHttpQueryRawHeadersCrlf);
    EXPECT_EQ(client.queries[0].bufferSize, 5000u);
    EXPECT_FALSE(client.queries[0].withIndex);

    EXPECT_THAT(client.closed,
                ElementsAre(FakeInternetClient::kRequest, FakeInternetClient::kConnection,
                            FakeInternetClient::kInternet));
}

TEST_F(WebRequestTest, MethodIndexOutOfRangeMeansGet) {
    const struct {
        std::optional<int> method;
        std::string_view verb;
    } cases[] = {
        {std::nullopt, "GET"}, {-1, "GET"},    {0, "GET"},     {1, "POST"},
        {2, "HEAD"},           {3, "PUT"},     {4, "OPTIONS"}, {5, "DELETE"},
        {6, "TRACE"},          {7, "CONNECT"}, {8, "GET"},     {-2147483647 - 1, "GET"},
    };
    for (const auto& c : cases) {
        FakeInternetClient fake;
        webRequest(fake, kUrl, {.method = c.method});
        ASSERT_EQ(fake.openRequests.size(), 1u);
        EXPECT_EQ(fake.openRequests[0].verb, c.verb) << "method " << c.method.value_or(999);
    }
}

TEST_F(WebRequestTest, SecureAddressSetsFlagsAndPort) {
    constexpr std::uint32_t kAlways = 0x80000010;
    const struct {
        std::string_view url;
        std::uint16_t port;
        std::string_view host, path;
        std::uint32_t flags;
    } cases[] = {
        {"https://h.example/a", 443, "h.example", "/a", kAlways | kInternetFlagSecure},
        {"HTTPS://H.Example/A", 443, "h.example", "/A", kAlways | kInternetFlagSecure},
        {"Https://h.example:8443/", 8443, "h.example", "/", kAlways | kInternetFlagSecure},
        {"http://h.example/a", 80, "h.example", "/a", kAlways | kInternetFlagIgnoreRedirectToHttps},
        {"h.example/a", 80, "h.example", "/a", kAlways | kInternetFlagIgnoreRedirectToHttps},
        {"HTTP://h.example:81", 81, "h.example", "/", kAlways | kInternetFlagIgnoreRedirectToHttps},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        FakeInternetClient fake;
        webRequest(fake, c.url);
        ASSERT_EQ(fake.openRequests.size(), 1u);
        EXPECT_EQ(fake.connects[0].host, c.host);
        EXPECT_EQ(fake.connects[0].port, c.port);
        EXPECT_EQ(fake.openRequests[0].path, c.path);
        EXPECT_EQ(fake.openRequests[0].flags, c.flags);
    }
}

TEST_F(WebRequestTest, RedirectAndCookieSwitchesSetTheirFlags) {
    const struct {
        std::optional<bool> noRedirect;
        bool cookiesGiven;
        std::uint32_t added;
    } cases[] = {
        {std::nullopt, false, 0},
        {false, false, 0},
        {true, false, kInternetFlagNoAutoRedirect},
        {std::nullopt, true, kInternetFlagNoCookies},
        {true, true, kInternetFlagNoAutoRedirect | kInternetFlagNoCookies},
    };
    for (const auto& c : cases) {
        FakeInternetClient fake;
        Text cookies;
        webRequest(fake, kUrl,
                   {.cookies = c.cookiesGiven ? &cookies : nullptr, .noRedirect = c.noRedirect});
        ASSERT_EQ(fake.openRequests.size(), 1u);
        EXPECT_EQ(fake.openRequests[0].flags, 0x80004010u | c.added);
    }
}

TEST_F(WebRequestTest, ProxyTextDependsOnTheScheme) {
    const struct {
        std::optional<std::string_view> proxy;
        std::string_view url;
        std::uint32_t accessType;
        std::optional<Text> proxyText, bypass;
    } cases[] = {
        {std::nullopt, "http://h/", kInternetOpenTypeDirect, std::nullopt, std::nullopt},
        {"", "http://h/", kInternetOpenTypeDirect, std::nullopt, std::nullopt},
        {"p.example:3128", "http://h/", kInternetOpenTypeProxy, "http=p.example:3128", ""},
        {"p.example:3128", "h/x", kInternetOpenTypeProxy, "http=p.example:3128", ""},
        {"p.example:3128", "https://h/", kInternetOpenTypeProxy, "p.example:3128", ""},
        {"p.example:3128", "HTTPS://h/", kInternetOpenTypeProxy, "p.example:3128", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        FakeInternetClient fake;
        webRequest(fake, c.url, {.proxy = c.proxy});
        ASSERT_EQ(fake.opens.size(), 1u);
        EXPECT_EQ(fake.opens[0].accessType, c.accessType);
        EXPECT_EQ(fake.opens[0].proxy, c.proxyText);
        EXPECT_EQ(fake.opens[0].proxyBypass, c.bypass);
    }
}

TEST_F(WebRequestTest, CompletesAndRecasesTheHeaderText) {
    const Text url(kUrl);
    const struct {
        std::optional<std::string_view> extraHeaders;
        std::optional<int> method;
        std::optional<bool> completeHeaders, capitalizeHeaders;
        Text sent;
    } cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt, completed(url)},
        {"", std::nullopt, std::nullopt, std::nullopt, completed(url)},
        {std::nullopt, 1, std::nullopt, std::nullopt,
         completed(url) + "\r\nContent-Type: application/x-www-form-urlencoded"},
        // only POST gets a Content-Type
        {std::nullopt, 3, std::nullopt, std::nullopt, completed(url)},
        {"Content-Type: text/plain", 1, std::nullopt, std::nullopt,
         "Content-Type: text/plain\r\nAccept: */*\r\nReferer: " + url +
             "\r\nAccept-Language: zh-cn"},
        // a name found anywhere counts as present
        {"X-Accept: a", std::nullopt, std::nullopt, std::nullopt,
         "X-Accept: a\r\nReferer: " + url + "\r\nAccept-Language: zh-cn"},
        {"Accept-Language: en", std::nullopt, std::nullopt, std::nullopt,
         "Accept-Language: en\r\nAccept: */*\r\nReferer: " + url},
        {"referer: r", std::nullopt, std::nullopt, std::nullopt,
         "Referer: r\r\nAccept: */*\r\nAccept-Language: zh-cn"},
        {"no colon\r\nx-y: 1\r\n", std::nullopt, std::nullopt, std::nullopt,
         "X-Y: 1\r\nAccept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn"},
        {"a: 1", std::nullopt, false, std::nullopt, "A: 1"},
        {"a: 1\r\nno colon", std::nullopt, false, false, "a: 1\r\nno colon"},
        {std::nullopt, 1, false, std::nullopt, ""},
        // capitalizing drops everything, completion starts from nothing
        {"garbage", std::nullopt, std::nullopt, std::nullopt, completed(url)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.extraHeaders.value_or("(left out)")));
        FakeInternetClient fake;
        webRequest(fake, url,
                   {.method = c.method,
                    .extraHeaders = c.extraHeaders,
                    .completeHeaders = c.completeHeaders,
                    .capitalizeHeaders = c.capitalizeHeaders});
        ASSERT_EQ(fake.sends.size(), 1u);
        EXPECT_EQ(fake.sends[0].headers, c.sent);
    }
}

TEST_F(WebRequestTest, TakesTheUserAgentFromTheHeaderText) {
    const struct {
        std::optional<std::string_view> extraHeaders;
        std::optional<bool> capitalizeHeaders;
        Text userAgent;
    } cases[] = {
        {std::nullopt, std::nullopt, Text(kDefaultUserAgent)},
        {"Accept: x", std::nullopt, Text(kDefaultUserAgent)},
        {kRefreshHeaders, std::nullopt, Text(kRefreshUserAgent)},
        {"Accept: x\r\nUser-Agent:  A B  \r\nX: y", std::nullopt, "A B"},
        // re-cased first, then found
        {"user-agent: Agent/1", std::nullopt, "Agent/1"},
        // not re-cased: the exact-case search fails; the value after the first colon is taken
        {"user-agent: Agent/1", false, "Agent/1"},
        {"Accept: a\r\nuser-agent: B", false, "a\r\nuser-agent: B"},
        // a name in capitals stays in capitals, so again the text after the first colon
        {"USER-AGENT: Loud", std::nullopt, "Loud"},
        // an empty value falls back to everything after the first colon, later lines included
        {"User-Agent:\r\nX-A: b", std::nullopt, "\r\nX-A: b"},
        // the first exact-case occurrence anywhere is the one cut out
        {"X-User-Agent: first\r\nUser-Agent: second", std::nullopt, "first"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.extraHeaders.value_or("(left out)")));
        FakeInternetClient fake;
        webRequest(fake, kUrl,
                   {.extraHeaders = c.extraHeaders, .capitalizeHeaders = c.capitalizeHeaders});
        ASSERT_EQ(fake.opens.size(), 1u);
        EXPECT_EQ(fake.opens[0].userAgent, c.userAgent);
    }
}

TEST_F(WebRequestTest, UserAgentLineIsStillSent) {
    webRequest(client, kUrl, {.extraHeaders = "User-Agent: A"});
    ASSERT_EQ(client.sends.size(), 1u);
    EXPECT_EQ(client.sends[0].headers, "User-Agent: A\r\nAccept: */*\r\nReferer: " + Text(kUrl) +
                                           "\r\nAccept-Language: zh-cn");
}

TEST_F(WebRequestTest, AppendsTheCallersCookies) {
    const struct {
        std::optional<std::string_view> cookies;
        std::optional<bool> completeHeaders;
        Text sent;
    } cases[] = {
        {std::nullopt, std::nullopt, completed(kUrl)},
        {"", std::nullopt, completed(kUrl)},
        {"a=1; b=2", std::nullopt, completed(kUrl) + "\r\nCookie: a=1; b=2"},
        {"Cookie: a=1", std::nullopt, completed(kUrl) + "\r\nCookie: a=1"},
        {"x=1; Cookie: y", std::nullopt, completed(kUrl) + "\r\nx=1; Cookie: y"},
        // the header name is searched respecting case
        {"COOKIE: a=1", std::nullopt, completed(kUrl) + "\r\nCookie: COOKIE: a=1"},
        {"a=1", false, "\r\nCookie: a=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.cookies.value_or("(left out)")));
        FakeInternetClient fake;
        Text cookies(c.cookies.value_or(""));
        webRequest(
            fake, kUrl,
            {.cookies = c.cookies ? &cookies : nullptr, .completeHeaders = c.completeHeaders});
        ASSERT_EQ(fake.sends.size(), 1u);
        EXPECT_EQ(fake.sends[0].headers, c.sent);
    }
}

TEST_F(WebRequestTest, SendsTheBodyFromBytesOrText) {
    const struct {
        std::optional<int> method;
        std::optional<std::string_view> postText;
        std::optional<ByteArray> postBytes;  // none: left out
        ByteArray sent;
        std::optional<ByteArray> postBytesAfter;
    } cases[] = {
        {std::nullopt, "a=1", ByteArray{}, {}, ByteArray{}},
        {0, "a=1", bytes("zz"), {}, bytes("zz")},
        {-1, "a=1", ByteArray{}, {}, ByteArray{}},
        {1, "a=1", std::nullopt, bytes("a=1"), std::nullopt},
        {1, "a=1", ByteArray{}, bytes("a=1"), bytes("a=1")},
        {1, "a=1", ByteArray{0, 1, 2}, ByteArray{0, 1, 2}, ByteArray{0, 1, 2}},
        {1, std::nullopt, ByteArray{}, {}, ByteArray{}},
        {2, "h", std::nullopt, bytes("h"), std::nullopt},
        {3, "put", ByteArray{}, bytes("put"), bytes("put")},
        {7, std::nullopt, bytes("c"), bytes("c"), bytes("c")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "method " << c.method.value_or(999) << " text '"
                                          << c.postText.value_or("(left out)") << "'");
        FakeInternetClient fake;
        std::optional<ByteArray> postBytes = c.postBytes;
        webRequest(fake, kUrl,
                   {.method = c.method,
                    .postText = c.postText,
                    .postBytes = postBytes ? &*postBytes : nullptr});
        ASSERT_EQ(fake.sends.size(), 1u);
        EXPECT_EQ(fake.sends[0].body, c.sent);
        EXPECT_EQ(postBytes, c.postBytesAfter);
    }
}

TEST_F(WebRequestTest, MissingHandleReturnsEarlyAndClosesWhatWasOpened) {
    using Operations = std::vector<std::string>;
    const struct {
        bool openFails, connectFails, openRequestFails;
        Operations operations;
        std::vector<InternetHandle> closed;
    } cases[] = {
        {true, false, false, {"open"}, {}},
        {false, true, false, {"open", "connect", "closeHandle"}, {FakeInternetClient::kInternet}},
        {false,
         false,
         true,
         {"open", "connect", "openRequest", "closeHandle", "closeHandle"},
         {FakeInternetClient::kConnection, FakeInternetClient::kInternet}},
    };
    for (const auto& c : cases) {
        FakeInternetClient fake;
        fake.body = bytes("page");
        fake.headerBlock = "HTTP/1.1 200 OK\r\nSet-Cookie: z=9\r\n\r\n";
        fake.openFails = c.openFails;
        fake.connectFails = c.connectFails;
        fake.openRequestFails = c.openRequestFails;
        Text cookies = "c=1";
        Text responseCookies = "kept cookies";
        Text responseHeaders = "kept headers";
        ByteArray postBytes = bytes("kept");

        const ByteArray body = webRequest(fake, kUrl,
                                          {.method = 1,
                                           .postText = "text",
                                           .cookies = &cookies,
                                           .responseCookies = &responseCookies,
                                           .responseHeaders = &responseHeaders,
                                           .postBytes = &postBytes});

        EXPECT_TRUE(body.empty());
        EXPECT_EQ(fake.operations, c.operations);
        EXPECT_EQ(fake.closed, c.closed);
        EXPECT_EQ(cookies, "c=1");
        EXPECT_EQ(responseCookies, "kept cookies");
        EXPECT_EQ(responseHeaders, "kept headers");
        EXPECT_EQ(postBytes, bytes("kept"));
    }
}

TEST_F(WebRequestTest, GathersSetCookieLines) {
    const struct {
        std::string_view headers;
        Text cookies;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
        {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSET-COOKIE: b=2\r\n\r\n", ""},
        // the name must be followed by a colon and a blank
        {"HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\nSet-Cookie:   x = y ;path=/\r\n\r\n", "x = y"},
        // without ";" the line less every "Set-Cookie:" in any case
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1set-cookie:\r\n\r\n", "a=1"},
        // repeats and deletions stay at this step
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: a=deleted\r\n\r\n", "a=1; a=deleted"},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headers);
        FakeInternetClient fake;
        fake.headerBlock = Text(c.headers);
        Text responseCookies = "stale";
        Text responseHeaders;
        webRequest(fake, kUrl,
                   {.responseCookies = &responseCookies, .responseHeaders = &responseHeaders});
        EXPECT_EQ(responseHeaders, c.headers);
        EXPECT_EQ(responseCookies, c.cookies);
    }
}

TEST_F(WebRequestTest, EmptyBodyStillFillsHeadersAndCookies) {
    client.body.clear();
    client.headerBlock = "HTTP/1.1 204 No Content\r\nSet-Cookie: a=1\r\n\r\n";
    Text responseCookies;
    Text responseHeaders;
    const ByteArray body = webRequest(
        client, kUrl, {.responseCookies = &responseCookies, .responseHeaders = &responseHeaders});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(responseHeaders, *client.headerBlock);
    EXPECT_EQ(responseCookies, "a=1");
}

TEST_F(WebRequestTest, MergesResponseCookiesIntoTheCallers) {
    constexpr std::string_view kHeaders =
        "HTTP/1.1 200 OK\r\nSet-Cookie: b=3; path=/\r\nSet-Cookie: c=4\r\n"
        "Set-Cookie: d=deleted\r\nSet-Cookie: c=4\r\n\r\n";
    const struct {
        std::optional<std::string_view> cookies;
        std::optional<bool> autoMerge;
        Text responseCookies;
        Text cookiesAfter;
    } cases[] = {
        {"a=1; b=2; d=5", std::nullopt, "b=3; c=4; a=1", "b=3; c=4; a=1"},
        {"a=1; b=2; d=5", true, "b=3; c=4; a=1", "b=3; c=4; a=1"},
        {"a=1; b=2; d=5", false, "b=3; c=4; d=deleted; c=4", "a=1; b=2; d=5"},
        {"", std::nullopt, "b=3; c=4", "b=3; c=4"},
        // cookies left out: nothing to merge into
        {std::nullopt, std::nullopt, "b=3; c=4; d=deleted; c=4", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Text(c.cookies.value_or("(left out)")));
        FakeInternetClient fake;
        fake.headerBlock = Text(kHeaders);
        Text cookies(c.cookies.value_or(""));
        Text responseCookies;
        webRequest(fake, kUrl,
                   {.cookies = c.cookies ? &cookies : nullptr,
                    .responseCookies = &responseCookies,
                    .autoMergeCookies = c.autoMerge});
        EXPECT_EQ(responseCookies, c.responseCookies);
        EXPECT_EQ(cookies, c.cookiesAfter);
    }
}

TEST_F(WebRequestTest, FailedHeaderQueryGivesEmptyHeadersAndCookies) {
    client.headerBlock.reset();
    Text cookies = "a=1";
    Text responseCookies = "stale";
    Text responseHeaders = "stale";
    const ByteArray body = webRequest(client, kUrl,
                                      {.cookies = &cookies,
                                       .responseCookies = &responseCookies,
                                       .responseHeaders = &responseHeaders});
    EXPECT_EQ(body, bytes("page"));
    EXPECT_EQ(responseHeaders, "");
    // the caller's cookies merged with nothing
    EXPECT_EQ(responseCookies, "a=1");
    EXPECT_EQ(cookies, "a=1");
}

TEST_F(WebRequestTest, HeaderQueryRetriesWithTheSizeTheClientAsksFor) {
    const Text block = "HTTP/1.1 200 OK\r\nSet-Cookie: big=" + Text(6000, 'x') + "\r\n\r\n";
    client.headerBlock = block;
    Text responseHeaders;
    Text responseCookies;
    webRequest(client, kUrl,
               {.responseCookies = &responseCookies, .responseHeaders = &responseHeaders});
    EXPECT_EQ(responseHeaders, block);
    EXPECT_EQ(responseCookies, "big=" + Text(6000, 'x'));
    ASSERT_EQ(client.queries.size(), 2u);
    EXPECT_EQ(client.queries[0].bufferSize, 5000u);
    EXPECT_EQ(client.queries[1].bufferSize, block.size() + 1);
}

TEST_F(WebRequestTest, HeaderQueryGivesUpWhenTheAskedSizeDoesNotGrow) {
    const struct {
        std::uint32_t reported;
        std::size_t queries;
    } cases[] = {
        {100, 1},                     // asks for less than it was given
        {5000, 1},                    // asks for what it was given
        {5001, 2},                    // asks for more, then still does not fit
        {std::uint32_t{1} << 30, 1},  // asks for more than any header block is worth
    };
    for (const auto& c : cases) {
        FakeInternetClient fake;
        fake.headerBlock = Text(6000, 'h');
        fake.reportedHeaderSize = c.reported;
        Text responseHeaders = "stale";
        webRequest(fake, kUrl, {.responseHeaders = &responseHeaders});
        EXPECT_EQ(responseHeaders, "") << c.reported;
        EXPECT_EQ(fake.queries.size(), c.queries) << c.reported;
    }
}

TEST_F(WebRequestTest, ReadsTheBodyInChunksUntilNothingComes) {
    ByteArray page;
    for (int i = 0; i < 3000; ++i) {
        page.push_back(static_cast<unsigned char>(i));
    }
    client.body = page;
    client.chunkBytes = 700;
    EXPECT_EQ(webRequest(client, kUrl), page);
    // 3000 bytes in reads of 700, then the read that delivers nothing
    EXPECT_EQ(client.readBufferSizes.size(), 6u);
}

TEST_F(WebRequestTest, FailedReadEndsTheBody) {
    client.body = ByteArray(5000, 'b');
    client.readFailsAfter = 2;
    EXPECT_EQ(webRequest(client, kUrl), ByteArray(2048, 'b'));
    EXPECT_EQ(client.readBufferSizes.size(), 3u);
}

TEST_F(WebRequestTest, CutsTheBodyAtThirtyTwoMebibytes) {
    ASSERT_EQ(kMaxResponseBodyBytes, 32u << 20);
    client.body = ByteArray(40u << 20, 'z');
    client.body[kMaxResponseBodyBytes - 1] = 'L';
    const ByteArray body = webRequest(client, kUrl);
    ASSERT_EQ(body.size(), kMaxResponseBodyBytes);
    EXPECT_EQ(body.back(), 'L');
    // the reading stops at the limit; the request is still closed properly
    EXPECT_EQ(client.readBufferSizes.size(), kMaxResponseBodyBytes / 1024);
    EXPECT_THAT(client.closed,
                ElementsAre(FakeInternetClient::kRequest, FakeInternetClient::kConnection,
                            FakeInternetClient::kInternet));
}

}  // namespace
}  // namespace velvane
