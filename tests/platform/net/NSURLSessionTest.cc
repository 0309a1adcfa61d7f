#include "platform/net/NSURLSession.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <condition_variable>
#include <thread>

#include "platform/net/HTTPTransfer.h"
#include "tests/platform/net/SessionHarness.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class NSURLSessionTest : public testing::Test {
 protected:
  TempDeviceRoot root;
  LocalHttpServer http;
};

TEST_F(NSURLSessionTest, GetSendsExactlyTheRequestAndDeliversOnceOnTheSessionQueue) {
  http.server().Get("/v3/Delivery/Placement", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("{\"batchrsp\":{}}", "application/json");
  });
  NSURLRequest request = requestFor(http.url("/v3/Delivery/Placement?pid=209567&ua=WindowsShellClient%2F0&x=a b"));
  request.setValue("yes", "X-Tovalune-Test");
  TaskOutcome out = runTask(request);

  EXPECT_EQ(out.calls, 1);
  EXPECT_TRUE(out.onSessionQueue);
  EXPECT_EQ(out.statusCode, 200);
  EXPECT_EQ(out.data, std::optional<std::string>("{\"batchrsp\":{}}"));
  EXPECT_FALSE(out.error);

  ASSERT_EQ(http.requestCount(), 1u);
  auto got = http.requests()[0];
  EXPECT_EQ(got.method, "GET");
  EXPECT_EQ(got.path, "/v3/Delivery/Placement");
  EXPECT_EQ(got.query, "pid=209567&ua=WindowsShellClient%2F0&x=a%20b");
  EXPECT_EQ(got.header("X-Tovalune-Test"), std::optional<std::string>("yes"));
  for (const char* absent : {"Content-Length", "Content-Type", "Accept", "Expect", "User-Agent", "Transfer-Encoding"})
    EXPECT_FALSE(got.header(absent)) << absent;
  EXPECT_EQ(got.header("Host"), std::optional<std::string>(http.address()));
}

TEST_F(NSURLSessionTest, BodyTravelsWithTheCallersContentLengthOnly) {
  http.server().Post("/echo", [](const httplib::Request& req, httplib::Response& res) { res.set_content(req.body, "text/plain"); });
  NSURLRequest request = requestFor(http.url("/echo"), "POST", std::string("k=v&x=1"));
  request.setValue("7", "Content-Length");
  TaskOutcome out = runTask(request);

  EXPECT_EQ(out.data, std::optional<std::string>("k=v&x=1"));
  auto got = http.requests().at(0);
  EXPECT_EQ(got.body, "k=v&x=1");
  int lengths = 0;
  for (const auto& [name, value] : got.headers) lengths += strcasecmp(name.c_str(), "Content-Length") == 0;
  EXPECT_EQ(lengths, 1);
  EXPECT_EQ(got.header("Content-Length"), std::optional<std::string>("7"));
  EXPECT_FALSE(got.header("Content-Type"));
  EXPECT_FALSE(got.header("Expect"));
}

TEST_F(NSURLSessionTest, CustomMethodWithALargeBodyIsSentWholeWithoutExpectContinue) {
  http.server().Put("/upload", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(std::to_string(req.body.size()), "text/plain");
  });
  std::string body(3 << 20, 'z');
  TaskOutcome out = runTask(requestFor(http.url("/upload"), "PUT", body));
  EXPECT_EQ(out.statusCode, 200);
  EXPECT_EQ(out.data, std::optional<std::string>(std::to_string(body.size())));
  auto got = http.requests().at(0);
  EXPECT_EQ(got.method, "PUT");
  EXPECT_EQ(got.header("Content-Length"), std::optional<std::string>(std::to_string(body.size())));
  EXPECT_FALSE(got.header("Expect"));
}

TEST_F(NSURLSessionTest, StatusCodesComeWithTheirBodies) {
  http.server().Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    res.status = std::stoi(req.matches[1]);
    res.set_content("body of " + std::string(req.matches[1]), "text/plain");
  });
  for (int status : {200, 404, 500}) {
    TaskOutcome out = runTask(requestFor(http.url("/status/" + std::to_string(status))));
    EXPECT_EQ(out.calls, 1);
    EXPECT_EQ(out.statusCode, status);
    EXPECT_EQ(out.data, std::optional<std::string>("body of " + std::to_string(status)));
    EXPECT_FALSE(out.error) << status;
  }
}

TEST_F(NSURLSessionTest, RedirectsAreFollowedAndA303TurnsAPostIntoAGet) {
  http.server().Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new?from=old", 302); });
  http.server().Post("/form", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new", 303); });
  http.server().Get("/new", [](const httplib::Request&, httplib::Response& res) { res.set_content("new", "text/plain"); });

  TaskOutcome get = runTask(requestFor(http.url("/old")));
  EXPECT_EQ(get.statusCode, 200);
  EXPECT_EQ(get.data, std::optional<std::string>("new"));

  NSURLRequest post = requestFor(http.url("/form"), "POST", std::string("a=1"));
  post.setValue("3", "Content-Length");
  TaskOutcome posted = runTask(post);
  EXPECT_EQ(posted.data, std::optional<std::string>("new"));

  auto requests = http.requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[1].path, "/new");
  EXPECT_EQ(requests[1].query, "from=old");
  EXPECT_EQ(requests[3].method, "GET");
  EXPECT_EQ(requests[3].body, "");
  EXPECT_FALSE(requests[3].header("Content-Length"));
}

TEST_F(NSURLSessionTest, ARedirectLoopEndsAfterTenHopsAsAFailure) {
  http.server().Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
  TaskOutcome out = runTask(requestFor(http.url("/loop")));
  EXPECT_EQ(out.calls, 1);
  EXPECT_EQ(out.statusCode, 0);
  EXPECT_FALSE(out.data);
  EXPECT_EQ(out.error, std::optional<std::string>("too many HTTP redirects"));
  EXPECT_EQ(http.requestCount(), static_cast<std::size_t>(platform::kHTTPMaxRedirects + 1));
}

TEST_F(NSURLSessionTest, AnEndlessBodyFailsAtTheCap) {
  http.server().Get("/endless", [](const httplib::Request&, httplib::Response& res) {
    auto chunk = std::make_shared<std::string>(1 << 20, 'x');
    res.set_chunked_content_provider("application/octet-stream", [chunk](size_t, httplib::DataSink& sink) {
      return sink.write(chunk->data(), chunk->size());
    });
  });
  TaskOutcome out = runTask(requestFor(http.url("/endless")));
  EXPECT_EQ(out.calls, 1);
  EXPECT_FALSE(out.data);
  EXPECT_EQ(out.statusCode, 0);
  EXPECT_EQ(out.error, std::optional<std::string>("response body exceeds 64 MiB"));
}

TEST_F(NSURLSessionTest, AnnouncedOversizedBodyFailsBeforeItIsRead) {
  http.server().Get("/huge", [](const httplib::Request&, httplib::Response& res) {
    auto chunk = std::make_shared<std::string>(1 << 20, 'y');
    res.set_content_provider(platform::kHTTPMaxBodyBytes + 1, "application/octet-stream",
                             [chunk](size_t offset, size_t length, httplib::DataSink& sink) {
                               return sink.write(chunk->data(), std::min(length, chunk->size()));
                             });
  });
  TaskOutcome out = runTask(requestFor(http.url("/huge")));
  EXPECT_EQ(out.calls, 1);
  EXPECT_FALSE(out.data);
  EXPECT_EQ(out.error, std::optional<std::string>("response body exceeds 64 MiB"));
}

TEST_F(NSURLSessionTest, RefusedConnectionAndMissingURLFailOnce) {
  int closedPort;
  {
    LocalHttpServer gone;
    closedPort = gone.port();
  }
  TaskOutcome refused = runTask(requestFor("http://127.0.0.1:" + std::to_string(closedPort) + "/x"));
  EXPECT_EQ(refused.calls, 1);
  EXPECT_EQ(refused.statusCode, 0);
  EXPECT_FALSE(refused.data);
  EXPECT_TRUE(refused.error);

  std::vector<std::string> asked;
  platform::setURLRequestObserver([&](const std::string& m, const std::string& u) { asked.push_back(m + " " + u); });
  TaskOutcome invalid = runTask(requestFor("http://exa mple.com/"));
  platform::setURLRequestObserver(nullptr);
  EXPECT_EQ(invalid.calls, 1);
  EXPECT_EQ(invalid.error, std::optional<std::string>("unsupported URL"));
  EXPECT_TRUE(asked.empty());
}

TEST_F(NSURLSessionTest, CancelEndsAHangingRequestWithCancelled) {
  // The server's handler may still be waking when this test's frame is gone: what it waits on is
  // shared with it, not on this stack.
  struct Gate {
    std::mutex mu;
    std::condition_variable cv;
    bool release = false;
  };
  auto gate = std::make_shared<Gate>();
  http.server().Get("/hang", [gate](const httplib::Request&, httplib::Response& res) {
    std::unique_lock lock(gate->mu);
    gate->cv.wait(lock, [&] { return gate->release; });
    res.set_content("late", "text/plain");
  });
  // However the test ends, the server's handler is let go, or the server could never stop.
  struct Release {
    std::shared_ptr<Gate> gate;
    ~Release() {
      {
        std::lock_guard lock(gate->mu);
        gate->release = true;
      }
      gate->cv.notify_all();
    }
  } releaseAtEnd{gate};
  auto session = NSURLSession::sessionWithConfiguration(NSURLSessionConfiguration::defaultSessionConfiguration());
  std::atomic<int> calls{0};
  std::optional<std::string> error;
  auto task = session->dataTaskWithRequest(requestFor(http.url("/hang")),
                                           [&](std::optional<std::string>, int, std::optional<std::string> e) {
                                             error = e;
                                             ++calls;
                                           });
  task->resume();
  // The request is in flight once the server has it. A request that never gets there (it failed
  // first) ends the wait rather than spinning forever.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (http.requestCount() == 0 && calls == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(http.requestCount(), 1u) << "the request did not reach the server; error: "
                                     << (calls ? error.value_or("none") : "still running");
  task->cancel();
  platform::waitUntilQueuesIdle();
  {
    std::lock_guard lock(gate->mu);
    gate->release = true;
  }
  gate->cv.notify_all();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(error, std::optional<std::string>("cancelled"));
  EXPECT_EQ(task->state(), NSURLSessionDataTask::State::Completed);
}

TEST_F(NSURLSessionTest, TheDelegateLivesUntilTheCompletionHasRun) {
  http.server().Get("/x", [](const httplib::Request&, httplib::Response& res) { res.set_content("x", "text/plain"); });
  auto delegate = std::make_shared<int>(7);
  std::weak_ptr<int> watch = delegate;
  std::atomic<bool> aliveInCompletion{false};
  {
    auto session = NSURLSession::sessionWithConfiguration(NSURLSessionConfiguration::defaultSessionConfiguration(), delegate);
    delegate.reset();
    session->dataTaskWithRequest(requestFor(http.url("/x")), [&](auto, int, auto) {
      aliveInCompletion = !watch.expired();
    })->resume();
  }
  platform::waitUntilQueuesIdle();
  EXPECT_TRUE(aliveInCompletion);
  EXPECT_TRUE(watch.expired());
}

TEST_F(NSURLSessionTest, TheObserverSeesEachRequestOnceWhateverItsRedirects) {
  http.server().Get("/a", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/b", 301); });
  http.server().Get("/b", [](const httplib::Request&, httplib::Response& res) { res.set_content("b", "text/plain"); });
  std::mutex mu;
  std::vector<std::string> asked;
  platform::setURLRequestObserver([&](const std::string& m, const std::string& u) {
    std::lock_guard lock(mu);
    asked.push_back(m + " " + u);
  });
  runTask(requestFor(http.url("/a")));
  platform::setURLRequestObserver(nullptr);
  EXPECT_EQ(asked, std::vector<std::string>{"GET " + http.url("/a")});
}

}  // namespace
