#include "platform/image/UIImage.h"

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "platform/image/CPBitmap.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

objc::Object* initWithContentsOfFileImp(objc::Object* self, objc::SEL, const std::string& path) {
  return static_cast<UIImage*>(self)->loadContentsOfFile(path) ? self : nullptr;
}

objc::Object* initWithContentsOfFileCacheImp(objc::Object* self, objc::SEL, const std::string& path, bool) {
  return static_cast<UIImage*>(self)->loadContentsOfFile(path) ? self : nullptr;
}

// "name@2x.png" and "name@3x.png" carry their scale in the name, as on the device.
double scaleFromFileName(const std::string& path) {
  std::string name = platform::lastPathComponent(path);
  if (name.find("@3x") != std::string::npos) return 3.0;
  if (name.find("@2x") != std::string::npos) return 2.0;
  return 1.0;
}

}  // namespace

OBJC_DEFINE_CLASS(UIImage, objc::Object,
                  objc::method("initWithContentsOfFile:", &initWithContentsOfFileImp),
                  objc::method("initWithContentsOfFile:cache:", &initWithContentsOfFileCacheImp))

UIImage::UIImage(objc::Class* isa) : objc::Object(isa) {}

std::shared_ptr<UIImage> UIImage::alloc() { return std::make_shared<UIImage>(); }

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& devicePath) {
  auto image = alloc();
  return image->loadContentsOfFile(devicePath) ? image : nullptr;
}

std::shared_ptr<UIImage> UIImage::imageWithData(std::string_view bytes) {
  auto bitmap = platform::decodeImage(bytes);
  if (!bitmap) return nullptr;
  return imageWithBitmap(std::move(*bitmap));
}

std::shared_ptr<UIImage> UIImage::imageWithBitmap(platform::Bitmap bitmap, double scale) {
  if (bitmap.width == 0 || bitmap.height == 0) return nullptr;
  auto image = alloc();
  image->bitmap_ = std::move(bitmap);
  image->scale_ = scale > 0 ? scale : 1.0;
  return image;
}

std::shared_ptr<UIImage> UIImage::imageWithRenderingMode(UIImageRenderingMode mode) const {
  auto image = alloc();
  image->bitmap_ = bitmap_;
  image->scale_ = scale_;
  image->sourcePath_ = sourcePath_;
  image->renderingMode_ = mode == UIImageRenderingModeAlwaysOriginal || mode == UIImageRenderingModeAlwaysTemplate
                              ? mode
                              : UIImageRenderingModeAutomatic;
  return image;
}

UIImage* UIImage::initWithContentsOfFile(const std::string& devicePath) {
  return static_cast<UIImage*>(
      objc::msgSend<objc::Object*, const std::string&>(this, objc::sel("initWithContentsOfFile:"), devicePath));
}

UIImage* UIImage::initWithContentsOfFileCache(const std::string& devicePath, bool cache) {
  return static_cast<UIImage*>(objc::msgSend<objc::Object*, const std::string&, bool>(
      this, objc::sel("initWithContentsOfFile:cache:"), devicePath, cache));
}

bool UIImage::loadContentsOfFile(const std::string& devicePath) {
  auto bytes = platform::readFile(devicePath);
  if (!bytes) return false;
  // A raw bitmap is known by its name and its trailer; a ".cpbitmap" without one is an older
  // device's encoded picture under the same name, decoded as any other.
  const bool raw = platform::pathExtension(devicePath) == "cpbitmap" && platform::hasCPBitmapTrailer(*bytes);
  auto bitmap = raw ? platform::decodeCPBitmap(*bytes, devicePath) : platform::decodeImage(*bytes);
  if (!bitmap) return false;
  bitmap_ = std::move(*bitmap);
  scale_ = scaleFromFileName(devicePath);
  sourcePath_ = devicePath;
  return true;
}

std::string UIImage::description() const {
  return fmt::format("<UIImage: {}> {{{}, {}}}", fmt::ptr(this), width(), height());
}

std::optional<std::string> UIImagePNGRepresentation(const UIImage* image) {
  if (!image || image->bitmap().width == 0) return std::nullopt;
  return platform::encodePNG(image->bitmap());
}
