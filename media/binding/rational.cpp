#include "media/binding/rational.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "media/binding/entry_table.h"

namespace media {

AVRational RealToFraction(double value, int max) {
  if (std::isnan(value)) return AVRational{0, 0};
  // Beyond this the denominator below would need a negative shift.
  if (std::fabs(value) > static_cast<double>(INT_MAX) + 3.0)
    return AVRational{value < 0 ? -1 : 1, 0};
  int exponent = static_cast<int>(std::nearbyint(std::log2(std::fabs(value) + 1e-20)));
  if (exponent < 0) exponent = 0;
  const int64_t den = int64_t{1} << (61 - exponent);
  const int64_t num = static_cast<int64_t>(std::nearbyint(value * static_cast<double>(den) + 0.5));
  AVRational result{0, 1};
  lib::av_reduce(&result.num, &result.den, num, den, max);
  return result;
}

double FractionToReal(AVRational value) {
  return static_cast<double>(static_cast<long double>(value.num) /
                             static_cast<long double>(value.den));
}

int CompareFractions(AVRational a, AVRational b) {
  const int64_t left = static_cast<int64_t>(a.num) * b.den;
  const int64_t right = static_cast<int64_t>(b.num) * a.den;
  return left < right ? -1 : (left > right ? 1 : 0);
}

int ClampInt(int value, int low, int high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

}  // namespace media
