#include "platform/net/NSData.h"

#include <gtest/gtest.h>

#include "platform/foundation/FileManager.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class DataWithContentsOfURLTest : public testing::Test {
 protected:
  TempDeviceRoot root;
  LocalHttpServer http;
};

TEST_F(DataWithContentsOfURLTest, ReturnsTheBodyWhateverTheStatus) {
  http.server().Get("/ok", [](const httplib::Request&, httplib::Response& res) { res.set_content("bytes", "image/png"); });
  http.server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("not here", "text/html");
  });
  http.server().Get("/moved", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/ok"); });

  EXPECT_EQ(platform::dataWithContentsOfURL(NSURL::URLWithString(http.url("/ok")), NSDataReadingUncached),
            std::optional<std::string>("bytes"));
  EXPECT_EQ(platform::dataWithContentsOfURL(NSURL::URLWithString(http.url("/missing")), NSDataReadingUncached),
            std::optional<std::string>("not here"));
  EXPECT_EQ(platform::dataWithContentsOfURL(NSURL::URLWithString(http.url("/moved"))), std::optional<std::string>("bytes"));
  EXPECT_EQ(http.requests().at(0).method, "GET");
}

TEST_F(DataWithContentsOfURLTest, NothingForNoURLOrAFailedTransfer) {
  EXPECT_FALSE(platform::dataWithContentsOfURL(std::nullopt));
  int closedPort;
  {
    LocalHttpServer gone;
    closedPort = gone.port();
  }
  EXPECT_FALSE(platform::dataWithContentsOfURL(NSURL::URLWithString("http://127.0.0.1:" + std::to_string(closedPort) + "/")));
  EXPECT_FALSE(platform::dataWithContentsOfURL(NSURL::URLWithString("ftp://127.0.0.1/x")));
}

TEST_F(DataWithContentsOfURLTest, AFileURLReadsTheDeviceFile) {
  ASSERT_TRUE(platform::createDirectoryAtPath("/var/mobile/Library/Tovalune"));
  ASSERT_TRUE(platform::writeFile("/var/mobile/Library/Tovalune/a b.png", "local"));
  EXPECT_EQ(platform::dataWithContentsOfURL(NSURL::URLWithString("file:///var/mobile/Library/Tovalune/a b.png")),
            std::optional<std::string>("local"));
  EXPECT_FALSE(platform::dataWithContentsOfURL(NSURL::URLWithString("file:///var/mobile/nothing.png")));
}

}  // namespace
