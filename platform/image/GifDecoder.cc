// The first frame of a GIF through giflib, read straight from memory. Only that frame is read:
// slurping a whole animation would allocate every frame of a file that may hold thousands.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

// giflib has no text for some of its codes (and none for "no error").
const char* errorText(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "unexpected end of data";
}

// An LZW code of 12 bits stands for at most 4096 pixels. The canvas counts in full: a huge screen
// around a tiny frame is refused like any other header that claims more than its file holds.
constexpr std::uint64_t kMaxGifPixelsPerByte = 4096;

struct MemoryReader {
  std::string_view bytes;
  std::size_t position = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  if (length <= 0) return 0;
  const std::size_t n = std::min<std::size_t>(length, reader->bytes.size() - reader->position);
  std::memcpy(out, reader->bytes.data() + reader->position, n);
  reader->position += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using Gif = std::unique_ptr<GifFileType, GifCloser>;

// The transparent index of a Graphic Control Extension, skipping the rest of the extension.
bool readExtension(GifFileType* gif, int& transparentIndex) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
    GraphicsControlBlock gcb{};
    if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparentIndex = gcb.TransparentColor;
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// Decodes the frame's rows, each handed to `row` as a whole row of the canvas (transparent outside
// the frame and where the frame is transparent) with its canvas row number. Interlaced rows arrive
// in four passes, each handed over as it comes.
template <typename Row>
bool drawFrame(GifFileType* gif, std::uint32_t canvasWidth, int transparentIndex, Row&& row) {
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colors = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colors) return false;
  const int frameWidth = frame.Width;
  std::vector<GifPixelType> line(std::max(frameWidth, 1));
  std::vector<std::uint8_t> rgba(std::size_t{canvasWidth} * 4);

  std::vector<int> rowOrder;
  rowOrder.reserve(frame.Height);
  if (frame.Interlace) {
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < frame.Height; y += kStep[pass]) rowOrder.push_back(y);
  } else {
    for (int y = 0; y < frame.Height; ++y) rowOrder.push_back(y);
  }

  for (int frameRow : rowOrder) {
    if (DGifGetLine(gif, line.data(), frameWidth) == GIF_ERROR) return false;
    std::uint8_t* out = rgba.data() + std::size_t(frame.Left) * 4;
    for (int x = 0; x < frameWidth; ++x, out += 4) {
      const int index = line[x];
      if (index == transparentIndex || index >= colors->ColorCount) {
        std::memset(out, 0, 4);
        continue;
      }
      const GifColorType& c = colors->Colors[index];
      out[0] = c.Red;
      out[1] = c.Green;
      out[2] = c.Blue;
      out[3] = 0xFF;
    }
    row(std::uint32_t(frame.Top + frameRow), rgba.data());
  }
  return true;
}

// The canvas reduced as the frame's rows come, the rows around the frame transparent.
std::optional<Bitmap> drawReduced(GifFileType* gif, PixelSize canvas, PixelSize target, int transparentIndex) {
  const GifImageDesc& frame = gif->Image;
  BoxReducer reducer(canvas, target, frame.Interlace);
  const std::vector<std::uint8_t> clear(std::size_t{canvas.width} * 4);
  for (std::uint32_t y = 0; y < std::uint32_t(frame.Top); ++y) reducer.addRow(y, clear.data());
  if (!drawFrame(gif, canvas.width, transparentIndex,
                 [&](std::uint32_t y, const std::uint8_t* rgba) { reducer.addRow(y, rgba); }))
    return std::nullopt;
  for (std::uint32_t y = std::uint32_t(frame.Top) + frame.Height; y < canvas.height; ++y) reducer.addRow(y, clear.data());
  return reducer.finish();
}

}  // namespace

std::optional<Bitmap> decodeGIF(std::string_view bytes, ThumbnailRequest* request) {
  MemoryReader reader{bytes};
  int error = 0;
  Gif gif(DGifOpen(&reader, &readFromMemory, &error));
  if (!gif) {
    logLine(fmt::format("GIF header unreadable: {}", errorText(error)));
    return std::nullopt;
  }
  int transparentIndex = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) break;
    if (record == EXTENSION_RECORD_TYPE) {
      if (!readExtension(gif.get(), transparentIndex)) break;
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) break;  // the trailer, or garbage, before any frame
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) break;
    const GifImageDesc& frame = gif->Image;
    // The canvas is the logical screen, grown to hold a frame that overhangs it (some encoders
    // write a zero screen size).
    const std::uint64_t width = std::max<std::uint64_t>(gif->SWidth, std::uint64_t(frame.Left) + frame.Width);
    const std::uint64_t height = std::max<std::uint64_t>(gif->SHeight, std::uint64_t(frame.Top) + frame.Height);
    if (frame.Width <= 0 || frame.Height <= 0 || !acceptableSize(width, height) ||
        !fileCanHold("GIF", width, height, bytes.size(), kMaxGifPixelsPerByte))
      return std::nullopt;
    const PixelSize picture{std::uint32_t(width), std::uint32_t(height)};
    const PixelSize target = request ? request->sizeFor(picture, false) : picture;
    // Averages for a whole interlaced target take 40 bytes a pixel: worth it only well below the
    // canvas's 4.
    if (target != picture && (!frame.Interlace || target.pixels() * 10 < picture.pixels())) {
      // A row, the averages and the target.
      request->reserve(picture.width + (frame.Interlace ? target.pixels() * 10 : target.width * 10) + target.pixels());
      auto reduced = drawReduced(gif.get(), picture, target, transparentIndex);
      if (!reduced) break;
      return reduced;
    }
    if (request) request->reserve(picture.pixels());
    auto canvas = allocateBitmap(width, height);
    if (!canvas) break;
    const bool drawn = drawFrame(gif.get(), canvas->width, transparentIndex, [&](std::uint32_t y, const std::uint8_t* rgba) {
      std::memcpy(canvas->rgba.data() + std::size_t(y) * canvas->width * 4 + std::size_t(frame.Left) * 4,
                  rgba + std::size_t(frame.Left) * 4, std::size_t(frame.Width) * 4);
    });
    if (!drawn) break;
    return canvas;
  }
  logLine(fmt::format("GIF data corrupt: {}", errorText(gif->Error)));
  return std::nullopt;
}

}  // namespace platform::image_detail
