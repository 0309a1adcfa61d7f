#pragma once
// NSException: the platform's one exception type. Carries a name, a reason and the call stack of
// the place that raised it.
#include <exception>
#include <string>
#include <vector>

namespace platform {

class NSException : public std::exception {
 public:
  NSException(std::string name, std::string reason);
  const char* what() const noexcept override { return description_.c_str(); }
  const std::string& name() const { return name_; }
  const std::string& reason() const { return reason_; }
  // The platform's description of an exception, as "%@" shows it.
  const std::string& description() const { return description_; }
  const std::vector<void*>& callStackReturnAddresses() const { return addresses_; }
  std::vector<std::string> callStackSymbols() const;

 private:
  std::string name_, reason_, description_;
  std::vector<void*> addresses_;
};

[[noreturn]] void raise(const std::string& name, const std::string& reason);

// The current thread's call stack: return addresses and lines of the form
// "<index> <image> 0x<address> <symbol> + <offset>".
std::vector<void*> callStackReturnAddresses(int skip = 0);
std::vector<std::string> callStackSymbols(const std::vector<void*>& addresses);

}  // namespace platform
