// A device program for tests: writes the argument vector it was started with, one entry a line,
// to <device root>/recorded-argv, whole (a temporary file renamed into place), then exits 0.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* root = std::getenv("SIMULATED_DEVICE_ROOT");
  if (!root) return 2;
  std::string target = std::string(root) + "/recorded-argv";
  std::string temporary = target + ".partial";
  FILE* out = std::fopen(temporary.c_str(), "w");
  if (!out) return 3;
  for (int i = 0; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  std::fclose(out);
  return std::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : 4;
}
