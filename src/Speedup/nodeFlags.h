#ifndef TOLLBRIG_SPEEDUP_NODEFLAGS_H
#define TOLLBRIG_SPEEDUP_NODEFLAGS_H

#include <bit>
#include <cstdint>
#include <vector>

#include "keys.h"

// A set of node indexes below n, walked in increasing order.
class NodeFlags {
 public:
  explicit NodeFlags(longint_t count) : n(count), words((count + 63) / 64, 0) {}

  void set(longint_t i) { words[i / 64] |= bit(i); }
  void reset(longint_t i) { words[i / 64] &= ~bit(i); }
  void assign(longint_t i, bool value) { value ? set(i) : reset(i); }
  void setAll() { words.assign(words.size(), ~std::uint64_t{0}); }

  // The first index from i on in the set; n when there is none.
  longint_t next(longint_t i) const {
    for (longint_t w = i / 64; w < words.size(); ++w) {
      std::uint64_t bits = words[w];
      if (w == i / 64) bits &= ~std::uint64_t{0} << (i % 64);
      if (bits != 0) {
        const longint_t found = w * 64 + std::countr_zero(bits);
        return found < n ? found : n;
      }
    }
    return n;
  }

 private:
  static std::uint64_t bit(longint_t i) { return std::uint64_t{1} << (i % 64); }

  longint_t n;
  std::vector<std::uint64_t> words;
};

#endif
