#pragma once
// UIImage: a decoded picture with its size in points and its scale. initWithContentsOfFile: and
// initWithContentsOfFile:cache: are methods of the runtime class "UIImage", so they can be hooked;
// their implementations have the signatures
//   objc::Object* (objc::Object* self, objc::SEL, const std::string& path)
//   objc::Object* (objc::Object* self, objc::SEL, const std::string& path, bool cache)
// and return the receiver, or nullptr when the file is no picture.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/image/ImageCodec.h"
#include "platform/runtime/Runtime.h"

// How views draw the picture: as it is, or as a template, a shape whose opaque pixels take the
// tint colour of the view that draws it. Automatic lets the view decide (system buttons tint).
enum UIImageRenderingMode {
  UIImageRenderingModeAutomatic = 0,
  UIImageRenderingModeAlwaysOriginal = 1,
  UIImageRenderingModeAlwaysTemplate = 2,
};

class UIImage : public objc::Object {
 public:
  static objc::Class* cls();
  // [UIImage alloc]: an empty picture waiting for an init method.
  static std::shared_ptr<UIImage> alloc();
  static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& devicePath);
  static std::shared_ptr<UIImage> imageWithData(std::string_view bytes);
  // A tile's picture of a file: decoded to cover `pixelWidth` × `pixelHeight` pixels (see
  // platform::decodeImageThumbnail, also for `preview`), scale 1, sourcePath the file. Not a
  // hookable load: the system's own loads stay full-size. nullptr when the file is no picture.
  static std::shared_ptr<UIImage> thumbnailWithContentsOfFile(const std::string& devicePath, double pixelWidth,
                                                              double pixelHeight,
                                                              platform::Preview preview = platform::Preview::Refused);
  static std::shared_ptr<UIImage> imageWithBitmap(platform::Bitmap bitmap, double scale = 1.0);

  // Message sends through the runtime (the hookable path); return this, or nullptr.
  UIImage* initWithContentsOfFile(const std::string& devicePath);
  UIImage* initWithContentsOfFileCache(const std::string& devicePath, bool cache);

  // Size in points (pixels / scale), and the scale.
  double width() const { return bitmap_.width / scale_; }
  double height() const { return bitmap_.height / scale_; }
  double scale() const { return scale_; }
  UIImageRenderingMode renderingMode() const { return renderingMode_; }
  // imageWithRenderingMode:: the same picture in a new image drawn in that mode.
  std::shared_ptr<UIImage> imageWithRenderingMode(UIImageRenderingMode mode) const;
  const platform::Bitmap& bitmap() const { return bitmap_; }
  // The file it was loaded from, if any (device path); SpringBoard shows it in its status.
  const std::string& sourcePath() const { return sourcePath_; }
  std::string description() const override;

  // Loads the picture of a file into this image; the body of the init methods.
  bool loadContentsOfFile(const std::string& devicePath);

  explicit UIImage(objc::Class* isa = UIImage::cls());

 private:
  platform::Bitmap bitmap_;
  double scale_ = 1.0;
  UIImageRenderingMode renderingMode_ = UIImageRenderingModeAutomatic;
  std::string sourcePath_;
};

// PNG bytes of the picture; nothing for a missing or empty picture.
std::optional<std::string> UIImagePNGRepresentation(const UIImage* image);
