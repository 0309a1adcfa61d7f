#pragma once
// Follows the device's log files (SpringBoard's, the Settings app's) as they grow, for the browser
// view's live log. A file that appears later is picked up; one that shrinks (started afresh) is
// read again from its start. Lines come whole: a line still being written waits for its end.
#include <cstdint>
#include <string>
#include <vector>

class DeviceLogTail {
 public:
  // Device paths of the logs; at the start only the last `backlog` lines of each are kept.
  DeviceLogTail(std::vector<std::string> devicePaths, std::size_t backlog = 100);

  // The lines added since the last call, file by file. At most `maxBytes` are read per file and
  // call, so a log that grew by a lot is caught up over several calls; an overlong line is cut.
  std::vector<std::string> poll(std::size_t maxBytes = 256 * 1024);

 private:
  struct Followed {
    std::string hostPath;
    std::uint64_t offset = 0;
    bool started = false;
    std::string partial;
  };
  std::vector<Followed> files_;
  std::size_t backlog_;
};
