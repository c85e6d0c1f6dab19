#include "runtime/convert_integer.h"

#include <cstring>

namespace runtime {

namespace {

constexpr int End = -1;

class Scanner {
 public:
  Scanner(const char* text, int length) : text_(text), length_(length) {}

  // The byte at the current position, or End.
  int Peek(int ahead = 0) const {
    int at = position_ + ahead;
    return at < length_ ? static_cast<unsigned char>(text_[at]) : End;
  }
  void Skip(int count = 1) { position_ += count; }

  ConvertedInteger Fail(std::uint32_t accumulated) const {
    // The digits seen before the stop, without a sign: the configuration
    // relies on this value for malformed numbers.
    return ConvertedInteger{static_cast<std::int32_t>(accumulated), position_ + 1};
  }

 private:
  const char* text_;
  int length_;
  int position_ = 0;
};

int HexDigit(int byte) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
  if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
  return -1;
}

ConvertedInteger Hexadecimal(Scanner& scanner) {
  std::uint32_t value = 0;
  if (scanner.Peek() == End) return scanner.Fail(value);
  for (int byte = scanner.Peek(); byte != End; byte = scanner.Peek()) {
    int digit = HexDigit(byte);
    if (digit < 0 || value > 0x0FFFFFFFu) return scanner.Fail(value);
    value = value * 16 + static_cast<std::uint32_t>(digit);
    scanner.Skip();
  }
  // All 32 bits count: 80000000 to FFFFFFFF are the negative numbers.
  return ConvertedInteger{static_cast<std::int32_t>(value), 0};
}

ConvertedInteger Decimal(Scanner& scanner, bool negative, std::uint32_t value) {
  for (int byte = scanner.Peek(); byte != End; byte = scanner.Peek()) {
    if (byte < '0' || byte > '9' || value > 214748364u) return scanner.Fail(value);
    value = value * 10 + static_cast<std::uint32_t>(byte - '0');
    scanner.Skip();
  }
  if (negative) {
    if (value > 2147483648u) return scanner.Fail(value);
    return ConvertedInteger{static_cast<std::int32_t>(0u - value), 0};
  }
  if (value > 2147483647u) return scanner.Fail(value);
  return ConvertedInteger{static_cast<std::int32_t>(value), 0};
}

}  // namespace

ConvertedInteger ConvertInteger(const char* text, int length) {
  Scanner scanner(text, length);
  while (scanner.Peek() == ' ') scanner.Skip();

  const int first = scanner.Peek();
  if (first == '-' || first == '+') {
    scanner.Skip();
    // After a sign only decimal digits may follow, and at least one.
    if (scanner.Peek() == End) return scanner.Fail(0);
    return Decimal(scanner, first == '-', 0);
  }
  if (first == '$' || first == 'x' || first == 'X') {
    scanner.Skip();
    return Hexadecimal(scanner);
  }
  if (first == '0') {
    const int second = scanner.Peek(1);
    if (second == 'x' || second == 'X') {
      scanner.Skip(2);
      return Hexadecimal(scanner);
    }
    if (second == End) return ConvertedInteger{0, 0};
    scanner.Skip();
    return Decimal(scanner, false, 0);
  }
  // Empty text, or blanks only, is not a number.
  if (first == End) return scanner.Fail(0);
  return Decimal(scanner, false, 0);
}

ConvertedInteger ConvertInteger(const char* text) {
  return ConvertInteger(text, static_cast<int>(std::strlen(text)));
}

}  // namespace runtime
