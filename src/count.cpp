#include "count.h"

longint_t singlePrecisionQuotient(longint_t length, int delay) {
  const float divisor = static_cast<float>(static_cast<longint_t>(static_cast<int64_t>(delay)));
  return toCount(ceilf(static_cast<float>(length) / divisor));
}
