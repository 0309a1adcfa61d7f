#include "prefs/root/OrbelPackage.h"

#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/system/NSTask.h"
#include "shared/InstallPrefix.h"

std::map<std::string, std::string> packageFieldsFromQueryOutput(std::string_view text) {
  std::map<std::string, std::string> fields;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    std::size_t colon = line.find(": ");
    if (colon == std::string_view::npos) continue;
    fields[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 2));
  }
  return fields;
}

std::shared_ptr<OrbelPackage> OrbelPackage::packageWithIdentifier(const std::string& identifier) {
  auto package = std::make_shared<OrbelPackage>();
  NSTask task(installedPath(kQueryProgramPath), {"-s", identifier});
  task.setCurrentDirectoryPath("/");
  // A query program that cannot start has logged why; the package simply has no version.
  if (!task.launch()) return package;
  std::string output = task.readDataToEndOfFile();
  // The query program ends as it closes its output; reaping it here keeps the Settings app from
  // gathering a finished child each time the list is opened.
  task.waitUntilExit();
  std::optional<std::string> text = platform::stringWithUTF8Data(output);
  if (!text) {
    NSLog("The package query for {} did not answer in UTF-8", identifier);
    return package;
  }
  auto fields = packageFieldsFromQueryOutput(*text);
  if (auto it = fields.find("Version"); it != fields.end()) package->setVersion(it->second);
  return package;
}
