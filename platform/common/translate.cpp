#include "platform/common/translate.h"

#include <optional>

#include "platform/virtual_keys.h"

namespace platform::common {

namespace {

// The character Windows' translation makes of a key with no text of its own.
std::optional<char> ControlCharacter(WPARAM virtualKey, bool ctrl, bool alt) {
  if (alt && !ctrl) return std::nullopt;
  switch (virtualKey) {
    case VK_RETURN: return ctrl ? '\n' : '\r';
    case VK_BACK: return ctrl ? '\x7F' : '\b';
    case VK_ESCAPE: return '\x1B';
    case VK_TAB: return ctrl ? std::nullopt : std::optional<char>('\t');
    default: break;
  }
  if (ctrl && !alt) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<char>(virtualKey - 'A' + 1);
    if (virtualKey == VK_SPACE) return ' ';
  }
  return std::nullopt;
}

}  // namespace

std::string TranslatedCharacters(UINT message, WPARAM virtualKey, bool ctrl, bool alt,
                                 const std::string* text) {
  if (message != WM_KEYDOWN) return {};
  if (std::optional<char> control = ControlCharacter(virtualKey, ctrl, alt)) {
    return std::string(1, *control);
  }
  return text != nullptr ? *text : std::string();
}

}  // namespace platform::common
