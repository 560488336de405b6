// The web request routine through the system's internet client (libcurl natively, WinINet as a
// Windows program) against the local test server that run_with_server.sh starts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "net/web_request.h"
#include "text/text_ops.h"

namespace velvane {
namespace {

using ::testing::StartsWith;

// A redirect the client meant to follow but did not (the eleventh, or one to another scheme)
// is the answer. libcurl drops the body of a redirect it meant to follow; the WinINet client
// hands it over.
#if defined(_WIN32)
constexpr bool kStandingRedirectKeepsItsBody = true;
#else
constexpr bool kStandingRedirectKeepsItsBody = false;
#endif

constexpr std::string_view kRefreshHeaders =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,image/apng,*/*;"
    "q=0.8,application/signed-exchange;v=b3\r\n"
    "User-Agent:Mozilla/5.0 (Windows NT 10.0; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/78.0.3904.108 Safari/537.36 QIHU 360SE";

Text environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? Text(value) : Text();
}

Text asText(const ByteArray& bytes) {
    return Text(bytes.begin(), bytes.end());
}

// The byte pattern of the server's generated bodies.
ByteArray patternBytes(std::size_t length) {
    ByteArray bytes(length);
    for (std::size_t k = 0; k < length; ++k) {
        bytes[k] = static_cast<unsigned char>(k % 251);
    }
    return bytes;
}

// A request as the server's echo route saw it.
struct Echo {
    Text requestLine;
    std::vector<Text> headerLines;
    Text body;
};

Echo parseEcho(const ByteArray& response) {
    const Text text = asText(response);
    const std::size_t headEnd = text.find("\r\n\r\n");
    Echo echo;
    if (headEnd == Text::npos) {
        return echo;
    }
    std::vector<Text> lines = splitText(text.substr(0, headEnd), "\r\n");
    if (!lines.empty()) {
        echo.requestLine = lines.front();
        echo.headerLines.assign(lines.begin() + 1, lines.end());
    }
    echo.body = text.substr(headEnd + 4);
    return echo;
}

// A header line split into its name in lower case and its value without the blanks after the
// colon: the internet client may re-write "Name:value" as "Name: value".
std::pair<Text, Text> nameAndValue(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return {toLowerAscii(line), ""};
    }
    const std::size_t value = line.find_first_not_of(' ', colon + 1);
    return {toLowerAscii(line.substr(0, colon)),
            Text(value == std::string_view::npos ? "" : line.substr(value))};
}

std::vector<std::pair<Text, Text>> namesAndValues(const std::vector<Text>& lines) {
    std::vector<std::pair<Text, Text>> result;
    for (const Text& line : lines) {
        result.push_back(nameAndValue(line));
    }
    return result;
}

int countNamed(const std::vector<Text>& lines, std::string_view name) {
    int count = 0;
    for (const Text& line : lines) {
        count += nameAndValue(line).first == toLowerAscii(name) ? 1 : 0;
    }
    return count;
}

class WebRequestIntegration : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.empty())
            << "VELVANE_TEST_SERVER is not set: run this through tests/net/run_with_server.sh";
    }

    Text url(std::string_view path) const { return "http://" + server_ + Text(path); }

    const Text server_ = environment("VELVANE_TEST_SERVER");
};

TEST_F(WebRequestIntegration, RefreshHeadersArriveAsComposedAndInOrder) {
    const Text address = url("/echo/top/summary?cate=realtimehot");
    Text responseHeaders;
    const Echo echo = parseEcho(webRequest(
        address, {.extraHeaders = kRefreshHeaders, .responseHeaders = &responseHeaders}));

    EXPECT_EQ(echo.requestLine, "GET /echo/top/summary?cate=realtimehot HTTP/1.1");
    // The composed lines arrive in the order composed, each once; the client adds Host and may
    // add lines of its own (Wine's WinINet adds a few) but none of the composed names again.
    const std::vector<std::pair<Text, Text>> composed = namesAndValues(splitText(
        Text(kRefreshHeaders) + "\r\nReferer: " + address + "\r\nAccept-Language: zh-cn", "\r\n"));
    const std::vector<std::pair<Text, Text>> received = namesAndValues(echo.headerLines);
    std::vector<std::pair<Text, Text>> receivedComposed;
    for (const auto& line : received) {
        for (const auto& wanted : composed) {
            if (line.first == wanted.first) {
                receivedComposed.push_back(line);
            }
        }
    }
    EXPECT_EQ(receivedComposed, composed);
    EXPECT_EQ(countNamed(echo.headerLines, "Host"), 1);
    EXPECT_THAT(echo.headerLines, ::testing::Contains("Host: " + server_));
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
}

TEST_F(WebRequestIntegration, PostSendsItsBodyAndContentType) {
    ByteArray postBytes;
    const Echo echo = parseEcho(webRequest(url("/echo/form"), {.method = 1,
                                                               .postText = "a=1&b=2",
                                                               .extraHeaders = "X-Test: yes",
                                                               .postBytes = &postBytes}));
    EXPECT_EQ(echo.requestLine, "POST /echo/form HTTP/1.1");
    EXPECT_THAT(echo.headerLines,
                ::testing::Contains("Content-Type: application/x-www-form-urlencoded"));
    EXPECT_THAT(echo.headerLines, ::testing::Contains("Content-Length: 7"));
    EXPECT_THAT(echo.headerLines, ::testing::Contains("X-Test: yes"));
    EXPECT_EQ(echo.body, "a=1&b=2");
    EXPECT_EQ(asText(postBytes), "a=1&b=2");
}

TEST_F(WebRequestIntegration, ErrorPageComesBackAsTheBody) {
    Text responseHeaders;
    const ByteArray body = webRequest(url("/missing"), {.responseHeaders = &responseHeaders});
    EXPECT_EQ(asText(body), "<html>not found</html>");
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 404 Not Found\r\n"));
}

TEST_F(WebRequestIntegration, SetCookieLinesComeBackAsResponseCookies) {
    Text responseCookies;
    Text responseHeaders;
    const ByteArray body = webRequest(url("/jar/set"), {.responseCookies = &responseCookies,
                                                        .responseHeaders = &responseHeaders});
    EXPECT_EQ(asText(body), "cookies set");
    EXPECT_THAT(responseHeaders, ::testing::HasSubstr("Set-Cookie: a=1; path=/jar\r\n"));
    // the line named in lower case is not gathered
    EXPECT_EQ(responseCookies, "a=1; b=2");
}

TEST_F(WebRequestIntegration, ClientKeepsCookiesUnlessTheCallerManagesThem) {
    webRequest(url("/jar/set"));

    // cookies left out: the client's own store sends what the server set
    const Echo kept = parseEcho(webRequest(url("/jar/echo")));
    ASSERT_EQ(countNamed(kept.headerLines, "Cookie"), 1);
    const Text sent = nameAndValue(*std::find_if(kept.headerLines.begin(), kept.headerLines.end(),
                                                 [](const Text& line) {
                                                     return nameAndValue(line).first == "cookie";
                                                 }))
                          .second;
    // (b=2 came without a path; Wine's WinINet gives it the path /jar/set, libcurl /jar, so
    // only a=1 with its explicit path must come back)
    EXPECT_THAT(sent, ::testing::HasSubstr("a=1"));

    // cookies given empty: the store is left alone and no cookie goes out
    Text none;
    const Echo without = parseEcho(webRequest(url("/jar/echo"), {.cookies = &none}));
    EXPECT_EQ(countNamed(without.headerLines, "Cookie"), 0);

    // cookies given: exactly the caller's
    Text mine = "x=9";
    Text responseCookies;
    const Echo own = parseEcho(
        webRequest(url("/jar/echo"), {.cookies = &mine, .responseCookies = &responseCookies}));
    EXPECT_THAT(own.headerLines, ::testing::Contains("Cookie: x=9"));
    EXPECT_EQ(countNamed(own.headerLines, "Cookie"), 1);
    EXPECT_EQ(responseCookies, "x=9");
    EXPECT_EQ(mine, "x=9");
}

TEST_F(WebRequestIntegration, RedirectIsFollowedUnlessSwitchedOff) {
    Text responseHeaders;
    const Echo followed =
        parseEcho(webRequest(url("/redirect"), {.responseHeaders = &responseHeaders}));
    EXPECT_EQ(followed.requestLine, "GET /echo?from=redirect HTTP/1.1");
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));

    const ByteArray body =
        webRequest(url("/redirect"), {.responseHeaders = &responseHeaders, .noRedirect = true});
    EXPECT_EQ(asText(body), "redirect page");
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 302 Found\r\n"));
    EXPECT_THAT(responseHeaders, ::testing::HasSubstr("Location: /echo?from=redirect\r\n"));
}

// A redirect the client follows: the request that reached its target, as the echo shows it.
struct FollowedRedirect {
    std::string_view path;  // "{server}" stands for the server's host:port, "{port}" its port
    int method;             // 0 GET, 1 POST with the body "a=1&b=2"
    std::string_view callerCookies;  // given to the request when not empty
    std::string_view requestLine;
    std::string_view host;    // the Host line's value
    std::string_view body;    // the body received
    std::string_view cookie;  // the Cookie line's value; empty for no such line
};

constexpr FollowedRedirect kFollowedRedirects[] = {
    {"/redirect/302?to=/echo/hop/relative", 0, "", "GET /echo/hop/relative HTTP/1.1", "{server}",
     "", "hop=302"},
    {"/redirect/301?to=../echo/hop/dotted?q=1", 0, "", "GET /echo/hop/dotted?q=1 HTTP/1.1",
     "{server}", "", "hop=301"},
    {"/redirect/307?to=http://{server}/echo/hop/absolute", 0, "", "GET /echo/hop/absolute HTTP/1.1",
     "{server}", "", "hop=307"},
    // another host name: a connection of its own, and the first host's cookie stays behind
    {"/redirect/302?to=http://localhost:{port}/echo/hop/elsewhere", 0, "",
     "GET /echo/hop/elsewhere HTTP/1.1", "localhost:{port}", "", ""},
    // 301, 302 and 303 turn a POST into a GET without body; 307 and 308 keep both
    {"/redirect/301?to=/echo/hop/posted", 1, "", "GET /echo/hop/posted HTTP/1.1", "{server}", "",
     "hop=301"},
    {"/redirect/302?to=/echo/hop/posted", 1, "", "GET /echo/hop/posted HTTP/1.1", "{server}", "",
     "hop=302"},
    {"/redirect/303?to=/echo/hop/posted", 1, "", "GET /echo/hop/posted HTTP/1.1", "{server}", "",
     "hop=303"},
    {"/redirect/307?to=/echo/hop/posted", 1, "", "POST /echo/hop/posted HTTP/1.1", "{server}",
     "a=1&b=2", "hop=307"},
    {"/redirect/308?to=/echo/hop/posted", 1, "", "POST /echo/hop/posted HTTP/1.1", "{server}",
     "a=1&b=2", "hop=308"},
    // a caller that manages cookies keeps the client's store out of every hop
    {"/redirect/302?to=/echo/hop/own-cookies", 0, "x=9", "GET /echo/hop/own-cookies HTTP/1.1",
     "{server}", "", "x=9"},
    // ten redirects, the most that are followed
    {"/chain/10", 0, "", "GET /chain/0 HTTP/1.1", "{server}", "", ""},
};

TEST_F(WebRequestIntegration, RedirectsAreFollowedWithTheRightVerbBodyAndCookies) {
    const Text port = server_.substr(server_.find(':') + 1);
    const auto expand = [&](std::string_view text) {
        return replaceAll(replaceAll(text, "{server}", server_), "{port}", port);
    };
    for (const FollowedRedirect& redirect : kFollowedRedirects) {
        SCOPED_TRACE(redirect.path);
        Text cookies(redirect.callerCookies);
        Text responseHeaders;
        const Echo echo =
            parseEcho(webRequest(url(expand(redirect.path)),
                                 {.method = redirect.method,
                                  .postText = "a=1&b=2",
                                  .cookies = redirect.callerCookies.empty() ? nullptr : &cookies,
                                  .extraHeaders = "X-Test: yes",
                                  .responseHeaders = &responseHeaders}));
        EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
        EXPECT_EQ(echo.requestLine, redirect.requestLine);
        EXPECT_THAT(echo.headerLines, ::testing::Contains("Host: " + expand(redirect.host)));
        // every hop sends the caller's header text, the first address as its referrer
        EXPECT_THAT(echo.headerLines, ::testing::Contains("X-Test: yes"));
        EXPECT_THAT(echo.headerLines,
                    ::testing::Contains("Referer: " + url(expand(redirect.path))));
        EXPECT_EQ(echo.body, redirect.body);
        if (redirect.cookie.empty()) {
            EXPECT_EQ(countNamed(echo.headerLines, "Cookie"), 0);
        } else {
            EXPECT_THAT(echo.headerLines, ::testing::Contains("Cookie: " + Text(redirect.cookie)));
            EXPECT_EQ(countNamed(echo.headerLines, "Cookie"), 1);
        }
    }
}

// A redirect the client does not follow through: the request answers with it.
struct StandingRedirect {
    std::string_view path;  // "{closed}" stands for a port on which nothing listens
    std::string_view statusLine;
    std::string_view location;
    std::string_view body;  // its body, where the client keeps it
    bool bodyKept;          // whether the client keeps it
};

constexpr StandingRedirect kStandingRedirects[] = {
    // the eleventh redirect is not followed
    {"/chain/11", "HTTP/1.1 302 Found", "/chain/0", "chain 1", kStandingRedirectKeepsItsBody},
    // nor one to a scheme other than http and https
    {"/redirect/302?to=ftp://127.0.0.1/file", "HTTP/1.1 302 Found", "ftp://127.0.0.1/file",
     "redirect 302", kStandingRedirectKeepsItsBody},
    // a target that cannot be reached leaves the redirect's header block and no body
    {"/redirect/307?to=http://127.0.0.1:{closed}/page", "HTTP/1.1 307 Temporary Redirect",
     "http://127.0.0.1:{closed}/page", "", false},
};

TEST_F(WebRequestIntegration, RedirectNotFollowedThroughIsTheAnswer) {
    const Text closed = environment("VELVANE_TEST_CLOSED_PORT");
    for (const StandingRedirect& redirect : kStandingRedirects) {
        SCOPED_TRACE(redirect.path);
        Text responseHeaders;
        const ByteArray body = webRequest(url(replaceAll(redirect.path, "{closed}", closed)),
                                          {.responseHeaders = &responseHeaders});
        EXPECT_THAT(responseHeaders, StartsWith(Text(redirect.statusLine) + "\r\n"));
        EXPECT_THAT(
            responseHeaders,
            ::testing::HasSubstr(
                "\r\nLocation: " + replaceAll(redirect.location, "{closed}", closed) + "\r\n"));
        EXPECT_EQ(asText(body), redirect.bodyKept ? redirect.body : "");
    }
}

TEST_F(WebRequestIntegration, ChunkedBodyArrivesWhole) {
    const ByteArray body = webRequest(url("/chunked"));
    EXPECT_EQ(body.size(), 100000u);
    EXPECT_TRUE(body == patternBytes(100000));
}

TEST_F(WebRequestIntegration, EmptyBodyStillGivesHeadersAndCookies) {
    Text responseCookies;
    Text responseHeaders;
    const ByteArray body = webRequest(
        url("/empty"), {.responseCookies = &responseCookies, .responseHeaders = &responseHeaders});
    EXPECT_TRUE(body.empty());
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(responseCookies, "e=1");
}

TEST_F(WebRequestIntegration, HeaderBlockLargerThanTheFirstBufferComesBackWhole) {
    Text responseCookies;
    Text responseHeaders;
    webRequest(url("/big-headers"),
               {.responseCookies = &responseCookies, .responseHeaders = &responseHeaders});
    EXPECT_GT(responseHeaders.size(), 9000u);
    EXPECT_THAT(responseHeaders, StartsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_THAT(responseHeaders, ::testing::HasSubstr("X-Filler-2: " + Text(3000, 'z') + "\r\n"));
    EXPECT_EQ(responseCookies, "big=" + Text(3000, 'x'));
}

TEST_F(WebRequestIntegration, ProxyIsUsedForPlainHttp) {
    // The test server answers requests in proxy form too: it sees the absolute address.
    const Echo echo = parseEcho(
        webRequest("http://velvane.invalid/echo/proxied", {.proxy = std::string_view(server_)}));
    // WinINet writes the default port into the address; libcurl leaves it out
    EXPECT_THAT(echo.requestLine, StartsWith("GET http://velvane.invalid"));
    EXPECT_THAT(echo.requestLine, ::testing::EndsWith("/echo/proxied HTTP/1.1"));
}

TEST_F(WebRequestIntegration, RefusedConnectionGivesAnEmptyResult) {
    const Text address = "http://127.0.0.1:" + environment("VELVANE_TEST_CLOSED_PORT") + "/page";
    Text cookies = "a=1";
    Text responseCookies = "stale";
    Text responseHeaders = "stale";
    const ByteArray body = webRequest(address, {.cookies = &cookies,
                                                .responseCookies = &responseCookies,
                                                .responseHeaders = &responseHeaders});
    EXPECT_TRUE(body.empty());
    // The send fails, so there is no header block and no cookie of the response; the caller's
    // cookies merge with nothing. (libcurl's client gives no block at all, Wine's WinINet an
    // empty line; never a block of blanks.)
    EXPECT_EQ(responseHeaders.find_first_not_of("\r\n"), Text::npos) << responseHeaders;
    EXPECT_EQ(responseCookies, "a=1");
    EXPECT_EQ(cookies, "a=1");
}

TEST_F(WebRequestIntegration, HugeBodyIsCutAtThirtyTwoMebibytes) {
    const ByteArray body = webRequest(url("/huge"));
    ASSERT_EQ(body.size(), kMaxResponseBodyBytes);
    EXPECT_TRUE(body == patternBytes(kMaxResponseBodyBytes));
}

}  // namespace
}  // namespace velvane
