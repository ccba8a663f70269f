#ifndef TOLLBRIG_PLATFORM_STATELOG_H
#define TOLLBRIG_PLATFORM_STATELOG_H

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The states a fixed-point loop went through, kept as hashes with the step
// after which each was seen, so that the log grows by a few bytes per step
// whatever the size of a state. A matching hash only names candidates: the
// loop confirms each by replaying its steps from the start up to it.
class StateLog {
 public:
  // The earlier steps whose state had hash h, in increasing order; then logs
  // the state at step.
  std::vector<int> note(std::uint64_t h, int step) {
    std::vector<int> earlier;
    const auto [first, last] = steps.equal_range(h);
    for (auto it = first; it != last; ++it) earlier.push_back(it->second);
    std::sort(earlier.begin(), earlier.end());
    steps.emplace(h, step);
    return earlier;
  }

 private:
  std::unordered_multimap<std::uint64_t, int> steps;
};

#endif
