// Times of day as text and back, in the device's time zone.
#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSDateFormatter.h"
#include "platform/foundation/NSLog.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class DateFormatterTest : public ::testing::Test {
 protected:
  void useTimeZone(const std::string& zone) {
    platform::DeviceSettings settings;
    settings.timeZone = zone;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
    platform::deviceSettings();
  }
  std::shared_ptr<NSDateFormatter> formatter(const std::string& format) {
    auto f = NSDateFormatter::create();
    f->setDateFormat(format);
    return f;
  }
  TempDeviceRoot root_;
};

TEST_F(DateFormatterTest, PatternsPrintTheWallClock) {
  useTimeZone("Europe/Paris");
  double date = platform::dateFromComponents({2024, 5, 17, 7, 5, 9});
  struct Case {
    const char* format;
    const char* text;
  };
  for (Case c : {Case{"HH:mm:00", "07:05:00"}, Case{"HH:mm:ss", "07:05:09"}, Case{"HH:mm", "07:05"},
                 Case{"H:m:s", "7:5:9"}, Case{"'at' HH'h'mm", "at 07h05"}, Case{"HH 'o''clock'", "07 o'clock"},
                 Case{"", ""}}) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(formatter(c.format)->stringFromDate(date), c.text);
  }
  EXPECT_EQ(formatter("HH:mm")->stringFromDate(NAN), "");
}

TEST_F(DateFormatterTest, ParsingIsStrictAndLandsOnTheFirstOfJanuary2000) {
  useTimeZone("America/New_York");
  struct Case {
    const char* format;
    const char* text;
    bool parses;
    int hour = 0, minute = 0, second = 0;  // what a text that parses gives
  };
  for (Case c : {Case{"HH:mm:ss", "07:05:09", true, 7, 5, 9}, Case{"HH:mm:ss", "00:00:00", true, 0, 0, 0},
                 Case{"HH:mm:ss", "23:59:59", true, 23, 59, 59}, Case{"HH:mm:00", "19:30:00", true, 19, 30, 0},
                 Case{"HH:mm", "7:05", true, 7, 5, 0}, Case{"HH:mm:00", "19:30:01", false},
                 Case{"HH:mm:ss", "24:00:00", false}, Case{"HH:mm:ss", "12:60:00", false},
                 Case{"HH:mm:ss", "12:00", false}, Case{"HH:mm", "12:00 ", false}, Case{"HH:mm", "ab:cd", false},
                 Case{"HH:mm", "", false}, Case{"HH:mm", "123:00", false}, Case{"", "12:00", false}}) {
    SCOPED_TRACE(::testing::Message() << c.format << " / '" << c.text << "'");
    auto date = formatter(c.format)->dateFromString(c.text);
    ASSERT_EQ(date.has_value(), c.parses);
    if (!date) continue;
    auto got = platform::calendarComponents(*date);
    EXPECT_EQ((std::vector<int>{got.year, got.month, got.day, got.hour, got.minute, got.second}),
              (std::vector<int>{2000, 1, 1, c.hour, c.minute, c.second}));
  }
}

TEST_F(DateFormatterTest, AMinuteBeforeTheNextStartWrapsOverMidnight) {
  // How a day's ranges are shown: the next entry's start, parsed, less a minute.
  useTimeZone("Australia/Sydney");  // in daylight saving on the first of January
  auto parse = formatter("HH:mm:ss");
  auto print = formatter("HH:mm");
  struct Case {
    const char* next;
    const char* end;
  };
  for (Case c : {Case{"07:00:00", "06:59"}, Case{"19:30:00", "19:29"}, Case{"00:00:00", "23:59"},
                 Case{"00:01:00", "00:00"}}) {
    SCOPED_TRACE(c.next);
    auto date = parse->dateFromString(c.next);
    ASSERT_TRUE(date);
    EXPECT_EQ(print->stringFromDate(*date - 60), c.end);
    EXPECT_EQ(parse->stringFromDate(*date), c.next);  // and back
  }
}

TEST_F(DateFormatterTest, DaysOfTheClockChangeShowTheirOwnWallClock) {
  useTimeZone("Europe/Berlin");
  auto print = formatter("HH:mm:ss");
  // 31 March 2024: 02:00 jumps to 03:00. 27 October: 03:00 falls back to 02:00.
  double beforeJump = platform::dateFromComponents({2024, 3, 31, 1, 59, 59});
  EXPECT_EQ(print->stringFromDate(beforeJump), "01:59:59");
  EXPECT_EQ(print->stringFromDate(beforeJump + 1), "03:00:00");
  double fallBack = platform::dateFromComponents({2024, 10, 27, 1, 30, 0});
  EXPECT_EQ(print->stringFromDate(fallBack + 3600), "02:30:00");
  EXPECT_EQ(print->stringFromDate(fallBack + 2 * 3600), "02:30:00");  // the hour comes twice
  EXPECT_EQ(print->stringFromDate(fallBack + 3 * 3600), "03:30:00");
}

TEST_F(DateFormatterTest, FieldsItCannotReadAreTextAndSaidOnce) {
  platform::LogCapture log;
  auto f = formatter("yyyy HH");
  EXPECT_EQ(log.count("NSDateFormatter: the pattern \"yyyy HH\" has fields other than HH, mm and ss; they are taken as "
                      "text"),
            1u);
  EXPECT_EQ(f->stringFromDate(platform::dateFromComponents({2024, 1, 2, 5, 0, 0})), "yyyy 05");
}

}  // namespace
