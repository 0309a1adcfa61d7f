#include "tests/support/LocalHttpServer.h"

#include <strings.h>

std::optional<std::string> LocalHttpServer::Request::header(const std::string& name) const {
  for (const auto& [n, v] : headers)
    if (strcasecmp(n.c_str(), name.c_str()) == 0) return v;
  return std::nullopt;
}

LocalHttpServer::LocalHttpServer() {
  server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    Request r;
    r.method = req.method;
    std::string target = req.target;
    std::size_t q = target.find('?');
    r.path = target.substr(0, q);
    if (q != std::string::npos) r.query = target.substr(q + 1);
    for (const auto& [n, v] : req.headers)
      if (n != "REMOTE_ADDR" && n != "REMOTE_PORT" && n != "LOCAL_ADDR" && n != "LOCAL_PORT") r.headers.emplace_back(n, v);
    std::lock_guard lock(mu_);
    unread_[&req] = requests_.size();
    requests_.push_back(std::move(r));
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // The body is read after routing starts, so it joins the record once the handler is done, and
  // before the response goes out: a client that has its answer finds the body recorded.
  server_.set_post_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    std::lock_guard lock(mu_);
    if (auto it = unread_.find(&req); it != unread_.end()) {
      requests_[it->second].body = req.body;
      unread_.erase(it);
    }
  });
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return;
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() only stops a server that is running; waiting here makes the destructor safe.
  while (!server_.is_running()) std::this_thread::yield();
}

LocalHttpServer::~LocalHttpServer() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

std::string LocalHttpServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LocalHttpServer::url(const std::string& path) const { return "http://" + address() + path; }

std::vector<LocalHttpServer::Request> LocalHttpServer::requests() const {
  std::lock_guard lock(mu_);
  return requests_;
}

std::size_t LocalHttpServer::requestCount() const {
  std::lock_guard lock(mu_);
  return requests_.size();
}
