#pragma once
// The events the browser view pushes to its pages (server-sent events): a new frame of the screen,
// a new status, new lines of the device's log. Watchers publish; each page's stream waits for
// what it has not seen yet. The last events are kept so that a page that falls behind, or
// reconnects with Last-Event-ID, catches up without a gap where it can, and from the newest frame
// and status where it cannot.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct WebEvent {
  std::uint64_t id = 0;
  std::string type;  // "frame", "status", "log"
  std::string data;  // one line of JSON
};

class WebEvents {
 public:
  explicit WebEvents(std::size_t keep = 512);

  // Appends the event and wakes every waiting stream; returns its id. An event that `supersedes`
  // its type's earlier ones (a frame, which carries its picture) takes their place: they are no
  // longer kept, and a page that has not read them yet gets only this one.
  enum class Kept { Beside, Supersedes };
  std::uint64_t publish(const std::string& type, const std::string& data, Kept kept = Kept::Beside);

  // Events after `afterId`, oldest first, waiting up to `timeout` while there are none. When some
  // were dropped in between, the newest frame and status come first so the page is whole again.
  std::vector<WebEvent> waitAfter(std::uint64_t afterId, std::chrono::milliseconds timeout);

  // What a page that saw nothing yet (or lost track) needs: the newest frame and status, and the
  // log lines kept, oldest first.
  std::vector<WebEvent> catchUp() const;

  // The newest event of a type; id 0 when none was published.
  WebEvent latest(const std::string& type) const;

  // Wakes every waiting stream for good: the server is going away.
  void close();
  bool closed() const;

 private:
  std::vector<WebEvent> catchUpLocked() const;

  const std::size_t keep_;
  mutable std::mutex mu_;
  std::condition_variable changed_;
  std::deque<WebEvent> events_;
  std::uint64_t nextId_ = 1;
  std::uint64_t droppedThrough_ = 0;  // the newest id let go to stay within keep_
  bool closed_ = false;
};

// An event in the text/event-stream format: "id:", "event:", "data:" lines and a blank line.
std::string formatServerSentEvent(const WebEvent& event);

// The bytes in base64 (RFC 4648, padded), as a data: URL carries a picture.
std::string base64(std::string_view bytes);
