#pragma once
// Whether the device has what a package depends on, asked before dpkg touches anything. dpkg
// itself finds a missing dependency only after it has unpacked the package over the old one, and
// would leave on the device an engine that nothing backs and no older version to go back to.
#include <string>
#include <vector>

// The groups of a Depends (or Pre-Depends) field that no installed package satisfies, each as
// written ("no-such-base (>= 2)", "a | b"). Versions compare in Debian order; a group of
// alternatives is met by any one; a package that provides the name counts too; ":any" asks for
// a package whose Multi-Arch allows it, ":<architecture>" for one of that architecture.
std::vector<std::string> unmetDependencies(const std::string& field);
