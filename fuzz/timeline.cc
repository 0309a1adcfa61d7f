// The timeline evaluation of an arbitrary ImageTimeline value at an arbitrary time. The input is
// the time (eight bytes, any double: NaN and infinities included) and then the value, as a
// property list when the bytes are one, otherwise as entries built from the bytes, so that both
// the shapes and the Start texts get explored.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "engine/schedule/TovaluneTimeManager.h"
#include "fuzz/FuzzDevice.h"
#include "platform/foundation/PropertyList.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

Value anyScalar(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return Value(in.ConsumeIntegral<std::int64_t>());
    case 1: return Value(in.ConsumeFloatingPoint<double>());
    case 2: return Value(in.ConsumeBool());
    case 3: return Value(Array{});
    default: return Value(in.ConsumeRandomLengthString(32));
  }
}

Array entriesFromBytes(FuzzedDataProvider& in) {
  Array entries;
  while (in.remaining_bytes() > 0 && entries.size() < 64) {
    Dictionary entry;
    // Mostly the shape the pane writes, sometimes another type in either key.
    entry["Start"] = in.ConsumeIntegralInRange(0, 7) ? Value(in.ConsumeRandomLengthString(24)) : anyScalar(in);
    entry["ImagePath"] = in.ConsumeIntegralInRange(0, 7) ? Value(in.ConsumeRandomLengthString(16)) : anyScalar(in);
    entries.push_back(in.ConsumeIntegralInRange(0, 15) ? Value(std::move(entry)) : anyScalar(in));
  }
  return entries;
}

bool isImagePathOf(const Array& entries, const std::string& path) {
  for (const Value& e : entries) {
    const Dictionary* d = e.dictionary();
    const Value* p = d ? platform::find(*d, "ImagePath") : nullptr;
    if (p && p->string() && *p->string() == path) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const double now = in.ConsumeFloatingPoint<double>();
  const std::string rest = in.ConsumeRemainingBytesAsString();
  Array entries;
  if (auto plist = platform::propertyListFromBytes(rest)) {
    if (!plist->array()) return 0;
    entries = *plist->array();
  } else {
    FuzzedDataProvider built(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
    entries = entriesFromBytes(built);
  }
  TovaluneTimeManager::resetPreviousTimelineEntry();
  auto first = TovaluneTimeManager::imagePathForTime(now, entries);
  if (first) fuzz::check(isImagePathOf(entries, *first), "a path that no entry holds");
  // The same moment again: the entry was handed out already.
  fuzz::check(!first || !TovaluneTimeManager::imagePathForTime(now, entries), "the same entry handed out twice");
  return 0;
}
