#include "engine/diagnostics/LoadCommands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/foundation/NSUUID.h"
#include "platform/symbolication/DynamicLoader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Fixture {
  Bytes image;
  std::string uuid;  // as the LLVM tools print it
};

Fixture loadFixture(const std::string& name) {
  const std::string path = std::string(MACHO_FIXTURES) + "/" + name + ".dylib";
  std::ifstream file(path, std::ios::binary);
  Fixture fixture{Bytes(std::istreambuf_iterator<char>(file), {}), {}};
  std::ifstream listing(path + ".otool");
  for (std::string word; listing >> word;)
    if (word == "uuid") listing >> fixture.uuid;
  return fixture;
}

std::optional<std::string> uuidOf(const Bytes& bytes) {
  auto uuid = imageUUIDFromLoadCommands(bytes);
  if (!uuid) return std::nullopt;
  return platform::UUIDStringFromBytes(*uuid);
}

std::uint32_t word(const Bytes& b, std::size_t offset) {
  std::uint32_t v;
  std::memcpy(&v, b.data() + offset, 4);
  return v;
}
void setWord(Bytes& b, std::size_t offset, std::uint32_t v) { std::memcpy(b.data() + offset, &v, 4); }

std::size_t headerSize(const Bytes& b) { return word(b, 0) == platform::MH_MAGIC_64 ? 32 : 28; }

// Offsets of the load commands of a well-formed image, in order.
std::vector<std::size_t> commandOffsets(const Bytes& b) {
  std::vector<std::size_t> offsets;
  std::size_t offset = headerSize(b);
  for (std::uint32_t i = 0; i < word(b, 16); ++i) {
    offsets.push_back(offset);
    offset += word(b, offset + 4);
  }
  return offsets;
}

std::size_t uuidCommandOffset(const Bytes& b) {
  for (std::size_t offset : commandOffsets(b))
    if (word(b, offset) == platform::LC_UUID) return offset;
  return 0;
}

class LoadCommandsTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    fixture = loadFixture(GetParam());
    ASSERT_GT(fixture.image.size(), 64u) << "Mach-O image " << GetParam() << " was not built";
    ASSERT_EQ(fixture.uuid.size(), 36u);
    uuidAt = uuidCommandOffset(fixture.image);
    ASSERT_GT(uuidAt, 0u);
  }
  Fixture fixture;
  std::size_t uuidAt = 0;
};

TEST_P(LoadCommandsTest, FindsTheUUIDTheToolsReport) {
  EXPECT_EQ(uuidOf(fixture.image), fixture.uuid);
  // Only the header and the commands are needed.
  Bytes commands(fixture.image.begin(), fixture.image.begin() + headerSize(fixture.image) + word(fixture.image, 20));
  EXPECT_EQ(uuidOf(commands), fixture.uuid);
}

TEST_P(LoadCommandsTest, ReadsAnImageOfTheOtherByteOrder) {
  Bytes swapped = fixture.image;
  auto swap = [&](std::size_t offset) { setWord(swapped, offset, __builtin_bswap32(word(swapped, offset))); };
  for (std::size_t offset : commandOffsets(fixture.image)) swap(offset), swap(offset + 4);
  for (std::size_t offset = 0; offset < headerSize(fixture.image); offset += 4) swap(offset);
  EXPECT_EQ(uuidOf(swapped), fixture.uuid);
}

TEST_P(LoadCommandsTest, MalformedCommandsEndTheWalkWithoutAUUID) {
  const Bytes& good = fixture.image;
  const std::size_t first = headerSize(good);
  auto withWord = [&](std::size_t offset, std::uint32_t value) {
    Bytes copy = good;
    setWord(copy, offset, value);
    return copy;
  };
  struct Case {
    const char* what;
    Bytes image;
  } cases[] = {
      {"first command of size 0", withWord(first + 4, 0)},
      {"first command of size 4", withWord(first + 4, 4)},
      {"first command reaching past the commands", withWord(first + 4, word(good, 20) + 8)},
      {"UUID command too short for a UUID", withWord(uuidAt + 4, 16)},
      {"sizeofcmds ending before the UUID command", withWord(20, static_cast<std::uint32_t>(uuidAt - first))},
      {"ncmds stopping before the UUID command", withWord(16, 1)},
      {"not a Mach-O magic", withWord(0, 0x464C457F)},
  };
  for (const Case& c : cases) EXPECT_EQ(uuidOf(c.image), std::nullopt) << c.what;
}

TEST_P(LoadCommandsTest, CountsAndSizesLargerThanTheImageAreBoundedByIt) {
  Bytes huge = fixture.image;
  setWord(huge, 16, 0xFFFFFFFF);
  setWord(huge, 20, 0xFFFFFFFF);
  EXPECT_EQ(uuidOf(huge), fixture.uuid);
  // With no UUID command at all, a huge count must still end at the last command.
  setWord(huge, uuidAt, 0x7FFFFFFF);
  EXPECT_EQ(uuidOf(huge), std::nullopt);
}

// Every prefix of the image, each in a buffer of exactly its size so that a read past the end
// shows under AddressSanitizer: the UUID appears exactly when its whole command is in the buffer.
TEST_P(LoadCommandsTest, EveryTruncationIsSafe) {
  for (std::size_t size = 0; size <= uuidAt + 24; ++size) {
    Bytes prefix(fixture.image.begin(), fixture.image.begin() + static_cast<std::ptrdiff_t>(size));
    auto found = uuidOf(prefix);
    if (size >= uuidAt + 24)
      EXPECT_EQ(found, fixture.uuid) << size;
    else
      EXPECT_EQ(found, std::nullopt) << size;
  }
}

INSTANTIATE_TEST_SUITE_P(MachOImages, LoadCommandsTest, ::testing::Values("arm64", "x86_64", "arm64_32"));

TEST(LoadedImageUUID, EveryImageWithABuildIdHasOneAndTheOthersNone) {
  int withUUID = 0;
  for (std::uint32_t i = 0; i < platform::_dyld_image_count(); ++i) {
    const platform::mach_header* header = platform::_dyld_get_image_header(i);
    ASSERT_NE(header, nullptr);
    auto uuid = imageUUIDString(header);
    if (header->ncmds == 0) {
      EXPECT_EQ(uuid, std::nullopt) << platform::_dyld_get_image_name(i);
    } else {
      ASSERT_TRUE(uuid.has_value()) << platform::_dyld_get_image_name(i);
      EXPECT_EQ(uuid->size(), 36u);
      ++withUUID;
    }
  }
  EXPECT_GT(withUUID, 1);  // the test program and its libraries are linked with build-ids
  EXPECT_EQ(imageUUIDString(nullptr), std::nullopt);
}

}  // namespace
