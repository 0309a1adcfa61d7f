// Pictures decoded at the size they are shown: tiles of a grid need a few hundred pixels of a
// photo that has twelve million, and a grid decodes many at once.
#include <algorithm>
#include <cmath>

#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/ImageDecoders.h"
#include "platform/image/UIImage.h"

namespace platform {
namespace image_detail {

PixelSize coverSize(PixelSize picture, PixelSize target) {
  if ((target.width == 0 && target.height == 0) || picture.width == 0 || picture.height == 0) return picture;
  const double factor = std::max(double(target.width) / picture.width, double(target.height) / picture.height);
  if (factor >= 1) return picture;
  return {std::max<std::uint32_t>(1, std::uint32_t(std::ceil(picture.width * factor))),
          std::max<std::uint32_t>(1, std::uint32_t(std::ceil(picture.height * factor)))};
}

PixelSize ThumbnailRequest::sizeFor(PixelSize stored, bool swapped) const {
  const PixelSize target = swapped ? PixelSize{target_.height, target_.width} : target_;
  return coverSize(stored, target);
}

void ThumbnailRequest::reserve(std::uint64_t pixels) {
  held_ += pixels;
  hold_.release();
  hold_ = thumbnailPixelBudget().reserve(held_);
}

PixelBudget::Hold& PixelBudget::Hold::operator=(Hold&& other) noexcept {
  if (this != &other) {
    release();
    budget_ = other.budget_;
    pixels_ = other.pixels_;
    other.budget_ = nullptr;
  }
  return *this;
}

void PixelBudget::Hold::release() {
  if (budget_) budget_->give(pixels_);
  budget_ = nullptr;
}

PixelBudget::Hold PixelBudget::reserve(std::uint64_t pixels) {
  std::unique_lock lock(mutex_);
  // More than the whole budget is taken as the whole of it: such a decode waits to be alone.
  const std::uint64_t taken = std::min(pixels, capacity_);
  freed_.wait(lock, [&] { return inFlight_ + taken <= capacity_ || inFlight_ == 0; });
  inFlight_ += taken;
  peak_ = std::max(peak_, inFlight_);
  return Hold(this, taken);
}

void PixelBudget::give(std::uint64_t pixels) {
  {
    std::lock_guard lock(mutex_);
    inFlight_ -= pixels;
  }
  freed_.notify_all();
}

std::uint64_t PixelBudget::setCapacity(std::uint64_t capacity) {
  std::uint64_t before;
  {
    std::lock_guard lock(mutex_);
    before = capacity_;
    capacity_ = std::max<std::uint64_t>(1, capacity);
  }
  freed_.notify_all();
  return before;
}

std::uint64_t PixelBudget::inFlight() const {
  std::lock_guard lock(mutex_);
  return inFlight_;
}

std::uint64_t PixelBudget::peak() const {
  std::lock_guard lock(mutex_);
  return peak_;
}

void PixelBudget::resetPeak() {
  std::lock_guard lock(mutex_);
  peak_ = inFlight_;
}

PixelBudget& thumbnailPixelBudget() {
  static PixelBudget budget(kThumbnailPixelBudget);
  return budget;
}

BoxReducer::BoxReducer(PixelSize source, PixelSize target, bool anyOrder)
    : source_(source), target_(target), anyOrder_(anyOrder),
      sums_(std::size_t(target.width) * (anyOrder ? target.height : 1)),
      out_{target.width, target.height, std::vector<std::uint8_t>(std::size_t(target.width) * target.height * 4)} {}

// Target row y sums the source rows from y * H / h up to (y + 1) * H / h: boxes that tile the
// source, since the target is never larger.
std::uint32_t BoxReducer::targetRow(std::uint32_t sourceRow) const {
  const auto start = [&](std::uint64_t y) { return y * source_.height / target_.height; };
  std::uint64_t y = std::uint64_t(sourceRow) * target_.height / source_.height;
  while (y + 1 < target_.height && start(y + 1) <= sourceRow) ++y;
  while (y > 0 && start(y) > sourceRow) --y;
  return std::uint32_t(y);
}

void BoxReducer::addPixels(std::uint32_t y, const std::uint8_t* rgba, std::uint32_t x0, std::uint32_t step) {
  if (y >= source_.height || target_.width == 0) return;
  const std::uint32_t row = targetRow(y);
  Sum* sums = sums_.data();
  if (anyOrder_) {
    sums += std::size_t(row) * target_.width;
  } else if (std::int64_t(row) != current_) {
    if (current_ >= 0) emit(std::uint32_t(current_), sums);
    std::fill(sums_.begin(), sums_.end(), Sum{});
    current_ = row;
  }
  const std::uint64_t w = source_.width, tw = target_.width;
  std::uint32_t x = std::uint32_t(std::uint64_t(x0) * tw / w);
  std::uint64_t nextStart = (std::uint64_t(x) + 1) * w / tw;
  for (std::uint64_t sx = x0; sx < w; sx += step) {
    while (sx >= nextStart && x + 1 < tw) nextStart = (std::uint64_t(++x) + 1) * w / tw;
    const std::uint8_t* p = rgba + sx * 4;
    Sum& s = sums[x];
    const std::uint64_t a = p[3];
    s.r += p[0] * a;
    s.g += p[1] * a;
    s.b += p[2] * a;
    s.a += a;
    ++s.n;
  }
}

void BoxReducer::emit(std::uint32_t row, const Sum* sums) {
  std::uint8_t* q = out_.rgba.data() + std::size_t(row) * target_.width * 4;
  for (std::uint32_t x = 0; x < target_.width; ++x, q += 4) {
    const Sum& s = sums[x];
    if (s.n == 0) continue;
    if (s.a > 0) {
      q[0] = std::uint8_t((s.r + s.a / 2) / s.a);
      q[1] = std::uint8_t((s.g + s.a / 2) / s.a);
      q[2] = std::uint8_t((s.b + s.a / 2) / s.a);
    }
    q[3] = std::uint8_t((s.a + s.n / 2) / s.n);
  }
}

Bitmap BoxReducer::finish() {
  if (anyOrder_) {
    for (std::uint32_t y = 0; y < target_.height; ++y) emit(y, sums_.data() + std::size_t(y) * target_.width);
  } else if (current_ >= 0) {
    emit(std::uint32_t(current_), sums_.data());
    current_ = -1;
  }
  return std::move(out_);
}

Bitmap reduce(const Bitmap& src, PixelSize size) {
  BoxReducer reducer({src.width, src.height}, size);
  for (std::uint32_t y = 0; y < src.height; ++y) reducer.addRow(y, &src.rgba[std::size_t(y) * src.width * 4]);
  return reducer.finish();
}

}  // namespace image_detail

std::optional<Bitmap> decodeImageThumbnail(std::string_view bytes, std::uint32_t width, std::uint32_t height,
                                           Preview preview) {
  if (width == 0 && height == 0) return decodeImage(bytes);
  image_detail::ThumbnailRequest request({width, height}, preview == Preview::Allowed);
  std::optional<Bitmap> bitmap = image_detail::decodeAnyFormat(bytes, &request);
  if (!bitmap) return bitmap;
  const image_detail::PixelSize size = image_detail::coverSize({bitmap->width, bitmap->height}, {width, height});
  if (size == image_detail::PixelSize{bitmap->width, bitmap->height}) return bitmap;
  // Still under the request's reservation, which covers the picture being reduced.
  return image_detail::reduce(*bitmap, size);
}

std::uint64_t thumbnailPixelsInFlight() { return image_detail::thumbnailPixelBudget().inFlight(); }
std::uint64_t thumbnailPixelPeak() { return image_detail::thumbnailPixelBudget().peak(); }
void resetThumbnailPixelPeak() { image_detail::thumbnailPixelBudget().resetPeak(); }
std::uint64_t setThumbnailPixelBudget(std::uint64_t pixels) {
  return image_detail::thumbnailPixelBudget().setCapacity(pixels);
}

}  // namespace platform

std::shared_ptr<UIImage> UIImage::thumbnailWithContentsOfFile(const std::string& devicePath, double pixelWidth,
                                                              double pixelHeight, platform::Preview preview) {
  auto bytes = platform::readFile(devicePath);
  if (!bytes) return nullptr;
  auto target = [](double v) { return std::isfinite(v) && v > 0 ? std::uint32_t(std::min(v, 65535.0)) : 0u; };
  auto bitmap = platform::decodeImageThumbnail(*bytes, target(pixelWidth), target(pixelHeight), preview);
  if (!bitmap) return nullptr;
  auto image = imageWithBitmap(std::move(*bitmap));
  if (image) image->sourcePath_ = devicePath;
  return image;
}
