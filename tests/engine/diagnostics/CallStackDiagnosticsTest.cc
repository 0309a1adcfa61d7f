#include "engine/diagnostics/CallStackDiagnostics.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

extern "C" int functionWithoutBuildId(int x);

// Neither is exported from the test program, so only the image file's own symbol table names them.
extern "C" __attribute__((noinline)) int diagnosticsProbe(int x) {
  asm volatile("");
  return x * 3 + 1;
}

namespace diagnostics_test {
__attribute__((noinline)) int probeInNamespace(int x) {
  asm volatile("");
  return x - 5;
}
}  // namespace diagnostics_test

extern "C" __attribute__((noinline)) void raisingProbe() {
  platform::raise("TestException", "raised on purpose");
}

extern "C" __attribute__((noinline)) int printingProbe() {
  PrintCallStack("Probe");
  asm volatile("");  // keeps the call from becoming a jump, so this frame is on the stack
  return 1;
}

namespace {

const void* address(auto* function, int offset = 0) {
  return reinterpret_cast<const char*>(reinterpret_cast<const void*>(function)) + offset;
}

TEST(NameForSymbol, NamesFunctionsTheLoaderDoesNotExport) {
  EXPECT_EQ(nameForSymbol(address(&diagnosticsProbe)), "diagnosticsProbe");
  EXPECT_EQ(nameForSymbol(address(&diagnosticsProbe, 3)), "diagnosticsProbe");
  EXPECT_EQ(nameForSymbol(address(&diagnostics_test::probeInNamespace, 1)), "diagnostics_test::probeInNamespace(int)");
}

TEST(NameForSymbol, NamesFunctionsOfSharedLibraries) {
  std::string (*function)(std::string_view) = &platform::lastPathComponent;
  auto name = nameForSymbol(address(function, 2));
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(name->rfind("platform::lastPathComponent", 0), 0u) << *name;
}

TEST(NameForSymbol, NothingOutsideImagesOrForAnImageWithoutUUID) {
  auto onTheHeap = std::make_unique<int>(1);
  int onTheStack = 0;
  EXPECT_EQ(nameForSymbol(onTheHeap.get()), std::nullopt);
  EXPECT_EQ(nameForSymbol(&onTheStack), std::nullopt);
  EXPECT_EQ(nameForSymbol(nullptr), std::nullopt);
  EXPECT_EQ(nameForSymbol(reinterpret_cast<const void*>(0x10)), std::nullopt);
  EXPECT_EQ(functionWithoutBuildId(1), 8);
  EXPECT_EQ(nameForSymbol(address(&functionWithoutBuildId)), std::nullopt);
}

TEST(SymbolicatedStackSymbols, ReplacesTheLastThreePiecesOfNamedLines) {
  auto heap = std::make_unique<int>(0);
  const std::vector<std::string> lines = {
      "0   tvtest                              0x00005555deadbeef 0x5555deadbe00 + 239",
      "1   tvtest                              0x00005555deadbeef somethingElse + 7",
      "2   elsewhere                           0x00000000000000f0 0xf0 + 0",
      "3 short + 1",
      "too short",
      "5   beyond the addresses + 9",
  };
  const std::vector<void*> addresses = {const_cast<void*>(address(&diagnosticsProbe, 1)),
                                        const_cast<void*>(address(&diagnostics_test::probeInNamespace)), heap.get(),
                                        const_cast<void*>(address(&diagnosticsProbe)),
                                        const_cast<void*>(address(&diagnosticsProbe))};
  const std::vector<std::string> expected = {
      "0   tvtest                              0x00005555deadbeef diagnosticsProbe",
      "1   tvtest                              0x00005555deadbeef diagnostics_test::probeInNamespace(int)",
      lines[2],
      "3 diagnosticsProbe",
      lines[4],
      lines[5],
  };
  EXPECT_EQ(symbolicatedStackSymbols(lines, addresses), expected);
  EXPECT_EQ(symbolicatedStackSymbols({lines[0]}, addresses), std::vector<std::string>{expected[0]});
  EXPECT_TRUE(symbolicatedStackSymbols({}, addresses).empty());
}

TEST(SymbolicatedCallStack, NamesTheFrameThatRaised) {
  try {
    raisingProbe();
    FAIL() << "no exception";
  } catch (const platform::NSException& exception) {
    const auto original = exception.callStackSymbols();
    const auto lines = symbolicatedCallStack(exception);
    ASSERT_EQ(lines.size(), original.size());
    // The frame that called the platform's raise keeps its index, image and address (the line's
    // first 59 characters) and gains its name; which frame that is depends on the build.
    std::size_t found = 0;
    while (found < lines.size() && !lines[found].ends_with(" raisingProbe")) ++found;
    ASSERT_LT(found, lines.size());
    EXPECT_EQ(lines[found], original[found].substr(0, 59) + "raisingProbe");
  }
}

TEST(PrintCallStack, LogsEveryFrameInOrderUnderItsTag) {
  platform::LogCapture log;
  printingProbe();
  const auto lines = log.lines();
  ASSERT_GE(lines.size(), 3u);
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].rfind(fmt::format("[Probe] : {:<4}", i), 0), 0u) << lines[i];
  std::size_t own = 0;
  while (own < lines.size() && !lines[own].ends_with(" PrintCallStack")) ++own;
  ASSERT_LT(own + 1, lines.size()) << "no frame of PrintCallStack itself";
  EXPECT_TRUE(lines[own + 1].ends_with(" printingProbe")) << lines[own + 1];
}

}  // namespace
