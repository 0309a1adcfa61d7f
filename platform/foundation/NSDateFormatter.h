#pragma once
// NSDateFormatter for times of day: turns a date (seconds since 1970, the platform's NSDate) into
// text and back by a pattern, in the device's time zone and Gregorian calendar (daylight saving
// included, as platform::calendarComponents and dateFromComponents see it).
//
// Patterns: "HH" hour 00-23, "mm" minute 00-59, "ss" second 00-59 (each also accepted with one
// letter, "H", "m", "s", which print without padding); text inside single quotes is literal ('' is
// a quote); every other character is literal and must match itself exactly when parsing. So
// "HH:mm:00" prints the hour and minute followed by ":00", and parses only texts ending in ":00".
// Other pattern letters (a-z, A-Z) are not supported: they print and match as themselves, and a
// log line says so once per pattern.
//
// Parsing is strict: the whole text must match, with one or two digits for each field (two for a
// two-letter field followed by a digit) and the fields in range. A date parsed from a time-only
// pattern is on 2000-01-01 in the device's time zone, as Foundation's default date is; on a day
// whose clock skips that time, the moment after the gap is returned, as mktime resolves it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A plain object (Foundation sits below the runtime here): nothing hooks or looks it up by name.
class NSDateFormatter {
 public:
  // [[NSDateFormatter alloc] init]: the device's locale and time zone, an empty pattern.
  static std::shared_ptr<NSDateFormatter> create();

  const std::string& dateFormat() const { return format_; }
  void setDateFormat(std::string format);

  // The date in the pattern; an empty text for a non-finite date, or with an empty pattern.
  std::string stringFromDate(double date) const;
  // Nothing when the text does not match the pattern (the caller logs it).
  std::optional<double> dateFromString(const std::string& text) const;

 private:
  struct Token {
    enum Kind { Literal, Hour, Minute, Second } kind = Literal;
    std::string text;  // a literal's characters
    int width = 0;     // a field's letters (1 or 2)
  };
  std::string format_;
  std::vector<Token> tokens_;
};
