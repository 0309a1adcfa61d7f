#include "device/launcher/web/DeviceLogTail.h"

#include <sys/stat.h>

#include <fstream>

#include "platform/foundation/DeviceRoot.h"

namespace {

constexpr std::size_t kMaxLineBytes = 2000;

void addLine(std::vector<std::string>& lines, std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > kMaxLineBytes) line = line.substr(0, kMaxLineBytes) + "…";
  lines.push_back(std::move(line));
}

}  // namespace

DeviceLogTail::DeviceLogTail(std::vector<std::string> devicePaths, std::size_t backlog) : backlog_(backlog) {
  for (const std::string& path : devicePaths) files_.push_back(Followed{platform::hostPath(path), 0, false, {}});
}

std::vector<std::string> DeviceLogTail::poll(std::size_t maxBytes) {
  std::vector<std::string> lines;
  for (Followed& f : files_) {
    struct stat st {};
    if (::stat(f.hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    std::uint64_t size = std::uint64_t(st.st_size);
    std::size_t first = lines.size();
    bool starting = !f.started;
    if (starting) {
      // The backlog: no more than the last stretch of a long log.
      std::uint64_t window = std::uint64_t(backlog_) * 300;
      f.offset = size > window ? size - window : 0;
      f.started = true;
    }
    if (size < f.offset) {
      f.offset = 0;  // started afresh
      f.partial.clear();
    }
    if (size == f.offset) continue;
    std::ifstream in(f.hostPath, std::ios::binary);
    if (!in) continue;
    in.seekg(std::streamoff(f.offset));
    std::string chunk(std::size_t(std::min<std::uint64_t>(size - f.offset, maxBytes)), '\0');
    in.read(chunk.data(), std::streamsize(chunk.size()));
    chunk.resize(std::size_t(in.gcount()));
    f.offset += chunk.size();
    std::string text = f.partial + chunk;
    f.partial.clear();
    std::size_t start = 0;
    // Past a cut-off start the first piece is the tail of a line: not shown.
    if (starting && f.offset - chunk.size() > 0) {
      std::size_t nl = text.find('\n');
      start = nl == std::string::npos ? text.size() : nl + 1;
    }
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
      addLine(lines, text.substr(start, nl - start));
    f.partial = text.substr(start);
    if (f.partial.size() > kMaxLineBytes) {
      addLine(lines, f.partial);
      f.partial.clear();
    }
    if (starting && lines.size() - first > backlog_)
      lines.erase(lines.begin() + std::ptrdiff_t(first), lines.end() - std::ptrdiff_t(backlog_));
  }
  return lines;
}
