#include "platform/system/CFNotificationCenter.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/system/CFRunLoop.h"
#include "tests/support/TempDeviceRoot.h"

using namespace platform;

namespace {

struct Heard {
  std::map<std::string, int> counts;
};

void record(CFNotificationCenterRef, void* observer, const std::string& name, const void* object,
            const Dictionary* userInfo) {
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(userInfo, nullptr);
  ++static_cast<Heard*>(observer)->counts[name];
}

class DarwinCenterTest : public testing::Test {
 protected:
  void TearDown() override {
    CFNotificationCenterRemoveEveryObserver(center, &a);
    CFNotificationCenterRemoveEveryObserver(center, &b);
  }
  void post(const std::string& name) { CFNotificationCenterPostNotification(center, name, nullptr, nullptr, true); }
  void runMainLoopOnce() { CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false); }

  TempDeviceRoot root;
  CFNotificationCenterRef center = CFNotificationCenterGetDarwinNotifyCenter();
  Heard a, b;
};

TEST_F(DarwinCenterTest, PostsReachTheObserversOfTheirNameOnceEach) {
  CFNotificationCenterAddObserver(center, &a, &record, "com.test.changed", nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, &a, &record, "com.test.changed", nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  CFNotificationCenterAddObserver(center, &b, &record, "com.test.other", nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  post("com.test.changed");
  EXPECT_EQ(a.counts["com.test.changed"], 1);
  EXPECT_EQ(b.counts.count("com.test.changed"), 0u);

  // The main loop must not hear this process's own post a second time.
  runMainLoopOnce();
  EXPECT_EQ(a.counts["com.test.changed"], 1);

  CFNotificationCenterRemoveObserver(center, &a, "com.test.changed", nullptr);
  post("com.test.changed");
  post("com.test.other");
  EXPECT_EQ(a.counts["com.test.changed"], 1);
  EXPECT_EQ(b.counts["com.test.other"], 1);
}

TEST_F(DarwinCenterTest, AnotherProcessIsHeardWhenTheMainRunLoopRuns) {
  CFNotificationCenterAddObserver(center, &a, &record, "com.test.fromchild", nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), "com.test.fromchild", nullptr,
                                         nullptr, true);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  EXPECT_EQ(a.counts["com.test.fromchild"], 0) << "heard before the run loop ran";
  runMainLoopOnce();
  EXPECT_EQ(a.counts["com.test.fromchild"], 1);
  runMainLoopOnce();
  EXPECT_EQ(a.counts["com.test.fromchild"], 1) << "one post heard twice";
}

TEST_F(DarwinCenterTest, PostsBeforeObservingAreNotReplayed) {
  post("com.test.early");
  post("com.test.early");
  CFNotificationCenterAddObserver(center, &a, &record, "com.test.early", nullptr,
                                  CFNotificationSuspensionBehaviorDeliverImmediately);
  runMainLoopOnce();
  EXPECT_EQ(a.counts["com.test.early"], 0);
}

TEST_F(DarwinCenterTest, EveryNameMakesOneCounterFileAndAnEmptyNameIsRefused) {
  for (std::string name : {"a/../../etc/passwd", "..", "com.test.plain", "name with spaces"}) {
    std::string path = CFNotificationCounterPath(name);
    EXPECT_EQ(stringByDeletingLastPathComponent(path), "/var/run/notifyd") << name;
    post(name);
    bool isDirectory = true;
    EXPECT_TRUE(fileExistsAtPath(path, &isDirectory) && !isDirectory) << name;
  }
  LogCapture log;
  CFNotificationCenterAddObserver(center, &a, &record, "", nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
  post("");
  EXPECT_TRUE(log.containsSubstring("needs a notification name"));
  EXPECT_TRUE(log.containsSubstring("needs a name; nothing posted"));
  EXPECT_TRUE(a.counts.empty());
}

}  // namespace
