// The size a derived HEIF picture states in its data, read from hand-built boxes: grids and
// overlays, 16- and 32-bit sizes, data kept in 'idat' or elsewhere in the file, and files cut short.
#include <gtest/gtest.h>

#include <string>

#include "platform/image/HeifItems.h"

using platform::image_detail::derivedPictureSize;

namespace {

std::string be(std::uint64_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += char(value >> (8 * i));
  return out;
}
std::string box(const std::string& type, const std::string& contents) {
  return be(contents.size() + 8, 4) + type + contents;
}
std::string fullBox(const std::string& type, int version, const std::string& contents) {
  return box(type, be(version, 1) + be(0, 3) + contents);
}
std::string infe(std::uint32_t id, const std::string& type) { return fullBox("infe", 2, be(id, 2) + be(0, 2) + type); }

// A file whose item 2 is of `type` with `data`; item 1 is a coded tile. The data lies in 'idat'
// (construction method 1) or, when `inFile`, after the 'meta' box (method 0, a file offset).
std::string heifWith(const std::string& type, const std::string& data, bool inFile) {
  const std::string iinf = fullBox("iinf", 0, be(2, 2) + infe(1, "hvc1") + infe(2, type));
  auto metaFor = [&](std::uint64_t offset) {
    // iloc version 1: 4-byte offsets and lengths, no base offset or index.
    const std::string iloc = fullBox("iloc", 1, be(0x44, 1) + be(0, 1) + be(2, 2) +
                                                     be(1, 2) + be(0, 2) + be(0, 2) + be(1, 2) + be(0, 4) + be(0, 4) +
                                                     be(2, 2) + be(inFile ? 0 : 1, 2) + be(0, 2) + be(1, 2) +
                                                     be(offset, 4) + be(data.size(), 4));
    return fullBox("meta", 0, fullBox("pitm", 0, be(2, 2)) + iinf + iloc + (inFile ? "" : box("idat", data)));
  };
  const std::string ftyp = box("ftyp", "heic" + be(0, 4) + "mif1heic");
  if (!inFile) return ftyp + metaFor(0);
  const std::size_t offset = ftyp.size() + metaFor(0).size() + 8;
  return ftyp + metaFor(offset) + box("mdat", data);
}

TEST(HeifItems, TheSizeADerivedPictureStatesIsReadWhereverItsDataLies) {
  const std::string grid16 = be(0, 1) + be(0, 1) + be(1, 1) + be(2, 1) + be(4032, 2) + be(3024, 2);
  const std::string grid32 = be(0, 1) + be(1, 1) + be(0, 2) + be(70000, 4) + be(3, 4);
  const std::string overlay16 = be(0, 1) + be(0, 1) + std::string(8, '\xff') + be(640, 2) + be(480, 2);
  const std::string gridInFile = heifWith("grid", grid16, true);
  const struct {
    const char* name;
    std::string file;
    std::uint32_t width, height;  // 0 x 0: no size
  } cases[] = {
      {"grid in idat", heifWith("grid", grid16, false), 4032, 3024},
      {"grid in the file, 32-bit sizes", heifWith("grid", grid32, true), 70000, 3},
      {"overlay", heifWith("iovl", overlay16, false), 640, 480},
      {"overlay in the file", heifWith("iovl", overlay16, true), 640, 480},
      {"a coded picture", heifWith("hvc1", grid16, false), 0, 0},
      {"grid data cut short", heifWith("grid", grid16.substr(0, 6), false), 0, 0},
      {"file cut inside the data", gridInFile.substr(0, gridInFile.size() - 3), 0, 0},
      {"file cut inside 'meta'", heifWith("grid", grid16, false).substr(0, 60), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto size = derivedPictureSize(c.file, 2);
    if (c.width == 0) {
      EXPECT_FALSE(size);
      continue;
    }
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, c.width);
    EXPECT_EQ(size->height, c.height);
    EXPECT_FALSE(derivedPictureSize(c.file, 3)) << "no such item";
  }
}

}  // namespace
