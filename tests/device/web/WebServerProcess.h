#pragma once
// `tovalune-device web --port 0` over the current device root, run by a test: its address read
// from its first line of output, ended with SIGTERM (then SIGKILL) when the object goes.
#include <sys/types.h>

#include <string>
#include <vector>

class WebServerProcess {
 public:
  explicit WebServerProcess(const std::vector<std::string>& extraArgs = {});
  ~WebServerProcess();
  WebServerProcess(const WebServerProcess&) = delete;
  WebServerProcess& operator=(const WebServerProcess&) = delete;

  // "http://127.0.0.1:PORT/"; empty when the server did not start.
  const std::string& url() const { return url_; }
  int port() const { return port_; }
  // What it wrote on standard error.
  std::string output() const;
  // Sends SIGTERM and waits: its exit status, or -1 when it had to be killed.
  int stop();

 private:
  pid_t pid_ = -1;
  std::string url_;
  int port_ = 0;
  std::string errPath_;
};
