#ifndef TOLLBRIG_PLATFORM_HASHMIX_H
#define TOLLBRIG_PLATFORM_HASHMIX_H

#include <cstdint>

// Scatters the bits of h, for the hashes of the fixed-point states.
inline std::uint64_t hashMix(std::uint64_t h) {
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  return h ^ (h >> 31);
}

#endif
