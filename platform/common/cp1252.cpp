#include "platform/common/cp1252.h"

#include <array>
#include <cstdint>

namespace platform::common {

namespace {

// Bytes 0x80 to 0x9F; every other byte is its own code point.
constexpr auto kHighControlRow = std::to_array<char16_t>({
    0x20AC,  // 80 euro sign
    0x0081,  // 81 undefined
    0x201A,  // 82 single low-9 quotation mark
    0x0192,  // 83 f with hook
    0x201E,  // 84 double low-9 quotation mark
    0x2026,  // 85 horizontal ellipsis
    0x2020,  // 86 dagger
    0x2021,  // 87 double dagger
    0x02C6,  // 88 modifier circumflex
    0x2030,  // 89 per mille sign
    0x0160,  // 8A S with caron
    0x2039,  // 8B single left-pointing angle quotation mark
    0x0152,  // 8C ligature OE
    0x008D,  // 8D undefined
    0x017D,  // 8E Z with caron
    0x008F,  // 8F undefined
    0x0090,  // 90 undefined
    0x2018,  // 91 left single quotation mark
    0x2019,  // 92 right single quotation mark
    0x201C,  // 93 left double quotation mark
    0x201D,  // 94 right double quotation mark
    0x2022,  // 95 bullet
    0x2013,  // 96 en dash
    0x2014,  // 97 em dash
    0x02DC,  // 98 small tilde
    0x2122,  // 99 trade mark sign
    0x0161,  // 9A s with caron
    0x203A,  // 9B single right-pointing angle quotation mark
    0x0153,  // 9C ligature oe
    0x009D,  // 9D undefined
    0x017E,  // 9E z with caron
    0x0178,  // 9F Y with diaeresis
});
static_assert(kHighControlRow.size() == 0xA0 - 0x80);

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[index], advancing index.  Returns
// nothing for a malformed sequence (overlong forms and surrogates
// included), having skipped one byte.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& index) {
  auto lead = static_cast<unsigned char>(text[index++]);
  if (lead < 0x80) return lead;
  int length = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 1, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 2, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 3, c = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  std::size_t start = index;
  for (int i = 0; i < length; ++i) {
    if (index >= text.size()) return std::nullopt;
    auto next = static_cast<unsigned char>(text[index]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
    ++index;
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    index = start;
    return std::nullopt;
  }
  return c;
}

// The byte for a code point, or nothing when the code page lacks it.
std::optional<unsigned char> Cp1252FromUnicode(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<unsigned char>(codePoint);
  }
  for (std::size_t i = 0; i < kHighControlRow.size(); ++i) {
    if (kHighControlRow[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

char32_t UnicodeFromCp1252(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControlRow[byte - 0x80];
  return byte;
}

std::string Utf8FromCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char byte : bytes) AppendUtf8(out, UnicodeFromCp1252(static_cast<unsigned char>(byte)));
  return out;
}

std::string Cp1252FromUtf8(std::string_view text, char replacement) {
  std::string out;
  std::size_t index = 0;
  while (index < text.size()) {
    std::optional<char32_t> c = DecodeUtf8(text, index);
    std::optional<unsigned char> byte = c ? Cp1252FromUnicode(*c) : std::nullopt;
    if (byte) {
      out += static_cast<char>(*byte);
    } else if (replacement != '\0') {
      out += replacement;
    }
  }
  return out;
}

}  // namespace platform::common
