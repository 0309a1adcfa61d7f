#pragma once
// A fresh device root for one benchmark program, removed when the program ends; NSLog stays quiet
// so that log lines neither pollute the report nor cost terminal time inside a measurement.
#include <filesystem>
#include <string>

class BenchDevice {
 public:
  // `name` tells the folders of concurrently running benchmark programs apart.
  explicit BenchDevice(const std::string& name);
  ~BenchDevice();
  BenchDevice(const BenchDevice&) = delete;
  BenchDevice& operator=(const BenchDevice&) = delete;

  const std::filesystem::path& hostRoot() const { return root_; }

 private:
  std::filesystem::path root_;
};
