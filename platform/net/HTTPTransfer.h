#pragma once
// The transport under the URL session and `dataWithContentsOfURL:`: one HTTP request over libcurl,
// performed on the calling thread.
//
// The simulated device's network: a host named in the device settings' routes is served by the
// local address given there, over plain HTTP, whatever scheme the URL names; the URL, the Host
// header, the path and the query stay exactly as the system wrote them. Every other host is the
// real one (TLS where the URL says https). Redirects (at most 10) are followed here rather than by
// curl so that each hop is routed the same way.
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "platform/net/NSURLRequest.h"

namespace platform {

inline constexpr long kHTTPConnectTimeoutSeconds = 15;
inline constexpr double kHTTPTotalTimeoutSeconds = 60;
inline constexpr int kHTTPMaxRedirects = 10;
// A larger body fails the request: a server that never stops sending must not fill the memory.
inline constexpr std::size_t kHTTPMaxBodyBytes = 64u << 20;

struct HTTPResult {
  // On success the body (possibly empty) and the final status; on failure no body, status 0 and
  // the reason. A failure is never reported with a status code.
  std::optional<std::string> body;
  int statusCode = 0;
  std::optional<std::string> error;
  std::string finalURL;  // after redirects, as the system would see it (unrouted)
};

// Performs the request with redirects followed, within totalTimeoutSeconds (shortened, never
// lengthened, by the environment variable SIMULATED_DEVICE_HTTP_TIMEOUT_SECONDS, for tests). `cancelled`, when given, is polled during the
// transfer; setting it ends the transfer with the error "cancelled". A failure other than a cancel
// is logged ("[net] GET URL failed: reason").
HTTPResult performHTTPRequest(const NSURLRequest& request, const std::atomic<bool>* cancelled = nullptr,
                              double totalTimeoutSeconds = kHTTPTotalTimeoutSeconds);

// Called with (method, URL) for every request the platform is asked to make (not for each redirect
// hop), on the thread that performs it. For tests; nullptr removes it. With the environment variable
// SIMULATED_DEVICE_LOG_URLS=1 each request is also logged as "[net] GET <url>".
using URLRequestObserver = std::function<void(const std::string& method, const std::string& url)>;
void setURLRequestObserver(URLRequestObserver observer);

}  // namespace platform
