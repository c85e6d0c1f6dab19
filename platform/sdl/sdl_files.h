// Where the files that Windows finds by bare name live on this system: the
// INI file (GetPrivateProfileStringA) and the sound file (MCI open).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sdl {

// $XDG_CONFIG_HOME/mirabo, or $HOME/.config/mirabo when XDG_CONFIG_HOME is
// unset or empty (or not absolute, as the XDG rules ask).  Arguments are
// the environment values, null when unset.
std::filesystem::path ConfigDirectory(const char* xdgConfigHome, const char* home);

// A name with a slash or backslash is a path and stays as it is.
bool IsBareName(std::string_view name);

// `name` in `directory`: the exact name first, else the first entry whose
// name matches without regard to ASCII case, as on Windows' file systems.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& directory,
                                                      std::string_view name);

// The first directory of `directories` that holds `name` (see
// FindIgnoringCase).
std::optional<std::filesystem::path> FindInDirectories(
    const std::vector<std::filesystem::path>& directories, std::string_view name);

std::optional<std::string> ReadTextFile(const std::filesystem::path& path);
std::optional<std::vector<std::uint8_t>> ReadBinaryFile(const std::filesystem::path& path);

// The running program's own file, empty when the system does not say.
std::filesystem::path ProgramFile();

}  // namespace platform::sdl
