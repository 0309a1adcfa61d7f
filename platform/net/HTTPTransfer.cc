#include "platform/net/HTTPTransfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"

namespace platform {
namespace {

std::mutex observerMu;
URLRequestObserver& observerSlot() {
  static URLRequestObserver o;
  return o;
}

void announce(const std::string& method, const std::string& url) {
  URLRequestObserver observer;
  {
    std::lock_guard lock(observerMu);
    observer = observerSlot();
  }
  if (observer) observer(method, url);
  static const bool logURLs = [] {
    const char* v = std::getenv("SIMULATED_DEVICE_LOG_URLS");
    return v && std::string_view(v) == "1";
  }();
  if (logURLs) NSLog("[net] {} {}", method, url);
}

// SIMULATED_DEVICE_HTTP_TIMEOUT_SECONDS shortens every request's whole time, for tests of a device whose
// servers hang or drip; it never lengthens it.
double timeoutCapSeconds() {
  static const double cap = [] {
    const char* v = std::getenv("SIMULATED_DEVICE_HTTP_TIMEOUT_SECONDS");
    char* end = nullptr;
    double seconds = v ? std::strtod(v, &end) : 0;
    return v && end != v && *end == '\0' && seconds > 0 ? seconds : kHTTPTotalTimeoutSeconds;
  }();
  return cap;
}

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
template <typename T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

struct Sink {
  std::string body;
  bool overflow = false;
  const std::atomic<bool>* cancelled = nullptr;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t n = size * count;
  if (sink->body.size() + n > kHTTPMaxBodyBytes) {
    sink->overflow = true;
    return 0;  // curl ends the transfer with a write error
  }
  sink->body.append(data, n);
  return n;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* sink = static_cast<Sink*>(user);
  return sink->cancelled && sink->cancelled->load() ? 1 : 0;
}


// The device route for a host, validated: "address:port" with a numeric port.
struct Route {
  bool present = false;
  bool valid = false;
  std::string target;
};

Route routeFor(const std::string& host) {
  Route r;
  std::string h = platform::lowercaseString(host);
  for (const auto& [name, target] : deviceSettings().routes) {
    if (platform::lowercaseString(name) != h) continue;
    r.present = true;
    r.target = target;
    std::size_t colon = target.rfind(':');
    r.valid = colon != std::string::npos && colon > 0 && colon + 1 < target.size() &&
              target.find_first_not_of("0123456789", colon + 1) == std::string::npos;
    return r;
  }
  return r;
}

struct Hop {
  NSURL url;
  std::string method;
  std::optional<std::string> body;
  std::vector<std::pair<std::string, std::string>> headers;
};

struct HopResult {
  CURLcode code = CURLE_OK;
  std::string error;
  int status = 0;
  std::optional<std::string> location;
  std::string body;
};

bool userSet(const Hop& hop, std::string_view name) {
  for (const auto& [n, v] : hop.headers)
    if (headerNameEquals(n, name)) return true;
  return false;
}

HopResult performHop(const Hop& hop, const std::atomic<bool>* cancelled, long remainingMs) {
  HopResult out;
  CurlPtr<CURL> h(curl_easy_init());
  if (!h) {
    out.code = CURLE_FAILED_INIT;
    out.error = "cannot create a transfer";
    return out;
  }
  CURL* c = h.get();
  std::string target = hop.url.absoluteStringWithoutFragment();
  CurlPtr<curl_slist> connectTo;
  Route route = routeFor(hop.url.host());
  if (route.present) {
    if (!route.valid) {
      NSLog("[net] The route for {} is not \"address:port\": {}", hop.url.host(), route.target);
      out.code = CURLE_COULDNT_RESOLVE_HOST;
      out.error = "malformed device route for " + hop.url.host();
      return out;
    }
    if (hop.url.scheme() == "https") target = "http" + target.substr(5);
    // Empty host and port match whatever this one handle connects to.
    connectTo.reset(curl_slist_append(nullptr, ("::" + route.target).c_str()));
    curl_easy_setopt(c, CURLOPT_CONNECT_TO, connectTo.get());
  }

  Sink sink;
  sink.cancelled = cancelled;
  char errbuf[CURL_ERROR_SIZE] = {0};
  curl_easy_setopt(c, CURLOPT_URL, target.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, std::min(kHTTPConnectTimeoutSeconds * 1000, remainingMs));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, remainingMs);
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kHTTPMaxBodyBytes));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &writeBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &progress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &sink);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);

  // curl adds headers of its own unless told otherwise; the request says what is sent.
  CurlPtr<curl_slist> headers;
  auto add = [&](const std::string& line) { headers.reset(curl_slist_append(headers.release(), line.c_str())); };
  for (const auto& [name, value] : hop.headers) add(value.empty() ? name + ";" : name + ": " + value);
  add("Expect:");
  if (!userSet(hop, "Accept")) add("Accept:");
  if (hop.body && !userSet(hop, "Content-Type")) add("Content-Type:");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  if (hop.method == "GET" && !hop.body) {
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  } else if (hop.method == "HEAD" && !hop.body) {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, hop.method.c_str());
    if (hop.body) {
      curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(hop.body->size()));
      curl_easy_setopt(c, CURLOPT_POSTFIELDS, hop.body->data());
    }
  }

  out.code = curl_easy_perform(c);
  if (out.code != CURLE_OK) {
    if (sink.overflow || out.code == CURLE_FILESIZE_EXCEEDED) out.error = "response body exceeds 64 MiB";
    else if (out.code == CURLE_ABORTED_BY_CALLBACK) out.error = "cancelled";
    else out.error = errbuf[0] ? errbuf : curl_easy_strerror(out.code);
    return out;
  }
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  out.status = static_cast<int>(status);
  if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
    curl_header* location = nullptr;
    if (curl_easy_header(c, "Location", 0, CURLH_HEADER, -1, &location) == CURLHE_OK && location)
      out.location = location->value;
  }
  out.body = std::move(sink.body);
  return out;
}

// The Location of a redirect resolved against the URL that answered (the unrouted one, so that a
// relative location keeps the system's scheme and host).
std::optional<NSURL> resolveLocation(const NSURL& base, const std::string& location) {
  CurlPtr<CURLU> u(curl_url());
  if (!u || curl_url_set(u.get(), CURLUPART_URL, base.absoluteStringWithoutFragment().c_str(), 0) != CURLUE_OK)
    return std::nullopt;
  if (curl_url_set(u.get(), CURLUPART_URL, location.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK) return std::nullopt;
  char* resolved = nullptr;
  if (curl_url_get(u.get(), CURLUPART_URL, &resolved, 0) != CURLUE_OK || !resolved) return std::nullopt;
  std::string text = resolved;
  curl_free(resolved);
  return NSURL::URLWithString(text);
}

HTTPResult failure(std::string error, std::string url) {
  HTTPResult r;
  r.error = std::move(error);
  r.finalURL = std::move(url);
  return r;
}

HTTPResult transfer(const NSURLRequest& request, const std::atomic<bool>* cancelled, double totalTimeoutSeconds) {
  if (request.URL->scheme() != "http" && request.URL->scheme() != "https")
    return failure("unsupported URL", request.URL->absoluteString());
  initCurlOnce();

  using Clock = std::chrono::steady_clock;
  totalTimeoutSeconds = std::min(totalTimeoutSeconds, timeoutCapSeconds());
  auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(totalTimeoutSeconds * 1000));
  Hop hop{*request.URL, request.HTTPMethod, request.HTTPBody, request.allHTTPHeaderFields};
  for (int redirects = 0;; ++redirects) {
    long remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (remaining <= 0) return failure("timed out", hop.url.absoluteString());
    if (cancelled && cancelled->load()) return failure("cancelled", hop.url.absoluteString());
    HopResult r = performHop(hop, cancelled, remaining);
    if (r.code != CURLE_OK) return failure(std::move(r.error), hop.url.absoluteString());
    if (!r.location) {
      HTTPResult done;
      done.body = std::move(r.body);
      done.statusCode = r.status;
      done.finalURL = hop.url.absoluteString();
      return done;
    }
    if (redirects == kHTTPMaxRedirects) return failure("too many HTTP redirects", hop.url.absoluteString());
    auto next = resolveLocation(hop.url, *r.location);
    if (!next || (next->scheme() != "http" && next->scheme() != "https"))
      return failure("redirect to an unsupported URL: " + *r.location, hop.url.absoluteString());
    // As browsers and the platform's URL loading do: 303 always, and 301/302 after a POST, go on
    // as a GET without the body; 307 and 308 repeat the request as it was.
    bool toGet = (r.status == 303 && hop.method != "HEAD") ||
                 ((r.status == 301 || r.status == 302) && hop.method == "POST");
    if (toGet) {
      hop.method = "GET";
      hop.body.reset();
      std::erase_if(hop.headers, [](const auto& f) {
        return headerNameEquals(f.first, "Content-Length") || headerNameEquals(f.first, "Content-Type");
      });
    }
    hop.url = std::move(*next);
  }
}

}  // namespace

void setURLRequestObserver(URLRequestObserver observer) {
  std::lock_guard lock(observerMu);
  observerSlot() = std::move(observer);
}

HTTPResult performHTTPRequest(const NSURLRequest& request, const std::atomic<bool>* cancelled,
                              double totalTimeoutSeconds) {
  if (!request.URL) return failure("unsupported URL", "");
  announce(request.HTTPMethod, request.URL->absoluteString());
  HTTPResult result = transfer(request, cancelled, totalTimeoutSeconds);
  // The system's URL loading says in the log why a transfer failed (callers mostly see only no
  // data); a cancel is the caller's own doing.
  if (result.error && *result.error != "cancelled")
    NSLog("[net] {} {} failed: {}", request.HTTPMethod, request.URL->absoluteString(), *result.error);
  return result;
}

}  // namespace platform
