// What each web provider asks for, and what it makes of the answer's status and bytes.
#include "tests/engine/providers/ProviderTestSupport.h"

namespace {

using Requests = std::vector<LocalHttpServer::Request>;

TEST_F(ProviderTest, DirectPictureProvidersAskForTheScreenSizeInTheirOrder) {
  servePicture("/random/1125x2436");
  servePicture("/2436/1125/");
  servePicture("/2436/1125/landscape");
  servePicture("/api/images/get");
  const struct {
    int provider;
    const char* log;
    const char* url;
  } table[] = {
      {3, "Fetching random image from Unsplash...", "GET https://source.unsplash.com/random/1125x2436"},
      {5, "Fetching random image from Picsum...", "GET https://picsum.photos/2436/1125/?random"},
      {6, "Fetching random image from Flickr...", "GET https://loremflickr.com/2436/1125/landscape"},
      {7, "Fetching random image from CatAPI...", "GET http://thecatapi.com/api/images/get"},
  };
  for (const auto& row : table) controller(row.provider)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 4u);
  for (const auto& image : images) {
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 20);
  }
  auto urls = requestedURLs();
  for (const auto& row : table) {
    EXPECT_TRUE(log.contains(row.log)) << row.log;
    EXPECT_NE(std::find(urls.begin(), urls.end(), row.url), urls.end()) << row.url;
  }
  for (const auto& r : server.requests()) EXPECT_FALSE(r.header("Content-Length")) << r.path;
}

TEST_F(ProviderTest, PointSizeWithoutFullResolution) {
  servePicture("/random/375x812");
  auto c = controller(3);
  c->FullResolution = false;
  c->fetchRandomImageWithHandler(recorder.completion());
  ASSERT_EQ(recorder.settle().size(), 1u);
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].path, "/random/375x812");
}

TEST_F(ProviderTest, MicrosoftQueryCarriesHeightThenWidth) {
  server.server().Get("/v3/Delivery/Placement", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(readSample("ms_placement_v3_pid338387_three_items.json"), "application/json");
  });
  servePicture(R"(/creativeservice/.*)", 108, 192);
  controller(2)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 1u);
  ASSERT_TRUE(images[0]);
  EXPECT_EQ(images[0]->width(), 108);
  Requests reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].query,
            "pid=209567&fmt=json&rafb=0&ua=WindowsShellClient%2F0&cdm=1&disphorzres=2436&dispvertres=1125&lo=80217"
            "&pl=en-US&lc=en-US&ctry=us&time=2017-12-31T23:59:59Z");
  EXPECT_FALSE(reqs[0].header("Content-Length"));
  // The portrait picture of the first item, not the landscape one or a placeholder slot.
  EXPECT_NE(reqs[1].path.find("assets__portrait_1699895497593.jpg"), std::string::npos) << reqs[1].path;
}

TEST_F(ProviderTest, StatusOtherThan200AndNonUTF8TextGiveNil) {
  int status = 404;
  std::string body = "{\"response\":{\"image\":{\"url\":\"https://pictures.example/p.png\"}}}";
  server.server().Get("/1/wallpapers/random", [&](const httplib::Request&, httplib::Response& res) {
    res.status = status;
    res.set_content(body, "application/json");
  });
  servePicture("/p.png");
  for (int s : {404, 500, 200}) {
    status = s;
    controller(4)->fetchRandomImageWithHandler(recorder.completion());
    recorder.settle();
  }
  body = std::string("{\"response\":\"\xff\xfe\"}");
  controller(4)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 4u);
  EXPECT_FALSE(images[0]);
  EXPECT_FALSE(images[1]);
  EXPECT_TRUE(images[2]);
  EXPECT_FALSE(images[3]);
  // Only the 200 answer led to a picture request.
  EXPECT_EQ(server.requestCount(), 5u);
}

TEST_F(ProviderTest, RedirectsAreFollowedToThePicture) {
  server.server().Get("/2436/1125/", [&](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("https://pictures.example/cache/resized/x.png");
  });
  servePicture("/cache/resized/x.png");
  controller(5)->fetchRandomImageWithHandler(recorder.completion());
  auto images = recorder.settle();
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0]);
}

TEST_F(ProviderTest, CustomURLBlankFetchesNothingAndTrailingSpaceIsKept) {
  for (const char* blank : {"   ", "\t \t", ""}) {
    auto c = controller(1);
    c->CustomProvider = std::string(blank);
    c->fetchRandomImageWithHandler(recorder.completion());
  }
  auto none = controller(1);
  none->fetchRandomImageWithHandler(recorder.completion());
  recorder.settle();
  EXPECT_EQ(recorder.calls(), 0);
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_TRUE(log.contains("Fetching random image from custom provider: (null)..."));

  server.server().Get("/car.png ", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(pngPicture(4, 4), "image/png");
  });
  servePicture("/car.png");
  auto c = controller(1);
  c->CustomProvider = "https://pictures.example/car.png ";
  c->fetchRandomImageWithHandler(recorder.completion());
  ASSERT_EQ(recorder.settle().size(), 1u);
  EXPECT_TRUE(log.contains("Fetching random image from custom provider: https://pictures.example/car.png ..."));
  auto urls = requestedURLs();
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0], "GET https://pictures.example/car.png%20");
}

TEST_F(ProviderTest, ProviderOutsideTheTableDoesNothing) {
  for (int provider : {9, -1, 100}) controller(provider)->fetchRandomImageWithHandler(recorder.completion());
  recorder.settle();
  EXPECT_EQ(recorder.calls(), 0);
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(ProviderTest, PostWithBodySendsItsLengthAndGetSendsNone) {
  std::vector<std::optional<std::string>> texts;
  std::mutex mu;
  server.server().Post("/echo", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content("got " + req.body, "text/plain");
  });
  server.server().Get("/echo", [](const httplib::Request&, httplib::Response& res) { res.set_content("plain", "text/plain"); });
  auto c = controller(2);
  auto keep = [&](std::optional<std::string> t) {
    std::lock_guard lock(mu);
    texts.push_back(std::move(t));
  };
  c->getDataFrom("https://pictures.example/echo", "POST", std::string("hello"), keep);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  c->getDataFrom("https://pictures.example/echo", keep);
  ASSERT_TRUE(platform::waitUntilQueuesIdle());
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "got hello");
  EXPECT_EQ(texts[1], "plain");
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].header("Content-Length"), "5");
  EXPECT_FALSE(reqs[1].header("Content-Length"));
}

}  // namespace
