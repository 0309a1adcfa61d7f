#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/foundation/NSUUID.h"
#include "platform/symbolication/CoreSymbolication.h"
#include "platform/symbolication/DynamicLoader.h"
#include "tests/support/TempDeviceRoot.h"

extern "C" __attribute__((noinline)) int symbolicationProbe(int x) {
  asm volatile("");
  return x + 2;
}

namespace {

using namespace platform;

TEST(DynamicLoader, DladdrAndTheImageListNameTheMainProgramAlike) {
  Dl_info info{};
  ASSERT_NE(platform::dladdr(reinterpret_cast<const void*>(&symbolicationProbe), &info), 0);
  ASSERT_NE(info.dli_fname, nullptr);
  EXPECT_EQ(info.dli_fname[0], '/') << "a full path, usable from any working folder";
  ASSERT_GT(_dyld_image_count(), 1u);
  EXPECT_STREQ(_dyld_get_image_name(0), info.dli_fname);
  EXPECT_EQ(_dyld_get_image_header(0)->filetype, MH_EXECUTE);
  EXPECT_EQ(_dyld_get_image_name(_dyld_image_count() + 5), nullptr);
  EXPECT_EQ(_dyld_get_image_header(_dyld_image_count() + 5), nullptr);
}

TEST(DynamicLoader, OpensALibraryByItsDevicePathOnly) {
  TempDeviceRoot root;
  const std::string devicePath = "/Library/MobileSubstrate/DynamicLibraries/LoaderProbe.dylib";
  std::filesystem::create_directories(std::filesystem::path(root.host(devicePath)).parent_path());
  std::filesystem::copy_file(LOADER_PROBE, root.host(devicePath));

  void* handle = platform::dlopen(devicePath, RTLD_NOW);
  ASSERT_NE(handle, nullptr) << ::dlerror();
  auto answer = reinterpret_cast<int (*)()>(::dlsym(handle, "loaderProbeAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  ::dlclose(handle);

  // The host's own path of the library means nothing on the device, and nothing is not the program.
  for (const std::string& missing : {std::string(LOADER_PROBE), std::string("/Library/Nothing.dylib"), std::string()}) {
    EXPECT_EQ(platform::dlopen(missing, RTLD_NOW), nullptr) << missing;
    EXPECT_NE(::dlerror(), nullptr) << missing;
  }
}

TEST(DynamicLoader, EveryImageHeaderIsA64BitHeaderOfThisMachine) {
  const std::uint32_t count = _dyld_image_count();
  for (std::uint32_t i = 0; i < count; ++i) {
    const mach_header* header = _dyld_get_image_header(i);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->magic, MH_MAGIC_64);
    EXPECT_NE(header->cputype, 0);
    EXPECT_EQ(header, _dyld_get_image_header(i)) << "headers stay where they were handed out";
  }
}

TEST(CFUUID, ParsesTheStandardFormOnly) {
  auto uuid = CFUUIDCreateFromString("4c4c4499-5555-3144-A1BA-BD4626549346");
  ASSERT_TRUE(uuid.has_value());
  EXPECT_EQ(UUIDStringFromBytes(uuid->bytes), "4C4C4499-5555-3144-A1BA-BD4626549346");
  for (const char* bad : {"", "4C4C4499-5555-3144-A1BA-BD462654934", "4C4C4499-5555-3144-A1BA-BD46265493466",
                          "4C4C4499+5555-3144-A1BA-BD4626549346", "4C4C4499-5555-3144-A1BA-BD462654934G"})
    EXPECT_FALSE(CFUUIDCreateFromString(bad).has_value()) << bad;
}

// The test program's own image: its path, architecture and UUID as the loader presents them.
struct OwnImage {
  std::string path;
  const mach_header* header;
  CFUUIDBytes uuid;
};

OwnImage ownImage() {
  const mach_header* header = _dyld_get_image_header(0);
  auto* command = reinterpret_cast<const uuid_command*>(reinterpret_cast<const char*>(header) + sizeof(mach_header_64));
  CFUUIDBytes uuid{};
  if (header->ncmds == 1) std::memcpy(uuid.bytes.data(), command->uuid, 16);
  return {_dyld_get_image_name(0), header, uuid};
}

TEST(CoreSymbolication, FindsTheOwnerOnlyForItsOwnUUIDAndArchitecture) {
  OwnImage image = ownImage();
  ASSERT_EQ(image.header->ncmds, 1u);
  CSSymbolicatorRef symbolicator =
      CSSymbolicatorCreateWithPathAndArchitecture(image.path.c_str(), {image.header->cputype, image.header->cpusubtype});
  ASSERT_FALSE(CSIsNull(symbolicator));
  EXPECT_FALSE(CSIsNull(CSSymbolicatorGetSymbolOwnerWithUUIDAtTime(symbolicator, image.uuid, kCSNow)));
  CFUUIDBytes other = image.uuid;
  other.bytes[15] ^= 1;
  EXPECT_TRUE(CSIsNull(CSSymbolicatorGetSymbolOwnerWithUUIDAtTime(symbolicator, other, kCSNow)));
  CSRelease(symbolicator);

  const std::int32_t otherMachine = image.header->cputype == CPU_TYPE_ARM64 ? CPU_TYPE_X86_64 : CPU_TYPE_ARM64;
  EXPECT_TRUE(CSIsNull(CSSymbolicatorCreateWithPathAndArchitecture(image.path.c_str(), {otherMachine, 0})));
  EXPECT_TRUE(CSIsNull(CSSymbolicatorCreateWithPathAndArchitecture("/nonexistent/image", {image.header->cputype, 0})));
  EXPECT_TRUE(CSIsNull(CSSymbolicatorCreateWithPathAndArchitecture("/etc/hostname", {image.header->cputype, 0})));
}

TEST(CoreSymbolication, NamesAddressesInsideAFunctionAndNothingOutsideFunctions) {
  OwnImage image = ownImage();
  Dl_info info{};
  ASSERT_NE(platform::dladdr(reinterpret_cast<const void*>(&symbolicationProbe), &info), 0);
  CSSymbolicatorRef symbolicator =
      CSSymbolicatorCreateWithPathAndArchitecture(image.path.c_str(), {image.header->cputype, image.header->cpusubtype});
  CSSymbolOwnerRef owner = CSSymbolicatorGetSymbolOwnerWithUUIDAtTime(symbolicator, image.uuid, kCSNow);
  ASSERT_FALSE(CSIsNull(owner));
  auto linked = [&](std::uintptr_t address) {
    return CSSymbolOwnerGetBaseAddress(owner) + address - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
  };
  const auto probe = reinterpret_cast<std::uintptr_t>(&symbolicationProbe);
  EXPECT_STREQ(CSSymbolGetName(CSSymbolOwnerGetSymbolWithAddress(owner, linked(probe))), "symbolicationProbe");
  EXPECT_STREQ(CSSymbolGetName(CSSymbolOwnerGetSymbolWithAddress(owner, linked(probe + 2))), "symbolicationProbe");
  EXPECT_TRUE(CSIsNull(CSSymbolOwnerGetSymbolWithAddress(owner, 0)));
  EXPECT_TRUE(CSIsNull(CSSymbolOwnerGetSymbolWithAddress(owner, ~std::uint64_t{0})));
  EXPECT_EQ(CSSymbolGetName(CSSymbolRef{}), nullptr);
  CSRelease(symbolicator);
}

}  // namespace
