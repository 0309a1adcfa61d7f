#include "platform/foundation/NSDateFormatter.h"

#include <cctype>
#include <cmath>

#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"

std::shared_ptr<NSDateFormatter> NSDateFormatter::create() { return std::make_shared<NSDateFormatter>(); }

void NSDateFormatter::setDateFormat(std::string format) {
  format_ = std::move(format);
  tokens_.clear();
  bool unsupported = false;
  auto literal = [&](char c) {
    if (tokens_.empty() || tokens_.back().kind != Token::Literal) tokens_.push_back(Token{});
    tokens_.back().text += c;
  };
  for (std::size_t i = 0; i < format_.size();) {
    char c = format_[i];
    if (c == '\'') {
      // '' is a quote; 'text' is literal text, up to the closing quote or the end.
      if (i + 1 < format_.size() && format_[i + 1] == '\'') {
        literal('\'');
        i += 2;
        continue;
      }
      for (++i; i < format_.size(); ++i) {
        if (format_[i] == '\'' && i + 1 < format_.size() && format_[i + 1] == '\'') {
          literal('\'');
          ++i;
        } else if (format_[i] == '\'') {
          break;
        } else {
          literal(format_[i]);
        }
      }
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < format_.size() && format_[i + run] == c) ++run;
    Token::Kind kind = c == 'H' ? Token::Hour : c == 'm' ? Token::Minute : c == 's' ? Token::Second : Token::Literal;
    if (kind != Token::Literal && run <= 2) {
      tokens_.push_back(Token{kind, {}, int(run)});
    } else {
      if (std::isalpha(static_cast<unsigned char>(c))) unsupported = true;
      for (std::size_t k = 0; k < run; ++k) literal(c);
    }
    i += run;
  }
  if (unsupported)
    NSLog("NSDateFormatter: the pattern \"{}\" has fields other than HH, mm and ss; they are taken as text", format_);
}

std::string NSDateFormatter::stringFromDate(double date) const {
  if (!std::isfinite(date)) return {};
  platform::CalendarComponents c = platform::calendarComponents(date);
  std::string out;
  for (const auto& token : tokens_) {
    if (token.kind == Token::Literal) {
      out += token.text;
      continue;
    }
    int value = token.kind == Token::Hour ? c.hour : token.kind == Token::Minute ? c.minute : c.second;
    if (token.width == 2 && value < 10) out += '0';
    out += std::to_string(value);
  }
  return out;
}

std::optional<double> NSDateFormatter::dateFromString(const std::string& text) const {
  if (tokens_.empty()) return std::nullopt;
  int fields[3] = {0, 0, 0};  // hour, minute, second
  std::size_t pos = 0;
  for (std::size_t t = 0; t < tokens_.size(); ++t) {
    const Token& token = tokens_[t];
    if (token.kind == Token::Literal) {
      if (text.compare(pos, token.text.size(), token.text) != 0) return std::nullopt;
      pos += token.text.size();
      continue;
    }
    // One or two digits; a two-letter field right before a digit takes exactly two.
    bool digitFollows = t + 1 < tokens_.size() && (tokens_[t + 1].kind != Token::Literal ||
                                                   std::isdigit(static_cast<unsigned char>(tokens_[t + 1].text[0])));
    std::size_t start = pos;
    while (pos < text.size() && pos - start < 2 && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    std::size_t taken = pos - start;
    if (taken == 0 || (digitFollows && token.width == 2 && taken != 2)) return std::nullopt;
    int value = std::stoi(text.substr(start, taken));
    int limit = token.kind == Token::Hour ? 23 : 59;
    if (value > limit) return std::nullopt;
    fields[token.kind == Token::Hour ? 0 : token.kind == Token::Minute ? 1 : 2] = value;
  }
  if (pos != text.size()) return std::nullopt;
  return platform::dateFromComponents({2000, 1, 1, fields[0], fields[1], fields[2]});
}
