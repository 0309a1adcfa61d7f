#pragma once
// A device process's end of the launcher's socket (SpringBoard's, and the Settings app's): a thread accepts one connection at a time, reads its
// request line and hands it to the main queue, so everything that touches SpringBoard's objects
// runs on the main thread; the reply goes back on the same connection.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "device/springboard/app/SpringBoardSocket.h"

class SpringBoardServer {
 public:
  using Handler = std::function<std::string(const std::string& request)>;

  // Listens at the socket's device path; `processName` names the process in log lines and replies.
  explicit SpringBoardServer(Handler handler, std::string socketDevicePath = kSpringBoardSocketPath,
                             std::string processName = "SpringBoard");
  ~SpringBoardServer();
  SpringBoardServer(const SpringBoardServer&) = delete;
  SpringBoardServer& operator=(const SpringBoardServer&) = delete;

  // Listens at the socket path; false (logged) when it cannot.
  bool start();
  // Stops accepting and removes the socket file.
  void stop();

 private:
  void serve();
  void answer(int client);

  Handler handler_;
  std::string socketDevicePath_;
  std::string processName_;
  std::string hostPath_;
  int listenFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
