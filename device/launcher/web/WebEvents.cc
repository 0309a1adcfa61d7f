#include "device/launcher/web/WebEvents.h"

#include <algorithm>

WebEvents::WebEvents(std::size_t keep) : keep_(std::max<std::size_t>(keep, 4)) {}

std::uint64_t WebEvents::publish(const std::string& type, const std::string& data) {
  std::lock_guard<std::mutex> lock(mu_);
  std::uint64_t id = nextId_++;
  events_.push_back(WebEvent{id, type, data});
  while (events_.size() > keep_) events_.pop_front();
  changed_.notify_all();
  return id;
}

std::vector<WebEvent> WebEvents::waitAfter(std::uint64_t afterId, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mu_);
  changed_.wait_for(lock, timeout, [&] { return closed_ || nextId_ - 1 > afterId; });
  std::vector<WebEvent> out;
  if (events_.empty() || nextId_ - 1 <= afterId) return out;
  // Some were dropped before this page saw them: what it needs to be whole, then the rest.
  if (events_.front().id > afterId + 1) return catchUpLocked();
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
