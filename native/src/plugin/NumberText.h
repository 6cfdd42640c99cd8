#pragma once
// Number reading and writing that ignore the C locale: a host that switches its process
// to a comma-decimal locale must not change our saved state or value text, and the
// Windows build must print exactly what the Linux build prints.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace strobe95 {

template <typename T>
struct LeadingNumber {
  T value;
  std::size_t length;  // characters consumed, leading white space included
};

// strtod's rules: leading white space, an optional sign, decimal or hexadecimal digits
// with an exponent, "inf", "infinity" or "nan"; the longest valid prefix is read.
// Overflow gives a signed infinity and underflow a signed zero. Nothing readable: nullopt.
std::optional<LeadingNumber<float>> readLeadingFloat(std::string_view text);
std::optional<LeadingNumber<double>> readLeadingDouble(std::string_view text);

// printf's "%.9g", "%.<decimals>f" and "%ld" in the C locale.
std::string formatShortest9(double value);
std::string formatFixed(double value, int decimals);
std::string formatInteger(long long value);

// A double narrowed to float with IEEE overflow to infinity, which C++ leaves undefined.
float narrowToFloat(double value);

// Halves away from zero, like lround, but saturating at the 32-bit range and giving 0
// for NaN, so that any double a host sends has one defined answer on every platform.
long long roundToInteger(double value);

}  // namespace strobe95
