#include "platform/image/HeifItems.h"

#include <string>
#include <vector>

namespace platform::image_detail {
namespace {

// Big-endian numbers read one after the other. A read past the end gives 0 and leaves ok() false
// for good, so a walk can read a whole record and check once.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::uint64_t number(std::size_t size) {
    if (!ok_ || size > 8 || bytes_.size() - at_ < size) {
      ok_ = false;
      return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(bytes_[at_ + i]);
    at_ += size;
    return value;
  }
  std::string_view fourCC() {
    if (!ok_ || bytes_.size() - at_ < 4) {
      ok_ = false;
      return {};
    }
    at_ += 4;
    return bytes_.substr(at_ - 4, 4);
  }
  std::string_view rest() const { return ok_ ? bytes_.substr(at_) : std::string_view(); }
  bool ok() const { return ok_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

struct Box {
  std::string_view type;
  std::string_view contents;
};

// The boxes laid one after the other in `bytes`, up to the first that does not fit in them.
std::vector<Box> boxesIn(std::string_view bytes) {
  std::vector<Box> boxes;
  while (bytes.size() >= 8) {
    Reader header(bytes);
    std::uint64_t size = header.number(4);
    std::string_view type = header.fourCC();
    std::uint64_t headerSize = 8;
    if (size == 1) {
      size = header.number(8);
      headerSize = 16;
    } else if (size == 0) {
      size = bytes.size();  // to the end of its container
    }
    if (!header.ok() || size < headerSize || size > bytes.size()) break;
    boxes.push_back({type, bytes.substr(headerSize, size - headerSize)});
    bytes.remove_prefix(size);
  }
  return boxes;
}

const Box* find(const std::vector<Box>& boxes, std::string_view type) {
  for (const Box& box : boxes)
    if (box.type == type) return &box;
  return nullptr;
}

// The contents of a full box, after its version and flags.
std::string_view fullBoxContents(std::string_view contents, unsigned* version) {
  Reader r(contents);
  *version = static_cast<unsigned>(r.number(1));
  r.number(3);
  return r.rest();
}

// The type of item `itemID` as 'iinf' lists it.
std::string_view itemType(const Box& iinf, std::uint32_t itemID) {
  unsigned version = 0;
  Reader r(fullBoxContents(iinf.contents, &version));
  r.number(version == 0 ? 2 : 4);  // the entry count; the entries are boxes that say their own size
  for (const Box& infe : boxesIn(r.rest())) {
    if (infe.type != "infe") continue;
    unsigned entryVersion = 0;
    Reader e(fullBoxContents(infe.contents, &entryVersion));
    if (entryVersion < 2) continue;  // older entries have no type
    std::uint64_t id = e.number(entryVersion == 2 ? 2 : 4);
    e.number(2);  // protection index
    std::string_view type = e.fourCC();
    if (e.ok() && id == itemID) return type;
  }
  return {};
}

// The first `wanted` bytes of item `itemID`'s data, where 'iloc' puts them: in the file, or in the
// 'idat' box. Fewer when the item has fewer, or when the location is not one this walk reads.
std::string itemDataStart(const Box& iloc, const Box* idat, std::string_view file, std::uint32_t itemID,
                          std::size_t wanted) {
  unsigned version = 0;
  Reader r(fullBoxContents(iloc.contents, &version));
  const auto sizes = r.number(1);
  const std::size_t offsetSize = sizes >> 4, lengthSize = sizes & 15;
  const auto moreSizes = r.number(1);
  const std::size_t baseOffsetSize = moreSizes >> 4;
  const std::size_t indexSize = version == 1 || version == 2 ? moreSizes & 15 : 0;
  const std::uint64_t items = r.number(version < 2 ? 2 : 4);
  for (std::uint64_t i = 0; i < items && r.ok(); ++i) {
    const std::uint64_t id = r.number(version < 2 ? 2 : 4);
    const std::uint64_t method = version == 1 || version == 2 ? r.number(2) & 15 : 0;
    r.number(2);  // data reference index
    const std::uint64_t base = r.number(baseOffsetSize);
    const std::uint64_t extents = r.number(2);
    std::string data;
    for (std::uint64_t e = 0; e < extents && r.ok(); ++e) {
      r.number(indexSize);
      const std::uint64_t offset = r.number(offsetSize);
      const std::uint64_t length = r.number(lengthSize);
      if (id != itemID || data.size() >= wanted) continue;
      // 0: in the file; 1: in 'idat'; 2 (in another item) is not read here.
      std::string_view source = method == 0 ? file : method == 1 && idat ? idat->contents : std::string_view();
      if (base > source.size() || offset > source.size() - base) return {};
      std::string_view extent = source.substr(base + offset);
      if (length != 0) extent = extent.substr(0, length);
      data.append(extent.substr(0, wanted - data.size()));
    }
    if (r.ok() && id == itemID) return data;
  }
  return {};
}

}  // namespace

std::optional<DerivedPictureSize> derivedPictureSize(std::string_view file, std::uint32_t itemID) {
  const std::vector<Box> top = boxesIn(file);
  const Box* meta = find(top, "meta");
  if (!meta) return std::nullopt;
  unsigned version = 0;
  const std::vector<Box> boxes = boxesIn(fullBoxContents(meta->contents, &version));
  const Box* iinf = find(boxes, "iinf");
  const Box* iloc = find(boxes, "iloc");
  if (!iinf || !iloc) return std::nullopt;
  const std::string_view type = itemType(*iinf, itemID);
  if (type != "grid" && type != "iovl") return std::nullopt;

  // grid: version, flags, rows - 1, columns - 1, then the output width and height;
  // iovl: version, flags, four 16-bit canvas fill values, then the same. Both give the sizes in
  // 32 bits when flags bit 0 is set, else in 16.
  const std::string data = itemDataStart(*iloc, find(boxes, "idat"), file, itemID, 18);
  Reader d(data);
  d.number(1);
  const std::uint64_t flags = d.number(1);
  d.number(type == "grid" ? 2 : 8);
  const std::size_t sizeBytes = flags & 1 ? 4 : 2;
  DerivedPictureSize size;
  size.width = static_cast<std::uint32_t>(d.number(sizeBytes));
  size.height = static_cast<std::uint32_t>(d.number(sizeBytes));
  if (!d.ok()) return std::nullopt;
  return size;
}

}  // namespace platform::image_detail
