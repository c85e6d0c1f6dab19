#include "platform/common/profile.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::ranges::equal(a, b, {}, lower, lower);
}

// Finds the value of key in section.  Only the first section of that name
// and the first key of that name in it count, as on Windows.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool inSection = false;
  bool sectionSeen = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (inSection) return std::nullopt;
      std::size_t close = line.find(']');
      std::string_view name = Trim(line.substr(1, std::min(close, line.size()) - 1));
      inSection = !sectionSeen && SameName(name, section);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    std::size_t equals = line.find('=');
    std::string_view name = Trim(line.substr(0, equals));
    if (!SameName(name, key)) continue;
    if (equals == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace

DWORD ProfileString(const std::optional<std::string>& iniText, const char* section,
                    const char* key, const char* defaultValue, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  std::string_view value;
  std::optional<std::string_view> found;
  if (iniText && section != nullptr && key != nullptr) {
    found = FindValue(*iniText, section, key);
  }
  if (found) {
    value = *found;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
  } else {
    value = defaultValue != nullptr ? std::string_view(defaultValue) : std::string_view{};
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  }
  std::size_t count = value.size() < size - 1 ? value.size() : size - 1;
  if (count > 0) std::memcpy(buffer, value.data(), count);  // a null default has no data
  buffer[count] = '\0';
  return static_cast<DWORD>(count);
}

}  // namespace platform
