#include "Platform/cacheGeometry.h"

#include <algorithm>

#include "keys.h"

std::string cacheGeometryError(int lineSize, int numberOfSets, int associativity) {
  const struct {
    const char* what;
    int value;
  } fields[] = {
      {"line size", lineSize}, {"number of sets", numberOfSets}, {"associativity", associativity}};
  std::string error;
  for (const auto& field : fields) {
    if (field.value >= 1) continue;
    if (!error.empty()) error += ", ";
    error += std::string(field.what) + " " + std::to_string(field.value) + " is below 1";
  }
  return error;
}

CacheGeometry::CacheGeometry(int bytesPerLine, int sets, int ways)
    : lineSize(bytesPerLine), numberOfSets(sets), associativity(ways) {}

bool CacheGeometry::isValid() const {
  return cacheGeometryError(lineSize, numberOfSets, associativity).empty();
}

CacheContents CacheGeometry::emptyContents() const {
  return CacheContents(static_cast<std::size_t>(numberOfSets) * associativity, -1);
}

bool CacheGeometry::access(CacheContents& contents, uint32_t address) const {
  const uint32_t block = blockOf(address);
  const auto row = contents.begin() + static_cast<std::ptrdiff_t>(setOf(block)) * associativity;
  const auto rowEnd = row + associativity;
  // The slots hold block numbers as int, as the contents records do.
  const int stored = static_cast<int>(block);
  auto hit = rowEnd;
  for (auto way = row; way != rowEnd; ++way)
    if (*way == stored) hit = way;
  const bool isHit = hit != rowEnd;
  const auto moved = isHit ? hit : rowEnd - 1;
  std::rotate(row, moved, moved + 1);
  *row = stored;
  return isHit;
}
