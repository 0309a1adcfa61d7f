#include "device/springboard/app/ScreenFrame.h"

#include <chrono>
#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/foundation/DeviceSettings.h"
#include "platform/uikit/ScreenRenderer.h"

using nlohmann::json;

namespace {

std::string line(const json& reply) { return reply.dump(-1, ' ', false, json::error_handler_t::replace); }
std::string failure(const std::string& why) { return line(json{{"ok", false}, {"error", why}}); }

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

std::string answerFrameRequest(const std::string& widthText, const std::string& path,
                               const std::function<platform::SurfacePtr(double scale)>& draw) {
  if (path.empty() || path.front() != '/') return failure("frame needs an absolute host file path");
  platform::DeviceSettings settings = platform::deviceSettings();
  double deviceScale = settings.screenScale > 0 ? settings.screenScale : 1;
  double deviceWidth = std::round(settings.screenWidth * deviceScale);
  if (widthText.empty() || widthText.size() > 6 || widthText.find_first_not_of("0123456789") != std::string::npos ||
      std::stoi(widthText) == 0)
    return failure("frame needs a width in pixels (1 or more), then a file path");
  if (!(settings.screenWidth > 0 && deviceWidth >= 1))
    return failure("the screen has no usable size (check the device's screen settings)");
  double width = std::min(deviceWidth, double(std::stoi(widthText)));

  auto start = std::chrono::steady_clock::now();
  platform::SurfacePtr surface = draw(width / settings.screenWidth);
  if (!surface) return failure("the screen has no usable size (check the device's screen settings)");
  double drawMs = millisecondsSince(start);
  start = std::chrono::steady_clock::now();
  auto jpeg = platform::encodeScreenJPEG(surface.get(), kLiveFrameQuality);
  if (!jpeg) return failure("the frame could not be encoded");
  double encodeMs = millisecondsSince(start);
  std::string error;
  if (!platform::writeFileWhole(*jpeg, path, &error)) return failure(error);
  return line(json{{"ok", true},
                   {"path", path},
                   {"width", cairo_image_surface_get_width(surface.get())},
                   {"height", cairo_image_surface_get_height(surface.get())},
                   {"bytes", jpeg->size()},
                   {"drawMs", std::round(drawMs * 100) / 100},
                   {"encodeMs", std::round(encodeMs * 100) / 100}});
}
