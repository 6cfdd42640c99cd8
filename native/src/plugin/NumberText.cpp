#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace strobe95 {
namespace {

constexpr bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c, bool hex) {
  if (c >= '0' && c <= '9') return true;
  return hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// Whether a number that does not fit the type is too large (rather than too small): its
// order of magnitude, from where the first significant digit stands and the exponent.
bool orderOfMagnitudeIsPositive(std::string_view digits, bool hex) {
  const char exponentMark = hex ? 'p' : 'e';
  long long order = 0;
  bool seenPoint = false;
  bool seenSignificant = false;
  std::size_t i = 0;
  for (; i < digits.size(); ++i) {
    const char c = digits[i];
    if ((c | 0x20) == exponentMark) break;
    if (c == '.') {
      seenPoint = true;
    } else if (!seenSignificant && c == '0') {
      if (seenPoint) --order;
    } else {
      seenSignificant = true;
      if (!seenPoint) ++order;
    }
  }
  if (hex) order *= 4;
  long long exponent = 0;
  if (i < digits.size()) {
    ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
    for (; i < digits.size() && isDigit(digits[i], false); ++i) {
      if (exponent < 1'000'000) exponent = exponent * 10 + (digits[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return order + exponent > 0;
}

template <typename T>
std::optional<LeadingNumber<T>> readLeading(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // from_chars would take a second sign, which strtod refuses.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return std::nullopt;

  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  bool hex = false;
  T value{};
  std::from_chars_result result{begin, std::errc::invalid_argument};
  if (end - begin > 2 && begin[0] == '0' && (begin[1] | 0x20) == 'x') {
    result = std::from_chars(begin + 2, end, value, std::chars_format::hex);
    hex = result.ec != std::errc::invalid_argument;
  }
  if (!hex) result = std::from_chars(begin, end, value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return std::nullopt;
  if (result.ec == std::errc::result_out_of_range) {
    const char* digits = hex ? begin + 2 : begin;
    value = orderOfMagnitudeIsPositive(std::string_view(digits, result.ptr - digits), hex)
                ? std::numeric_limits<T>::infinity()
                : T{0};
  }
  return LeadingNumber<T>{negative ? -value : value,
                          static_cast<std::size_t>(result.ptr - text.data())};
}

std::string toChars(double value, std::chars_format format, int precision) {
  char buffer[400];  // the longest "%.2f" of a double is 312 characters
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::optional<LeadingNumber<float>> readLeadingFloat(std::string_view text) {
  return readLeading<float>(text);
}

std::optional<LeadingNumber<double>> readLeadingDouble(std::string_view text) {
  return readLeading<double>(text);
}

std::string formatShortest9(double value) { return toChars(value, std::chars_format::general, 9); }

std::string formatFixed(double value, int decimals) {
  return toChars(value, std::chars_format::fixed, decimals);
}

std::string formatInteger(long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

float narrowToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

long long roundToInteger(double value) {
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  if (std::isnan(value)) return 0;
  return static_cast<long long>(std::round(std::fmin(kHigh, std::fmax(kLow, value))));
}

}  // namespace strobe95
