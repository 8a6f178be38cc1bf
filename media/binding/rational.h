// Rational-number helpers shared by the engine, the probe and the player.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

namespace media {

// The fraction nearest to value with both terms at most max (through
// av_reduce; avutil must be loaded). NaN gives 0/0 and magnitudes beyond the
// 32-bit range give +-1/0, as av_d2q does.
AVRational RealToFraction(double value, int max);

// num / den, computed in long double.
double FractionToReal(AVRational value);

// -1, 0 or 1 as a.num x b.den is below, equal to or above b.num x a.den
// (64-bit products, so 32-bit terms never overflow).
int CompareFractions(AVRational a, AVRational b);

// value limited to low..high (tested against low first, then high).
int ClampInt(int value, int low, int high);

}  // namespace media
