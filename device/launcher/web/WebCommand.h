#pragma once
// `tovalune-device web [--port N] [--open] [--listen ADDR]`: serves the running device to a
// browser (see WebServer.h) until Ctrl-C. Only 127.0.0.1 unless told otherwise, with a warning
// then, since whoever reaches the page drives the device. Prints the page's address on its own
// line ("http://127.0.0.1:8844/"); port 0 picks a free one.
#include <string>

inline constexpr int kDefaultWebPort = 8844;

struct WebOptions {
  int port = kDefaultWebPort;
  bool open = false;
  std::string listen = "127.0.0.1";
};

int runWeb(const WebOptions& options);
