#pragma once
// A fresh device root in a temporary folder for one test, removed afterwards. Also resets the
// clock the test may have fixed.
#include <string>

class TempDeviceRoot {
 public:
  TempDeviceRoot();
  ~TempDeviceRoot();
  const std::string& path() const { return path_; }
  // Host path of a device path inside this root.
  std::string host(const std::string& devicePath) const;

 private:
  std::string path_;
};
