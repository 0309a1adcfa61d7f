#include "platform/net/NSURL.h"

#include <gtest/gtest.h>

namespace {

struct Valid {
  const char* input;
  const char* absolute;
  const char* host;
  const char* path;
  const char* query;  // nullptr: no query
};

class ValidURLTest : public testing::TestWithParam<Valid> {};

TEST_P(ValidURLTest, KeepsOrEncodesAsTheDeviceDoes) {
  const Valid& v = GetParam();
  auto url = NSURL::URLWithString(v.input);
  ASSERT_TRUE(url) << v.input;
  EXPECT_EQ(url->absoluteString(), v.absolute);
  EXPECT_EQ(url->host(), v.host);
  EXPECT_EQ(url->path(), v.path);
  if (v.query) EXPECT_EQ(url->query(), std::optional<std::string>(v.query));
  else EXPECT_FALSE(url->query());
}

INSTANTIATE_TEST_SUITE_P(
    Strings, ValidURLTest,
    testing::Values(
        Valid{"https://picsum.example/2436/1125/?random", "https://picsum.example/2436/1125/?random", "picsum.example",
              "/2436/1125/", "random"},
        // The custom provider's untrimmed string: the trailing space travels encoded.
        Valid{"https://pics.example/cat.png ", "https://pics.example/cat.png%20", "pics.example", "/cat.png%20", nullptr},
        Valid{"https://h.example/a b?q=x y#frag ment", "https://h.example/a%20b?q=x%20y#frag%20ment", "h.example",
              "/a%20b", "q=x%20y"},
        // Existing escapes stay; a lone percent sign and non-ASCII bytes are encoded.
        Valid{"https://h.example/p?ua=WindowsShellClient%2F0&x=100%", "https://h.example/p?ua=WindowsShellClient%2F0&x=100%25",
              "h.example", "/p", "ua=WindowsShellClient%2F0&x=100%25"},
        Valid{"https://h.example/caf\xC3\xA9", "https://h.example/caf%C3%A9", "h.example", "/caf%C3%A9", nullptr},
        Valid{"HTTP://User:pw@H.example:8080", "http://User:pw@H.example:8080", "H.example", "", nullptr},
        Valid{"http://[::1]:9/x", "http://[::1]:9/x", "::1", "/x", nullptr}));

TEST(NSURLTest, PortAndSchemeAreParsed) {
  auto url = NSURL::URLWithString("HTTPS://h.example:8443/x");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->scheme(), "https");
  EXPECT_EQ(url->port(), 8443);
  EXPECT_FALSE(NSURL::URLWithString("https://h.example/x")->port());
}

TEST(NSURLTest, StringsThatAreNoURLYieldNothing) {
  for (const char* s : {"", "   ", "example.com/x", "http://exa mple.com/x", "https://h.example /x", "http:///x",
                        "http:h.example", "http://h.example:99999/", "http://h.example:8x/", "1http://h/",
                        "ht tp://h/", "http://[zz]/", "http://h\"x/"})
    EXPECT_FALSE(NSURL::URLWithString(s)) << '"' << s << '"';
}

TEST(NSURLTest, FileURLKeepsItsPathAndHasNoHost) {
  auto url = NSURL::URLWithString("file:///var/mobile/a b.png");
  ASSERT_TRUE(url);
  EXPECT_TRUE(url->isFileURL());
  EXPECT_EQ(url->host(), "");
  EXPECT_EQ(url->path(), "/var/mobile/a%20b.png");
  EXPECT_EQ(url->absoluteString(), "file:///var/mobile/a%20b.png");
}

}  // namespace
