#include "device/launcher/web/WebEvents.h"

#include <algorithm>

WebEvents::WebEvents(std::size_t keep) : keep_(std::max<std::size_t>(keep, 4)) {}

std::uint64_t WebEvents::publish(const std::string& type, const std::string& data, Kept kept) {
  std::lock_guard<std::mutex> lock(mu_);
  if (kept == Kept::Supersedes) std::erase_if(events_, [&](const WebEvent& e) { return e.type == type; });
  std::uint64_t id = nextId_++;
  events_.push_back(WebEvent{id, type, data});
  while (events_.size() > keep_) {
    droppedThrough_ = events_.front().id;
    events_.pop_front();
  }
  changed_.notify_all();
  return id;
}

std::vector<WebEvent> WebEvents::waitAfter(std::uint64_t afterId, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mu_);
  changed_.wait_for(lock, timeout, [&] { return closed_ || nextId_ - 1 > afterId; });
  std::vector<WebEvent> out;
  if (events_.empty() || nextId_ - 1 <= afterId) return out;
  // Some were dropped before this page saw them: what it needs to be whole, then the rest. (Those
  // superseded by a later one of their type it does not need.)
  if (droppedThrough_ > afterId) return catchUpLocked();
  for (const WebEvent& e : events_)
    if (e.id > afterId) out.push_back(e);
  return out;
}

std::vector<WebEvent> WebEvents::catchUp() const {
  std::lock_guard<std::mutex> lock(mu_);
  return catchUpLocked();
}

std::vector<WebEvent> WebEvents::catchUpLocked() const {
  std::vector<WebEvent> out;
  for (const char* type : {"frame", "status"}) {
    auto it = std::find_if(events_.rbegin(), events_.rend(), [&](const WebEvent& e) { return e.type == type; });
    if (it != events_.rend()) out.push_back(*it);
  }
  for (const WebEvent& e : events_)
    if (e.type == "log") out.push_back(e);
  std::sort(out.begin(), out.end(), [](const WebEvent& a, const WebEvent& b) { return a.id < b.id; });
  return out;
}

WebEvent WebEvents::latest(const std::string& type) const {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = events_.rbegin(); it != events_.rend(); ++it)
    if (it->type == type) return *it;
  return {};
}

void WebEvents::close() {
  std::lock_guard<std::mutex> lock(mu_);
  closed_ = true;
  changed_.notify_all();
}

bool WebEvents::closed() const {
  std::lock_guard<std::mutex> lock(mu_);
  return closed_;
}

std::string formatServerSentEvent(const WebEvent& event) {
  std::string out = "id: " + std::to_string(event.id) + "\nevent: " + event.type + "\n";
  // A line feed inside the data would end the field; each line goes in a data field of its own.
  std::size_t start = 0;
  for (;;) {
    std::size_t end = event.data.find('\n', start);
    out += "data: " + event.data.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out + "\n";
}

std::string base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned v = unsigned(std::uint8_t(bytes[i])) << 16 | unsigned(std::uint8_t(bytes[i + 1])) << 8 | std::uint8_t(bytes[i + 2]);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  if (std::size_t left = bytes.size() - i) {
    unsigned v = unsigned(std::uint8_t(bytes[i])) << 16 | (left == 2 ? unsigned(std::uint8_t(bytes[i + 1])) << 8 : 0u);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += left == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}
