#include "platform/sdl/sdl_platform.h"

#include <strings.h>

#include <fstream>
#include <iterator>
#include <system_error>

namespace platform::sdl {

std::filesystem::path ConfigDirectory(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
    return std::filesystem::path(xdgConfigHome) / "mirabo";
  }
  std::filesystem::path base = home != nullptr && home[0] != '\0' ? home : ".";
  return base / ".config" / "mirabo";
}

bool IsBareName(std::string_view name) { return name.find_first_of("/\\") == name.npos; }

std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& directory,
                                                      std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::error_code error;
  std::filesystem::path exact = directory / std::string(name);
  if (std::filesystem::is_regular_file(exact, error)) return exact;
  std::filesystem::directory_iterator entries(directory, error);
  if (error) return std::nullopt;
  for (const auto& entry : entries) {
    if (strcasecmp(entry.path().filename().c_str(), std::string(name).c_str()) == 0 &&
        entry.is_regular_file(error)) {
      return entry.path();
    }
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindInDirectories(
    const std::vector<std::filesystem::path>& directories, std::string_view name) {
  for (const auto& directory : directories) {
    if (auto found = FindIgnoringCase(directory, name)) return found;
  }
  return std::nullopt;
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return text;
}

}  // namespace platform::sdl
