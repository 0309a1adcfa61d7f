#include "device/programs/SignalNames.h"

#include <signal.h>
#include <string.h>

#include <cctype>
#include <charconv>

std::optional<int> signalFromText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (std::isdigit(static_cast<unsigned char>(text.front()))) {
    int number = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || number < 0 || number >= NSIG) return std::nullopt;
    return number;
  }
  std::string upper;
  for (char c : text) upper += char(std::toupper(static_cast<unsigned char>(c)));
  if (upper.rfind("SIG", 0) == 0) upper.erase(0, 3);
  if (upper.empty()) return std::nullopt;
  for (int signal = 1; signal < NSIG; ++signal) {
    const char* name = ::sigabbrev_np(signal);
    if (name && upper == name) return signal;
  }
  return std::nullopt;
}

std::string signalName(int signal) {
  const char* name = signal > 0 && signal < NSIG ? ::sigabbrev_np(signal) : nullptr;
  return name ? std::string(name) : std::to_string(signal);
}

std::string signalList() {
  std::string list;
  for (int signal = 1; signal < NSIG; ++signal) {
    const char* name = ::sigabbrev_np(signal);
    if (!name) continue;
    if (!list.empty()) list += ' ';
    list += name;
  }
  return list;
}
