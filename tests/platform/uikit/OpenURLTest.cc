// Handing addresses to the system: logged and kept, never fetched; the completion says whether.
#include <gtest/gtest.h>

#include <optional>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIApplication.h"

TEST(OpenURL, AWellFormedAddressIsLoggedKeptAndReportedOpenedOnTheMainQueue) {
  auto& app = UIApplication::sharedApplication();
  std::size_t before = app.openedURLs().size();
  platform::LogCapture log;
  std::optional<bool> result;
  app.openURL(NSURL::URLWithString("https://example.com/maker?x=1"), {}, [&](bool ok) { result = ok; });
  EXPECT_FALSE(result) << "the completion comes later, on the main queue";
  platform::drainMainQueue();
  ASSERT_TRUE(result);
  EXPECT_TRUE(*result);
  EXPECT_TRUE(log.contains("UIApplication: opened https://example.com/maker?x=1"));
  ASSERT_EQ(app.openedURLs().size(), before + 1);
  EXPECT_EQ(app.openedURLs().back(), "https://example.com/maker?x=1");

  // Without a completion handler, as the settings list opens its link.
  app.openURL(NSURL::URLWithString("mailto:someone@example.com"), {}, nullptr);
  EXPECT_EQ(app.openedURLs().back(), "mailto:someone@example.com");
}

TEST(OpenURL, AMalformedAddressIsRefusedWithALogLine) {
  auto& app = UIApplication::sharedApplication();
  std::size_t before = app.openedURLs().size();
  platform::LogCapture log;
  std::vector<bool> results;
  app.openURL(NSURL::URLWithString("not a url"), {}, [&](bool ok) { results.push_back(ok); });
  app.openURL(NSURL::URLWithString("https://"), {}, [&](bool ok) { results.push_back(ok); });
  platform::drainMainQueue();
  EXPECT_EQ(results, (std::vector<bool>{false, false}));
  EXPECT_EQ(app.openedURLs().size(), before);
  EXPECT_EQ(log.lines().size(), 2u);
  for (const auto& line : log.lines()) EXPECT_TRUE(line.starts_with("UIApplication: cannot open")) << line;
}
