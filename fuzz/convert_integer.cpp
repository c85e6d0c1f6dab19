// ConvertInteger over arbitrary bytes, against a reference built on
// std::from_chars: both must agree on success and on the value.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/convert_integer.h"

namespace {

bool AllOf(std::string_view text, bool (*accepts)(char)) {
  for (char c : text) {
    if (!accepts(c)) return false;
  }
  return !text.empty();
}

bool IsDecimal(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) {
  return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::optional<std::uint64_t> Digits(std::string_view text, int base) {
  if (!AllOf(text, base == 10 ? &IsDecimal : &IsHex)) return std::nullopt;
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Leading blanks, then a signed decimal, a plain decimal (leading zeros
// allowed), or hexadecimal after $, x, X or 0x whose 32 bits give the value.
std::optional<std::int32_t> Reference(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (text.front() == '-' || text.front() == '+') {
    auto magnitude = Digits(text.substr(1), 10);
    if (!magnitude) return std::nullopt;
    if (text.front() == '-') {
      if (*magnitude > 2147483648u) return std::nullopt;
      return static_cast<std::int32_t>(-static_cast<std::int64_t>(*magnitude));
    }
    if (*magnitude > 2147483647u) return std::nullopt;
    return static_cast<std::int32_t>(*magnitude);
  }
  std::optional<std::uint64_t> hex;
  bool isHex = false;
  if (text.front() == '$' || text.front() == 'x' || text.front() == 'X') {
    isHex = true;
    hex = Digits(text.substr(1), 16);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    isHex = true;
    hex = Digits(text.substr(2), 16);
  }
  if (isHex) {
    if (!hex || *hex > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*hex));
  }
  auto value = Digits(text, 10);
  if (!value || *value > 2147483647u) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const int length = static_cast<int>(size);
  // An exact-size copy: a read past the length is a heap overflow to ASan.
  std::vector<char> text(data, data + size);
  const runtime::ConvertedInteger converted = runtime::ConvertInteger(text.data(), length);

  fuzz::Require(converted.errorPosition >= 0 && converted.errorPosition <= length + 1,
                "the error position lies within the text or just past it");
  const std::optional<std::int32_t> expected = Reference(std::string_view(text.data(), size));
  fuzz::Require((converted.errorPosition == 0) == expected.has_value(),
                "success agrees with the reference");
  if (expected) {
    fuzz::Require(converted.value == *expected, "the value agrees with the reference");
    const std::string decimal = std::to_string(converted.value);
    const runtime::ConvertedInteger again = runtime::ConvertInteger(decimal.c_str());
    fuzz::Require(again.errorPosition == 0 && again.value == converted.value,
                  "a converted value converts back from its decimal text");
  }

  // The terminated form reads up to the first zero byte, as the counted
  // form of that prefix does.
  std::string terminated(text.data(), size);
  const runtime::ConvertedInteger counted = runtime::ConvertInteger(
      terminated.c_str(), static_cast<int>(std::strlen(terminated.c_str())));
  const runtime::ConvertedInteger zeroEnded = runtime::ConvertInteger(terminated.c_str());
  fuzz::Require(counted.value == zeroEnded.value &&
                    counted.errorPosition == zeroEnded.errorPosition,
                "the terminated form stops at the first zero byte");
  return 0;
}
