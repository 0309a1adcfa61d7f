#pragma once
// A property-list value: what NSDictionary, NSArray, NSNumber, NSString, NSData and NSDate hold
// when they come from or go to a property-list file.
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace platform {

class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value>;

struct Data {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Data&) const = default;
};

// Seconds since 1970-01-01 UTC.
struct Date {
  double seconds = 0;
  bool operator==(const Date&) const = default;
};

// A keyed archiver's object reference (CFKeyedArchiverUID): a kind of its own in binary property
// lists, which settings files may hold beside the settings. Kept so that a file is read whole and
// written back as it was; it is no number (its conversions give 0). Like CoreFoundation's, the
// library reads and writes UIDs of up to 32 bits.
struct Uid {
  std::uint64_t value = 0;
  bool operator==(const Uid&) const = default;
};

class Value {
 public:
  using Storage = std::variant<bool, std::int64_t, double, std::string, Data, Date, Uid, Array, Dictionary>;

  Value() : v_(false) {}
  Value(bool b) : v_(b) {}
  Value(int i) : v_(std::int64_t{i}) {}
  Value(std::int64_t i) : v_(i) {}
  Value(double d) : v_(d) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(Data d) : v_(std::move(d)) {}
  Value(Date d) : v_(d) {}
  Value(Uid u) : v_(u) {}
  Value(Array a) : v_(std::move(a)) {}
  Value(Dictionary d) : v_(std::move(d)) {}

  bool isBool() const { return std::holds_alternative<bool>(v_); }
  bool isInteger() const { return std::holds_alternative<std::int64_t>(v_); }
  bool isReal() const { return std::holds_alternative<double>(v_); }
  bool isNumber() const { return isBool() || isInteger() || isReal(); }
  bool isString() const { return std::holds_alternative<std::string>(v_); }
  bool isArray() const { return std::holds_alternative<Array>(v_); }
  bool isDictionary() const { return std::holds_alternative<Dictionary>(v_); }

  const std::string* string() const { return std::get_if<std::string>(&v_); }
  const Array* array() const { return std::get_if<Array>(&v_); }
  const Dictionary* dictionary() const { return std::get_if<Dictionary>(&v_); }
  const Data* data() const { return std::get_if<Data>(&v_); }
  const Date* date() const { return std::get_if<Date>(&v_); }
  const Uid* uid() const { return std::get_if<Uid>(&v_); }
  // Whether a UID lies anywhere in the value (a writer must then keep the binary form).
  bool holdsUid() const;

  // NSNumber / NSString conversions: numbers convert, a string is read as its leading decimal
  // number (0 if none), anything else is 0. boolValue is "nonzero", as for NSNumber.
  double doubleValue() const;
  float floatValue() const { return static_cast<float>(doubleValue()); }
  int intValue() const;
  std::int64_t longLongValue() const;
  bool boolValue() const;

  // The value as JSON text (data as base64, dates as seconds since 1970, a UID as {"CF$UID": n},
  // the form XML property lists give it).
  std::string toJSON() const;
  // A short human description, like NSObject's description: strings as they are, numbers as
  // numbers, containers as JSON.
  std::string description() const;

  const Storage& storage() const { return v_; }
  bool operator==(const Value& o) const { return v_ == o.v_; }

 private:
  Storage v_;
};

// A dictionary lookup that yields nullptr for a missing key.
const Value* find(const Dictionary& d, const std::string& key);

}  // namespace platform
