// The JSON walks of the Microsoft feed and Desktoppr against what those services really send.
#include "tests/engine/providers/ProviderTestSupport.h"

namespace {

class AnswerTest : public ProviderTest {
 protected:
  void answer(const std::string& path, std::string body) {
    server.server().Get(path, [body](const httplib::Request&, httplib::Response& res) {
      res.set_content(body, "application/json");
    });
  }
  std::shared_ptr<UIImage> fetchOnce(int provider) {
    controller(provider)->fetchRandomImageWithHandler(recorder.completion());
    auto images = recorder.settle();
    EXPECT_FALSE(images.empty());
    return images.empty() ? nullptr : images.back();
  }
};

TEST_F(AnswerTest, MicrosoftFailuresLogTheirStepAndGiveNil) {
  const struct {
    const char* name;
    std::string body;
    const char* logPrefix;
  } table[] = {
      {"not json", "<html>busy</html>", "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(1): "},
      {"number beyond a double", "8E484", "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(1): "},
      {"item with a number beyond a double", R"({"batchrsp":{"items":[{"item":"{\"ad\":-1e999}"}]}})",
       "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): "},
      {"bare number", "42", "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(1): "},
      {"bare null", "null", "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(1): "},
      {"item a bare string", R"({"batchrsp":{"items":[{"item":"\"text\""}]}})",
       "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): "},
      {"item not json", R"({"batchrsp":{"items":[{"item":"{not json"}]}})",
       "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): "},
      {"empty items", R"({"batchrsp":{"ver":"1.0","items":[]}})",
       "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(3): "},
      {"unsupported region", R"({"batchrsp":{"errors":[{"code":2040,"msg":"No eligible content."}]}})",
       "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(3): "},
      {"items not an array", R"({"batchrsp":{"items":"none"}})",
       "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(3): "},
  };
  std::string body;
  server.server().Get("/v3/Delivery/Placement", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(body, "application/json");
  });
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    body = row.body;
    log.clear();
    EXPECT_FALSE(fetchOnce(2));
    EXPECT_TRUE(log.containsSubstring(row.logPrefix));
  }
  EXPECT_EQ(server.requestCount(), std::size(table));
}

TEST_F(AnswerTest, MicrosoftNewerSchemaIsNoPictureWithoutALogLine) {
  answer("/v3/Delivery/Placement", readSample("ms_iris_v4_selection_placement88000820.json"));
  EXPECT_FALSE(fetchOnce(2));
  EXPECT_FALSE(log.containsSubstring("fetchRandomImageFromMicrosoftWithHandler"));
  EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(AnswerTest, MicrosoftCacheAnswerLeadsToItsPortraitPicture) {
  answer("/v3/Delivery/Placement", readSample("ms_delivery_cache_v3_pid209567_2018.json"));
  server.server().Get("/cms/api/am/imageFileData/RE1LB8Q", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(pngPicture(30, 40), "image/png");
  });
  platform::DeviceSettings s = platform::deviceSettings();
  s.routes["img-prod-cms-rt-microsoft-com.akamaized.net"] = server.address();
  platform::saveDeviceSettings(s);
  auto image = fetchOnce(2);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->height(), 40);
  EXPECT_EQ(server.requests().back().query, "ver=debd");
}

TEST_F(AnswerTest, DesktopprRecordedAnswersAndMissingKeys) {
  std::string body = readSample("desktoppr_wallpapers_random_2012.json");
  server.server().Get("/1/wallpapers/random", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(body, "application/json");
  });
  servePicture("/wallpapers/3bd374260ca1887a39faf9c1c8564c0f0c399f6d/sarahmichelle1080.jpg", 19, 10);
  auto image = fetchOnce(4);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 19);
  EXPECT_TRUE(log.contains("Fetching random image from Desktoppr..."));

  for (const char* missing : {R"({})", R"({"response":{}})", R"({"response":{"image":{}}})", R"({"response":null})"}) {
    SCOPED_TRACE(missing);
    body = missing;
    EXPECT_FALSE(fetchOnce(4));
  }
  for (const char* notAnObject : {"{\"response\":", "7", "null", "\"text\"", "{\"response\":8E484}"}) {
    SCOPED_TRACE(notAnObject);
    body = notAnObject;
    log.clear();
    EXPECT_FALSE(fetchOnce(4));
    EXPECT_TRUE(log.containsSubstring("[Tovalune] fetchRandomImageFromDesktopprWithHandler(1): "));
  }
  for (const char* odd : {R"({"response":[1]})", R"({"response":{"image":{"url":7}}})"}) {
    body = odd;
    EXPECT_FALSE(fetchOnce(4));
  }
  EXPECT_TRUE(log.containsSubstring("[Tovalune] fetchRandomImageFromDesktopprWithHandler(2): "));
}

TEST_F(AnswerTest, PictureURLThatIsNoPictureGivesNil) {
  server.server().Get("/2436/1125/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html>not a picture</html>", "text/html");
  });
  EXPECT_FALSE(fetchOnce(5));
}

}  // namespace
