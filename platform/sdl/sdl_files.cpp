#include "platform/sdl/sdl_files.h"

#include <fstream>
#include <iterator>
#include <system_error>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace platform::sdl {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::filesystem::path ConfigDirectory(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
    return std::filesystem::path(xdgConfigHome) / "mirabo";
  }
  std::filesystem::path base = home != nullptr && home[0] != '\0' ? home : ".";
  return base / ".config" / "mirabo";
}

bool IsBareName(std::string_view name) {
  return name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& directory,
                                                      std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::error_code error;
  std::filesystem::path exact = directory / std::string(name);
  if (std::filesystem::is_regular_file(exact, error)) return exact;
  std::filesystem::directory_iterator entries(directory, error);
  if (error) return std::nullopt;
  for (const auto& entry : entries) {
    if (SameIgnoringCase(entry.path().filename().string(), name) &&
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

std::optional<std::vector<std::uint8_t>> ReadBinaryFile(const std::filesystem::path& path) {
  std::optional<std::string> text = ReadTextFile(path);
  if (!text) return std::nullopt;
  return std::vector<std::uint8_t>(text->begin(), text->end());
}

std::filesystem::path ProgramFile() {
#if defined(__APPLE__)
  char buffer[4096];
  std::uint32_t size = sizeof buffer;
  if (_NSGetExecutablePath(buffer, &size) != 0) return {};
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::canonical(buffer, error);
  return error ? std::filesystem::path(buffer) : resolved;
#else
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path{} : self;
#endif
}

}  // namespace platform::sdl
