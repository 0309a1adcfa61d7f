// The browser view's event stream and log tail, apart from any server: what a page that falls
// behind or reconnects gets, the text/event-stream format, and a log followed as it grows, is
// started afresh, or ends in half a line.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "device/launcher/web/DeviceLogTail.h"
#include "device/launcher/web/WebEvents.h"
#include "platform/foundation/FileManager.h"
#include "tests/support/TempDeviceRoot.h"

using namespace std::chrono_literals;

namespace {

std::vector<std::string> types(const std::vector<WebEvent>& events) {
  std::vector<std::string> out;
  for (const auto& e : events) out.push_back(e.type + ":" + e.data);
  return out;
}

TEST(WebEvents, APageGetsWhatItHasNotSeenOrEnoughToBeWholeAgain) {
  WebEvents events(6);
  events.publish("frame", "1");
  events.publish("log", "a");
  events.publish("status", "s1");
  std::uint64_t seen = events.publish("frame", "2");
  events.publish("log", "b");
  // Nothing dropped yet: exactly what came after.
  EXPECT_EQ(types(events.waitAfter(seen, 0ms)), (std::vector<std::string>{"log:b"}));
  // A new page: the newest frame and status, and the log kept.
  EXPECT_EQ(types(events.catchUp()), (std::vector<std::string>{"log:a", "status:s1", "frame:2", "log:b"}));
  for (int i = 3; i <= 8; ++i) events.publish("frame", std::to_string(i));
  // The page fell behind past what is kept: it is made whole, not handed a gap.
  auto behind = events.waitAfter(seen, 0ms);
  EXPECT_EQ(types(behind), (std::vector<std::string>{"frame:8"}));
  EXPECT_EQ(events.latest("status").data, "");  // dropped with the rest: the next status poll sends one
  EXPECT_TRUE(events.waitAfter(behind.back().id, 0ms).empty());
}

TEST(WebEvents, AFrameThatSupersedesTheOthersIsTheOnlyOneKeptOrSent) {
  WebEvents events(4);
  std::uint64_t seen = events.publish("log", "a");
  for (int i = 1; i <= 6; ++i) events.publish("frame", std::to_string(i), WebEvents::Kept::Supersedes);
  events.publish("log", "b");
  // Only the newest frame is waiting, and the page is not made to catch up over those it skipped.
  EXPECT_EQ(types(events.waitAfter(seen, 0ms)), (std::vector<std::string>{"frame:6", "log:b"}));
  EXPECT_EQ(types(events.catchUp()), (std::vector<std::string>{"log:a", "frame:6", "log:b"}));
}

TEST(WebEvents, Base64IsThatOfDataUrls) {
  for (auto [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xfb\xff", "+/8="}})
    EXPECT_EQ(base64(in), out) << in;
}

TEST(WebEvents, AWaitingStreamWakesForAnEventAndForClosing) {
  WebEvents events;
  std::thread publisher([&] {
    std::this_thread::sleep_for(50ms);
    events.publish("frame", "{}");
  });
  auto got = events.waitAfter(0, 10s);
  publisher.join();
  ASSERT_EQ(got.size(), 1u);
  std::thread closer([&] {
    std::this_thread::sleep_for(50ms);
    events.close();
  });
  EXPECT_TRUE(events.waitAfter(got.back().id, 10s).empty());
  closer.join();
  EXPECT_TRUE(events.closed());
}

TEST(WebEvents, ServerSentEventFormatSplitsLinesIntoDataFields) {
  EXPECT_EQ(formatServerSentEvent(WebEvent{7, "log", "one\ntwo"}), "id: 7\nevent: log\ndata: one\ndata: two\n\n");
  EXPECT_EQ(formatServerSentEvent(WebEvent{8, "frame", "{\"n\":1}"}), "id: 8\nevent: frame\ndata: {\"n\":1}\n\n");
}

class LogTail : public ::testing::Test {
 protected:
  void append(const std::string& text) {
    std::ofstream out(root_.host("/private/var/log/SpringBoard.log"), std::ios::app | std::ios::binary);
    out << text;
  }
  TempDeviceRoot root_;
};

TEST_F(LogTail, FollowsGrowthWholeLinesAndAFreshStart) {
  platform::createDirectoryAtPath("/private/var/log");
  DeviceLogTail tail({"/private/var/log/SpringBoard.log", "/private/var/log/Settings.log"}, 2);
  EXPECT_TRUE(tail.poll().empty());  // no file yet
  append("old 1\nold 2\nold 3\n");
  // The backlog of a file met for the first time: its last lines only.
  EXPECT_EQ(tail.poll(), (std::vector<std::string>{"old 2", "old 3"}));
  append("new 1\nhalf");
  EXPECT_EQ(tail.poll(), (std::vector<std::string>{"new 1"}));
  append(" a line\r\n");
  EXPECT_EQ(tail.poll(), (std::vector<std::string>{"half a line"}));
  EXPECT_TRUE(tail.poll().empty());
  // Started afresh (shorter than what was read): read from its start.
  std::ofstream(root_.host("/private/var/log/SpringBoard.log"), std::ios::trunc) << "fresh\n";
  EXPECT_EQ(tail.poll(), (std::vector<std::string>{"fresh"}));
}

TEST_F(LogTail, AHugeLogIsCaughtUpInPiecesAndOverlongLinesAreCut) {
  platform::createDirectoryAtPath("/private/var/log");
  DeviceLogTail tail({"/private/var/log/SpringBoard.log"}, 1000);
  tail.poll();
  std::string many;
  for (int i = 0; i < 2000; ++i) many += "line " + std::to_string(i) + "\n";
  append(many);
  std::vector<std::string> lines;
  for (int round = 0; round < 100 && lines.size() < 2000; ++round) {
    auto got = tail.poll(1024);
    lines.insert(lines.end(), got.begin(), got.end());
  }
  ASSERT_EQ(lines.size(), 2000u);
  EXPECT_EQ(lines.front(), "line 0");
  EXPECT_EQ(lines.back(), "line 1999");
  append(std::string(10000, 'x') + "\n");
  auto cut = tail.poll();
  ASSERT_FALSE(cut.empty());
  EXPECT_LT(cut.front().size(), 2100u);
}

}  // namespace
