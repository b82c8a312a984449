#pragma once

#include <cmath>

// Level and gain conversions shared by the engine and the product. The constants are
// ln(10)/20 and 20/ln(10); every dB value in the system goes through these two.
namespace Decibels
{
constexpr double kDbToLinear = 0.1151292546497;
constexpr double kLinearToDb = 8.685889638065037;

inline double toLinear(double db) { return std::exp(db * kDbToLinear); }

// 20 log10(x); minus infinity for 0.
inline double fromLinear(double linear) { return std::log(linear) * kLinearToDb; }
}
