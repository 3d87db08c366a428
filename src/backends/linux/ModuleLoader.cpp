#include "backends/linux/ModuleLoader.h"

#include <dlfcn.h>

namespace korvana {

std::vector<std::filesystem::path> ModulePlaces(const char* fileName, const char* built) {
  std::vector<std::filesystem::path> places;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    places.push_back(program.parent_path() / fileName);
    places.push_back(program.parent_path().parent_path() / "lib" / "korvana" / fileName);
  }
  if (built) places.emplace_back(built);
  return places;
}

void* ModuleSymbol(const std::vector<std::filesystem::path>& places, const char* symbol,
                   std::string& why) {
  why = "no place to look for the module";
  for (const std::filesystem::path& place : places) {
    void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* error = dlerror();
      why = error ? error : place.string() + ": cannot be loaded";
      continue;
    }
    if (void* found = dlsym(module, symbol)) return found;
    why = place.string() + ": no " + symbol;
    dlclose(module);
  }
  return nullptr;
}

}  // namespace korvana
