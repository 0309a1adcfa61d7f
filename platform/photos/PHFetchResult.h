#pragma once
// PHFetchResult and PHFetchOptions. A fetch result is an ordered list of the objects a fetch found,
// in the library's default order (creation order) unless options say otherwise.
#include <cstddef>
#include <memory>
#include <vector>

struct PHFetchOptions {
  // At most this many objects; 0 for all.
  std::size_t fetchLimit = 0;
};

template <typename T>
class PHFetchResult {
 public:
  PHFetchResult() = default;
  explicit PHFetchResult(std::vector<std::shared_ptr<T>> objects) : objects_(std::move(objects)) {}

  std::size_t count() const { return objects_.size(); }
  // Outside the range the device raises; here the answer is nothing.
  std::shared_ptr<T> objectAtIndex(std::size_t index) const {
    return index < objects_.size() ? objects_[index] : nullptr;
  }
  std::shared_ptr<T> firstObject() const { return objectAtIndex(0); }
  std::shared_ptr<T> lastObject() const { return objects_.empty() ? nullptr : objects_.back(); }

  auto begin() const { return objects_.begin(); }
  auto end() const { return objects_.end(); }

 private:
  std::vector<std::shared_ptr<T>> objects_;
};

inline std::size_t fetchLimitOf(const PHFetchOptions* options) { return options ? options->fetchLimit : 0; }
