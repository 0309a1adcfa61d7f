#include "device/launcher/PackageDependencies.h"

#include <map>
#include <optional>

#include "device/launcher/DeviceBaseSystem.h"
#include "device/launcher/HostProgram.h"
#include "platform/foundation/DeviceRoot.h"

namespace {

struct Relation {
  std::string name;
  std::string qualifier;  // after the name's colon: "any", an architecture, or empty
  std::string op;       // dpkg --compare-versions' word (lt, le, eq, ge, gt); empty: any version
  std::string version;
};

// An installed package, or one provided: the version it satisfies (empty: none given), its
// architecture and its Multi-Arch value.
struct Candidate {
  std::string version, architecture, multiArch;
};
using Installed = std::multimap<std::string, Candidate>;

std::string trimmed(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\n");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\n") - begin + 1);
}

// The parts between separators, each trimmed of blanks when `trim` says so (a tab-separated
// line must keep its empty last field).
std::vector<std::string> split(const std::string& text, char separator, bool trim = true) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(separator, start);
    std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    parts.push_back(trim ? trimmed(part) : part);
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::optional<Relation> parseRelation(const std::string& text) {
  Relation relation;
  std::size_t open = text.find('(');
  relation.name = trimmed(text.substr(0, open));
  if (std::size_t colon = relation.name.find(':'); colon != std::string::npos) {
    relation.qualifier = relation.name.substr(colon + 1);
    relation.name.erase(colon);
  }
  if (relation.name.empty()) return std::nullopt;
  if (open == std::string::npos) return relation;
  std::size_t close = text.find(')', open);
  if (close == std::string::npos) return std::nullopt;
  std::string inside = trimmed(text.substr(open + 1, close - open - 1));
  static const std::pair<const char*, const char*> kOperators[] = {
      {"<<", "lt"}, {"<=", "le"}, {">>", "gt"}, {">=", "ge"}, {"=", "eq"}, {"<", "le"}, {">", "ge"}};
  for (auto [symbol, word] : kOperators) {
    if (inside.rfind(symbol, 0) == 0) {
      relation.op = word;
      relation.version = trimmed(inside.substr(std::string(symbol).size()));
      return relation.version.empty() ? std::nullopt : std::optional<Relation>(relation);
    }
  }
  return std::nullopt;
}

Installed installedPackages() {
  Installed installed;
  auto result = runHostProgram({"dpkg-query", "--admindir=" + platform::hostPath(packageDatabasePath()), "--show",
                                "--showformat=${Package}\\t${Status}\\t${Version}\\t${Architecture}\\t"
                                "${Multi-Arch}\\t${Provides}\\n"});
  if (result.status != 0) return installed;
  for (const std::string& line : split(result.output, '\n', false)) {
    auto fields = split(line, '\t', false);
    if (fields.size() < 6 || fields[1].size() < 10 || fields[1].substr(fields[1].size() - 10) != " installed")
      continue;
    installed.emplace(fields[0], Candidate{fields[2], fields[3], fields[4]});
    for (const std::string& provided : split(fields[5], ',')) {
      auto relation = parseRelation(provided);
      if (relation)
        installed.emplace(relation->name, Candidate{relation->op == "eq" ? relation->version : "", fields[3], fields[4]});
    }
  }
  return installed;
}

// As dpkg has it: "name:any" wants a package that allows any architecture's dependents,
// "name:arch" that architecture.
bool satisfies(const Candidate& candidate, const Relation& relation) {
  if (relation.qualifier == "any" && candidate.multiArch != "allowed") return false;
  if (!relation.qualifier.empty() && relation.qualifier != "any" && relation.qualifier != candidate.architecture)
    return false;
  if (relation.op.empty()) return true;
  if (candidate.version.empty()) return false;
  return runHostProgram({"dpkg", "--compare-versions", candidate.version, relation.op, relation.version}).status == 0;
}

}  // namespace

std::vector<std::string> unmetDependencies(const std::string& field) {
  std::vector<std::string> unmet;
  if (trimmed(field).empty()) return unmet;
  Installed installed = installedPackages();
  for (const std::string& group : split(field, ',')) {
    if (group.empty()) continue;
    bool met = false;
    for (const std::string& alternative : split(group, '|')) {
      auto relation = parseRelation(alternative);
      if (!relation) continue;  // unreadable: dpkg-deb would not have built it; it cannot be met
      auto [first, last] = installed.equal_range(relation->name);
      for (auto it = first; it != last && !met; ++it) met = satisfies(it->second, *relation);
      if (met) break;
    }
    if (!met) unmet.push_back(group);
  }
  return unmet;
}
