#include "device/settings/SettingsScreenRequests.h"

#include <cmath>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "device/springboard/app/ScreenRevision.h"
#include "device/springboard/app/SocketReply.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UITextField.h"

using nlohmann::json;

namespace {

using socket_reply::line;
using socket_reply::failure;

std::string revision() {
  // The status bar's clock is Settings' own drawing.
  auto c = platform::calendarComponents(platform::now());
  return line(json{{"ok", true}, {"revision", screenRevision(mixSignature(kSignatureSeed, std::uint64_t(c.hour * 100 + c.minute)))}});
}

std::string key(const std::string& which, const std::string& text) {
  auto field = std::dynamic_pointer_cast<UITextField>(UIApplication::sharedApplication().firstResponder());
  if (!field) {
    NSLog("Settings: a key went nowhere: no text field is being edited");
    return failure("no text field is being edited");
  }
  if (which == "insert") {
    if (text.empty() || text.find_first_of("\n\t") != std::string::npos)
      return failure("key insert needs text on one line");
    field->insertText(platform::sanitizeUTF8(text));
  } else if (which == "backspace" && text.empty()) {
    field->deleteBackward();
  } else if (which == "return" && text.empty()) {
    field->insertText("\n");
  } else {
    return failure("key takes insert TEXT, backspace or return");
  }
  bool settled = platform::settleAllQueues();
  return line(json{{"ok", true}, {"settled", settled}, {"text", field->text()}, {"editing", field->isEditing()}});
}

std::optional<double> coordinate(const std::string& text) {
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string drag(const std::vector<std::string>& args) {
  std::optional<double> v[4];
  for (int i = 0; i < 4; ++i) v[i] = coordinate(args[std::size_t(i) + 1]);
  if (!v[0] || !v[1] || !v[2] || !v[3]) return failure("drag needs four numbers: X0 Y0 X1 Y1 in points");
  bool took = platform::dragAtPoint(CGPoint{*v[0], *v[1]}, CGPoint{*v[2] - *v[0], *v[3] - *v[1]});
  bool settled = platform::settleAllQueues();
  return line(json{{"ok", true}, {"settled", settled}, {"dragged", took}});
}

// A finger's report: touch PHASE X Y SECONDS, the phase began, moved, ended or cancelled.
std::string touch(const std::vector<std::string>& args) {
  static const std::pair<const char*, UITouchPhase> kPhases[] = {
      {"began", UITouchPhaseBegan}, {"moved", UITouchPhaseMoved}, {"ended", UITouchPhaseEnded}, {"cancelled", UITouchPhaseCancelled}};
  std::optional<UITouchPhase> phase;
  for (const auto& [name, value] : kPhases)
    if (args[1] == name) phase = value;
  auto x = coordinate(args[2]), y = coordinate(args[3]), time = coordinate(args[4]);
  if (!phase || !x || !y || !time)
    return failure("touch needs a phase (began, moved, ended, cancelled), X and Y in points, and the time in seconds");
  bool took = platform::touchScreen(*phase, CGPoint{*x, *y}, *time);
  json reply{{"ok", true}, {"touched", took}};
  // A move answers at once, so that the next is not held up; a finger lifting may have started
  // work (a tap's), which is done by the time the answer comes.
  if (*phase == UITouchPhaseEnded || *phase == UITouchPhaseCancelled) reply["settled"] = platform::settleAllQueues();
  return line(reply);
}

// A mouse wheel or touchpad over a point: scroll-at X Y DX DY, in points.
std::string scrollAt(const std::vector<std::string>& args) {
  std::optional<double> v[4];
  for (int i = 0; i < 4; ++i) v[i] = coordinate(args[std::size_t(i) + 1]);
  if (!v[0] || !v[1] || !v[2] || !v[3]) return failure("scroll-at needs four numbers: X Y DX DY in points");
  bool moved = platform::scrollWheelAtPoint(CGPoint{*v[0], *v[1]}, CGPoint{*v[2], *v[3]});
  return line(json{{"ok", true}, {"scrolled", moved}});
}

}  // namespace

std::optional<std::string> handleSettingsScreenRequest(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  if (args[0] == "revision" && args.size() == 1) return revision();
  if (args[0] == "drag" && args.size() == 5) return drag(args);
  if (args[0] == "touch" && args.size() == 5) return touch(args);
  if (args[0] == "scroll-at" && args.size() == 5) return scrollAt(args);
  if (args[0] == "key" && (args.size() == 2 || args.size() == 3))
    return key(args[1], args.size() == 3 ? args[2] : std::string());
  return std::nullopt;
}
