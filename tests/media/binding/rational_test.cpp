// Rational helpers: real to fraction with bounded terms, fraction to real,
// comparison and clamping.
#include "media/binding/rational.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "tests/support/real_libraries.h"

namespace {

using namespace media;

TEST(RealToFractionTest, FindsTheNearestFractionWithinMax) {
  testsupport::LoadRealLibraries();
  const struct {
    double value;
    int max;
    int num, den;
  } cases[] = {
      {4.0 / 3.0, 255, 4, 3},
      {1.3333, 255, 4, 3},
      {1.33333333, 255, 4, 3},
      {16.0 / 9.0, 255, 16, 9},
      {1.7778, 255, 16, 9},
      {59.0 / 54.0, 255, 59, 54},  // PAL 4:3 pixel aspect
      {40.0 / 33.0, 255, 40, 33},
      {1.0, 255, 1, 1},
      {0.5, 255, 1, 2},
      {0.0, 255, 0, 1},
      {-1.5, 255, -3, 2},
      {1e-9, 255, 0, 1},
      {300.0, 255, 255, 1},
      {M_PI, 255, 245, 78},
      {M_PI, 1000000, 833719, 265381},
      {1e12, 255, 1, 0},
      {-1e12, 255, -1, 0},
  };
  for (const auto& c : cases) {
    const AVRational r = RealToFraction(c.value, c.max);
    EXPECT_EQ(r.num, c.num) << c.value << " max " << c.max;
    EXPECT_EQ(r.den, c.den) << c.value << " max " << c.max;
  }
  const AVRational nan = RealToFraction(std::numeric_limits<double>::quiet_NaN(), 255);
  EXPECT_EQ(nan.num, 0);
  EXPECT_EQ(nan.den, 0);
}

TEST(RationalHelpersTest, RealCompareAndClamp) {
  EXPECT_DOUBLE_EQ(FractionToReal({16, 9}), 16.0 / 9.0);
  EXPECT_DOUBLE_EQ(FractionToReal({-3, 2}), -1.5);
  EXPECT_DOUBLE_EQ(FractionToReal({1001, 30000}), 1001.0 / 30000.0);

  const struct {
    AVRational a, b;
    int result;
  } comparisons[] = {
      {{4, 3}, {16, 9}, -1},
      {{16, 9}, {4, 3}, 1},
      {{2, 4}, {1, 2}, 0},
      {{-1, 2}, {1, 3}, -1},
      {{1001, 30000}, {1, 30}, 1},
      // Products beyond 32 bits: 50000 x 50000 against 1 x 1.
      {{50000, 1}, {1, 50000}, 1},
      {{INT_MAX, 1}, {INT_MAX, 2}, 1},
  };
  for (const auto& c : comparisons)
    EXPECT_EQ(CompareFractions(c.a, c.b), c.result)
        << c.a.num << "/" << c.a.den << " vs " << c.b.num << "/" << c.b.den;

  const struct {
    int value, low, high, result;
  } clamps[] = {{5, 0, 10, 5}, {-1, 0, 10, 0},  {11, 0, 10, 10},
                {0, 0, 10, 0}, {10, 0, 10, 10}, {INT_MIN, -5, 5, -5}};
  for (const auto& c : clamps) EXPECT_EQ(ClampInt(c.value, c.low, c.high), c.result) << c.value;
}

}  // namespace
