#pragma once
// A real HTTP server on 127.0.0.1 for one test: the test registers handlers on server() (cpp-httplib)
// and reads back every request it received, in order, with its method, path, query, headers and body.
#include <httplib.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class LocalHttpServer {
 public:
  struct Request {
    std::string method;
    std::string path;   // without the query
    std::string query;  // raw, without "?"; empty when none
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // known once the server has answered
    std::optional<std::string> header(const std::string& name) const;  // first of that name, any case
  };

  LocalHttpServer();  // listening when constructed
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  httplib::Server& server() { return server_; }
  int port() const { return port_; }
  // "127.0.0.1:<port>", the form of a device route.
  std::string address() const;
  // "http://127.0.0.1:<port>" + path.
  std::string url(const std::string& path) const;

  std::vector<Request> requests() const;
  std::size_t requestCount() const;

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  mutable std::mutex mu_;
  std::vector<Request> requests_;
  std::map<const httplib::Request*, std::size_t> unread_;  // requests whose body is still coming
};
