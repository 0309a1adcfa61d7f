#pragma once
// SpringBoard's end of the launcher's socket: a thread accepts one connection at a time, reads its
// request line and hands it to the main queue, so everything that touches SpringBoard's objects
// runs on the main thread; the reply goes back on the same connection.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

class SpringBoardServer {
 public:
  using Handler = std::function<std::string(const std::string& request)>;

  explicit SpringBoardServer(Handler handler);
  ~SpringBoardServer();
  SpringBoardServer(const SpringBoardServer&) = delete;
  SpringBoardServer& operator=(const SpringBoardServer&) = delete;

  // Listens at the device's socket path; false (logged) when it cannot.
  bool start();
  // Stops accepting and removes the socket file.
  void stop();

 private:
  void serve();
  void answer(int client);

  Handler handler_;
  std::string hostPath_;
  int listenFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
