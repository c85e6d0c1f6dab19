#include "platform/common/cp1252.h"

#include <array>
#include <cstdint>

namespace platform::common {

namespace {

// Bytes 0x80 to 0x9F; every other byte is its own code point.
// "-" marks the five bytes the code page leaves undefined.
constexpr auto kHighControlRow = std::to_array<char16_t>({
    0x20AC, 0x0081, 0x201A, 0x0192,  // 80-83: euro, -, low single quote, f hook
    0x201E, 0x2026, 0x2020, 0x2021,  // 84-87: low double quote, ellipsis, dagger, double dagger
    0x02C6, 0x2030, 0x0160, 0x2039,  // 88-8B: circumflex, per mille, S caron, left angle quote
    0x0152, 0x008D, 0x017D, 0x008F,  // 8C-8F: OE, -, Z caron, -
    0x0090, 0x2018, 0x2019, 0x201C,  // 90-93: -, left and right single quotes, left double quote
    0x201D, 0x2022, 0x2013, 0x2014,  // 94-97: right double quote, bullet, en dash, em dash
    0x02DC, 0x2122, 0x0161, 0x203A,  // 98-9B: small tilde, trade mark, s caron, right angle quote
    0x0153, 0x009D, 0x017E, 0x0178,  // 9C-9F: oe, -, z caron, Y diaeresis
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
  // The continuation bytes the lead announces, and the least code point
  // that needs that many.
  int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
  if (extra == 0) return std::nullopt;
  constexpr std::array<char32_t, 4> kLeast{0, 0x80, 0x800, 0x10000};
  char32_t c = lead & (0x3F >> extra);
  std::size_t start = index;
  for (int i = 0; i < extra; ++i, ++index) {
    if (index >= text.size() || (text[index] & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (text[index] & 0x3F);
  }
  if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
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
