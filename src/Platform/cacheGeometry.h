#ifndef TOLLBRIG_PLATFORM_CACHEGEOMETRY_H
#define TOLLBRIG_PLATFORM_CACHEGEOMETRY_H

#include <cstdint>
#include <string>
#include <vector>

#include "keys.h"

// What is wrong with a cache geometry, for "Invalid memory parameters for
// '<Type>': <what is wrong>"; empty when every value is at least 1.
std::string cacheGeometryError(int lineSize, int numberOfSets, int associativity);

// Cache contents during one analysis: numberOfSets rows of associativity ways,
// row after row; position 0 of a row holds the most recently used block and -1
// marks an empty way.
typedef std::vector<int> CacheContents;

// Line size in bytes, number of sets and ways per set of a set-associative cache.
class CacheGeometry {
 public:
  CacheGeometry() = default;
  CacheGeometry(int bytesPerLine, int sets, int ways);

  int getLineSize() const { return lineSize; }
  int getNumberOfSets() const { return numberOfSets; }
  int getAssociativity() const { return associativity; }
  // Every value at least 1: only then can addresses be mapped and contents allocated.
  bool isValid() const;

  uint32_t blockOf(uint32_t address) const { return address / static_cast<uint32_t>(lineSize); }
  uint32_t setOf(uint32_t block) const { return block % static_cast<uint32_t>(numberOfSets); }

  // Empty contents: every way -1.
  CacheContents emptyContents() const;
  // One LRU step of the address; true on a hit. The block moves to position 0,
  // the blocks before it move down one way; a miss drops the last way's block.
  bool access(CacheContents& contents, uint32_t address) const;

 private:
  int lineSize = 0;
  int numberOfSets = 0;
  int associativity = 0;
};

#endif
