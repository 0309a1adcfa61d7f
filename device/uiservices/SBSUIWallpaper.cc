#include "device/uiservices/SBSUIWallpaper.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

#include "device/springboard/SBWallpaperState.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"

namespace {

struct Recorder {
  std::mutex mu;
  std::deque<SBSUIWallpaperCall> calls;  // the newest last
  SBSUIWallpaperCallObserver observer;
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
};
// An object of the library's own, not a heap one: the library can be unloaded (dlclose), and what it
// made must go with it.
Recorder& recorder() {
  static Recorder r;
  return r;
}

// Counts the calls running at once for as long as one call lasts.
class ConcurrencyScope {
 public:
  ConcurrencyScope() {
    int now = ++recorder().inside;
    int seen = recorder().maxInside.load();
    while (now > seen && !recorder().maxInside.compare_exchange_weak(seen, now)) {
    }
  }
  ~ConcurrencyScope() { --recorder().inside; }
};

std::shared_ptr<objc::Object> entry(const SBSUIWallpaperDictionary& d, const std::string& key) {
  auto it = d.find(key);
  return it == d.end() ? nullptr : it->second;
}

std::vector<std::string> keysOf(const SBSUIWallpaperDictionary& d) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : d) keys.push_back(key);
  return keys;
}

long modeOf(const std::shared_ptr<objc::Object>& options) {
  objc::SEL wallpaperMode = objc::sel("wallpaperMode");
  if (!options || !options->isa()->lookup(wallpaperMode)) return -1;
  return objc::msgSend<long>(options.get(), wallpaperMode);
}

const UIImage* pictureOf(const std::shared_ptr<objc::Object>& value, const char* key) {
  if (!value) {
    NSLog("SpringBoardUIServices: no {} picture given; its wallpapers stay", key);
    return nullptr;
  }
  auto* image = dynamic_cast<const UIImage*>(value.get());
  if (!image) NSLog("SpringBoardUIServices: the {} entry {} is not a picture; its wallpapers stay", key, value->description());
  return image;
}

}  // namespace

extern "C" void SBSUIWallpaperSetImages(const SBSUIWallpaperDictionary& images,
                                        const SBSUIWallpaperDictionary& options, int location, int flags) {
  ConcurrencyScope scope;
  SBSUIWallpaperCall call;
  call.lightImage = entry(images, "light");
  call.darkImage = entry(images, "dark");
  call.imageKeys = keysOf(images);
  call.optionKeys = keysOf(options);
  call.lightMode = modeOf(entry(options, "light"));
  call.darkMode = modeOf(entry(options, "dark"));
  call.location = location;
  call.flags = flags;
  call.thread = std::this_thread::get_id();
  call.onBackgroundThread = platform::isBackgroundThread();

  SBSUIWallpaperCallObserver observer;
  {
    std::lock_guard lock(recorder().mu);
    recorder().calls.push_back(call);
    if (recorder().calls.size() > kSBSUIWallpaperRecordedCalls) recorder().calls.pop_front();
    observer = recorder().observer;
  }
  if (observer) observer(call);

  std::shared_ptr<objc::Object> lightEntry = entry(images, "light");
  std::shared_ptr<objc::Object> darkEntry = entry(images, "dark");
  const UIImage* light = pictureOf(lightEntry, "light");
  const UIImage* dark = pictureOf(darkEntry, "dark");
  if (light || dark) SBWallpaperState::shared().setWallpapers(light, dark, location);
}

extern "C" void SBSUIWallpaperCopyCalls(std::vector<SBSUIWallpaperCall>* out) {
  if (!out) return;
  std::lock_guard lock(recorder().mu);
  out->assign(recorder().calls.begin(), recorder().calls.end());
}

extern "C" void SBSUIWallpaperResetCalls() {
  std::lock_guard lock(recorder().mu);
  recorder().calls.clear();
  recorder().maxInside = recorder().inside.load();
}

extern "C" int SBSUIWallpaperMaxConcurrentCalls() { return recorder().maxInside.load(); }

extern "C" void SBSUIWallpaperSetCallObserver(const SBSUIWallpaperCallObserver* observer) {
  std::lock_guard lock(recorder().mu);
  recorder().observer = observer ? *observer : SBSUIWallpaperCallObserver{};
}
