// Two processes changing different keys at the same time must both keep every change.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include "shared/TovalunePreferencesManager.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

TEST(PreferencesConcurrency, TwoProcessesEachChanging200KeysLoseNothing) {
  TempDeviceRoot root;
  TovalunePreferencesManager::savePrefs({{"ImageMode", 3}});
  constexpr int kKeys = 200;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = ::fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      bool ok = true;
      for (int i = 0; i < kKeys; ++i)
        ok &= TovalunePreferencesManager::setPrefForKey(fmt::format("p{}-key{}", p, i), i);
      ::_exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto prefs = TovalunePreferencesManager::getPrefs();
  ASSERT_TRUE(prefs);
  EXPECT_EQ(prefs->size(), 2u * kKeys + 1);
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < kKeys; ++i) {
      auto it = prefs->find(fmt::format("p{}-key{}", p, i));
      ASSERT_NE(it, prefs->end()) << p << " " << i;
      EXPECT_EQ(it->second.intValue(), i);
    }
  EXPECT_EQ(prefs->at("ImageMode").intValue(), 3);
}

}  // namespace
