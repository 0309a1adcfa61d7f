#pragma once
// NSError: why an operation failed, handed to a completion as a shared pointer (nullptr there
// means success). A plain value: nothing sends it messages, so it is no runtime object.
#include <memory>
#include <string>

class NSError {
 public:
  NSError(std::string domain, long code, std::string localizedDescription)
      : domain_(std::move(domain)), code_(code), localizedDescription_(std::move(localizedDescription)) {}
  // errorWithDomain:code:userInfo: with NSLocalizedDescriptionKey.
  static std::shared_ptr<NSError> errorWithDomain(std::string domain, long code, std::string localizedDescription) {
    return std::make_shared<NSError>(std::move(domain), code, std::move(localizedDescription));
  }

  const std::string& domain() const { return domain_; }
  long code() const { return code_; }
  // A sentence for a person: what went wrong.
  const std::string& localizedDescription() const { return localizedDescription_; }
  // As a log line shows it: Error Domain=D Code=C "description".
  std::string description() const {
    return "Error Domain=" + domain_ + " Code=" + std::to_string(code_) + " \"" + localizedDescription_ + "\"";
  }

 private:
  std::string domain_;
  long code_;
  std::string localizedDescription_;
};
