#pragma once
// The common root of the Photos model objects. Objects are snapshots taken by a fetch: a later
// change to the library does not alter them.
#include <string>

class PHObject {
 public:
  virtual ~PHObject() = default;
  // The library's persistent identifier, e.g. "6F0B1D2E-....-..../L0/040".
  const std::string& localIdentifier() const { return localIdentifier_; }

 protected:
  explicit PHObject(std::string localIdentifier) : localIdentifier_(std::move(localIdentifier)) {}

 private:
  std::string localIdentifier_;
};
