#include "platform/foundation/PlistValue.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include <fmt/format.h>

namespace platform {
namespace {

// NSString's doubleValue: skip leading blanks, read the longest decimal number, 0 if none.
double leadingNumber(const std::string& s) {
  const char* p = s.c_str();
  while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
  char* end = nullptr;
  double d = std::strtod(p, &end);
  if (end == p || !std::isfinite(d)) return 0;
  // strtod also reads hex and "inf"; NSString does not, so only accept plain decimal forms.
  if (*p == '0' && (p[1] == 'x' || p[1] == 'X')) return 0;
  return d;
}

std::int64_t clampToInt64(double d) {
  if (!std::isfinite(d)) return 0;
  if (d >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (d <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(d);
}

void appendJSONString(std::string& out, const std::string& s) {
  out += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) out += fmt::format("\\u{:04x}", c);
        else out += static_cast<char>(c);
    }
  }
  out += '"';
}

std::string base64(const std::vector<std::uint8_t>& in) {
  static const char* tbl = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    unsigned v = in[i] << 16 | in[i + 1] << 8 | in[i + 2];
    out += tbl[v >> 18]; out += tbl[(v >> 12) & 63]; out += tbl[(v >> 6) & 63]; out += tbl[v & 63];
  }
  if (i + 1 == in.size()) {
    unsigned v = in[i] << 16;
    out += tbl[v >> 18]; out += tbl[(v >> 12) & 63]; out += "==";
  } else if (i + 2 == in.size()) {
    unsigned v = in[i] << 16 | in[i + 1] << 8;
    out += tbl[v >> 18]; out += tbl[(v >> 12) & 63]; out += tbl[(v >> 6) & 63]; out += '=';
  }
  return out;
}

void appendJSON(std::string& out, const Value& v) {
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, bool>) out += x ? "true" : "false";
        else if constexpr (std::is_same_v<T, std::int64_t>) out += std::to_string(x);
        else if constexpr (std::is_same_v<T, double>) out += std::isfinite(x) ? fmt::format("{}", x) : "null";
        else if constexpr (std::is_same_v<T, std::string>) appendJSONString(out, x);
        else if constexpr (std::is_same_v<T, Data>) appendJSONString(out, base64(x.bytes));
        else if constexpr (std::is_same_v<T, Date>) out += fmt::format("{}", x.seconds);
        else if constexpr (std::is_same_v<T, Uid>) out += fmt::format("{{\"CF$UID\":{}}}", x.value);
        else if constexpr (std::is_same_v<T, Array>) {
          out += '[';
          for (std::size_t i = 0; i < x.size(); ++i) {
            if (i) out += ',';
            appendJSON(out, x[i]);
          }
          out += ']';
        } else {
          out += '{';
          bool first = true;
          for (const auto& [k, val] : x) {
            if (!first) out += ',';
            first = false;
            appendJSONString(out, k);
            out += ':';
            appendJSON(out, val);
          }
          out += '}';
        }
      },
      v.storage());
}

}  // namespace

double Value::doubleValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b ? 1 : 0;
  if (auto i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v_)) return *d;
  if (auto s = std::get_if<std::string>(&v_)) return leadingNumber(*s);
  return 0;
}

std::int64_t Value::longLongValue() const {
  if (auto i = std::get_if<std::int64_t>(&v_)) return *i;
  return clampToInt64(doubleValue());
}

int Value::intValue() const {
  // NSNumber's intValue keeps the low 32 bits of a wider integer.
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(longLongValue())));
}

bool Value::boolValue() const {
  if (auto s = std::get_if<std::string>(&v_)) {
    // NSString's boolValue: "Y", "y", "T", "t" or a nonzero leading digit.
    const char* p = s->c_str();
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '+' || *p == '-') ++p;
    while (*p == '0') ++p;
    return *p == 'Y' || *p == 'y' || *p == 'T' || *p == 't' || (*p >= '1' && *p <= '9');
  }
  if (auto d = std::get_if<double>(&v_)) return *d != 0;
  return longLongValue() != 0;
}

bool Value::holdsUid() const {
  if (uid()) return true;
  if (const Array* a = array())
    for (const Value& e : *a)
      if (e.holdsUid()) return true;
  if (const Dictionary* d = dictionary())
    for (const auto& [k, e] : *d)
      if (e.holdsUid()) return true;
  return false;
}

std::string Value::toJSON() const {
  std::string out;
  appendJSON(out, *this);
  return out;
}

std::string Value::description() const {
  if (auto s = string()) return *s;
  if (isBool()) return std::get<bool>(v_) ? "1" : "0";
  return toJSON();
}

const Value* find(const Dictionary& d, const std::string& key) {
  auto it = d.find(key);
  return it == d.end() ? nullptr : &it->second;
}

}  // namespace platform
