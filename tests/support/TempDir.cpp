#include "TempDir.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace korvana::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "korvana-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
  auto full = path_ / std::string(name);
  std::filesystem::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return full.string();
}

std::string TempDir::Read(std::string_view name) const {
  std::ifstream in(path_ / std::string(name), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace korvana::test
