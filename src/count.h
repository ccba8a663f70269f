#ifndef TOLLBRIG_COUNT_H
#define TOLLBRIG_COUNT_H

#include "keys.h"

// Converts a floating-point quotient or product to a cycle or access count:
// NaN, infinities and negative values give 0, values of 2^64 and above give
// 2^64-1, anything else is truncated. Floats widen to double exactly, so this
// one conversion serves both precisions.
longint_t toCount(double value);

#endif
