#pragma once
// What a HEIF file says of a derived picture (a grid of tiles, or an overlay of pictures on a
// canvas) that libheif 1.15 does not tell: the size the picture's own data states. libheif builds
// a picture of that size before it decodes a single tile, and checks its sides only one by one
// against a limit, so a small file whose header says 65472 x 3 and whose grid says 65029 x 8195
// would cost gigabytes; the decoder checks this size first.
//
// The walk reads only boxes: 'meta' at the top, its 'iinf' (item types), 'iloc' (where an item's
// data lies) and 'idat' (data kept in the box). It believes no size or offset it has not checked
// against the bytes it has.
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::image_detail {

struct DerivedPictureSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The output size the grid or overlay item `itemID` states in its data. Nothing for an item of
// another type (a coded picture), and for a file that does not say it whole.
std::optional<DerivedPictureSize> derivedPictureSize(std::string_view file, std::uint32_t itemID);

}  // namespace platform::image_detail
