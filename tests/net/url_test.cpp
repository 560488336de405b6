#include "net/url.h"

#include <gtest/gtest.h>

namespace velvane {
namespace {

TEST(Url, TakesTheAddressApart) {
    const struct {
        std::string_view address;
        Text host, hostWithPort;
        int port;
        Text path;
    } cases[] = {
        {"http://WWW.Example.COM:8080/Some/Path?Q=1", "www.example.com", "www.example.com:8080",
         8080, "/Some/Path?Q=1"},
        {"https://Secure.Example.com/a", "secure.example.com", "secure.example.com", 443, "/a"},
        {"HTTPS://Secure.Example.com/a", "secure.example.com", "secure.example.com", 443, "/a"},
        {"https://h:8443/x", "h", "h:8443", 8443, "/x"},
        // without a scheme the address is plain HTTP
        {"Host/a", "host", "host", 80, "/a"},
        {"host", "host", "host", 80, "/"},
        // nothing after the host
        {"http://host", "host", "host", 80, "/"},
        {"http://host/", "host", "host", 80, "/"},
        // a query straight after the host belongs to the host
        {"http://h?x=1", "h?x=1", "h?x=1", 80, "/"},
        // a ":" followed by no digits is port 0
        {"http://h:/p", "h", "h:", 0, "/p"},
        {"http://h:abc/p", "h", "h:abc", 0, "/p"},
        {"http://127.0.0.1:8731/top/summary?cate=realtimehot", "127.0.0.1", "127.0.0.1:8731", 8731,
         "/top/summary?cate=realtimehot"},
        {"", "", "", 80, "/"},
        // hosts that also occur inside the scheme
        {"http://h/p", "h", "h", 80, "/p"},
        {"https://s:99/p", "s", "s:99", 99, "/p"},
        {"http://tp", "tp", "tp", 80, "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(urlHost(c.address), c.host);
        EXPECT_EQ(urlHost(c.address, true), c.hostWithPort);
        EXPECT_EQ(urlPort(c.address), c.port);
        EXPECT_EQ(urlPath(c.address), c.path);
    }
}

TEST(Url, SecurePortFollowsTheFirstFiveLettersOnly) {
    // A host that begins with "https" is no secure scheme for the host, but the port test looks
    // only at the first five letters.
    EXPECT_EQ(urlHost("httpsite.com/a"), "httpsite.com");
    EXPECT_EQ(urlPort("httpsite.com/a"), 443);
    EXPECT_EQ(urlPort("HTTPSITE.com/a"), 443);
    EXPECT_EQ(urlPort("httpxsite.com/a"), 80);
}

TEST(Url, PathStartsAfterTheHostEvenWhenTheSchemeHasSlashes) {
    EXPECT_EQ(urlPath("http://a.b/c/d"), "/c/d");
    // the host is searched ignoring case, the path keeps the caller's case
    EXPECT_EQ(urlPath("http://A.B/C/D"), "/C/D");
}

}  // namespace
}  // namespace velvane
