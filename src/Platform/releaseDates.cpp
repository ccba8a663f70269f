#include "Platform/releaseDates.h"

#include <algorithm>
#include <iostream>
#include <map>

#include "keys.h"
#include "nodeset.h"

namespace {

// Maximum over the prefixes of a sequence under point updates; 0 for an empty prefix.
class PrefixMax {
 public:
  explicit PrefixMax(size_t length) : size(length), tree(2 * length, 0) {}

  void set(size_t pos, longint_t value) {
    pos += size;
    tree[pos] = value;
    while (pos > 1) {
      pos /= 2;
      tree[pos] = std::max(tree[2 * pos], tree[2 * pos + 1]);
    }
  }

  longint_t prefix(size_t count) const {
    longint_t result = 0;
    for (size_t lo = size, hi = size + count; lo < hi; lo /= 2, hi /= 2) {
      if (lo & 1) result = std::max(result, tree[lo++]);
      if (hi & 1) result = std::max(result, tree[--hi]);
    }
    return result;
  }

 private:
  size_t size;
  std::vector<longint_t> tree;
};

}  // namespace

ReleaseDates::ReleaseDates(Nodeset& nodeset)
    : ns(nodeset), n(nodeset.getSize()), waitCore(n, -1), waitPrefix(n, 0), waitLevel(n, -1) {
  std::map<int, int> slotOfCore;
  int levels = 0;
  for (const auto& [core, list] : ns.getCoreMap()) {
    CoreOrder order;
    order.nodes = list;
    std::stable_sort(order.nodes.begin(), order.nodes.end(), [this](longint_t a, longint_t b) {
      return ns.getPriority(static_cast<int>(a)) < ns.getPriority(static_cast<int>(b));
    });
    for (size_t p = 0; p < order.nodes.size(); ++p) {
      const int priority = ns.getPriority(static_cast<int>(order.nodes[p]));
      if (p == 0 || priority != order.priorities.back())
        order.levelStart.push_back(static_cast<int>(p));
      order.priorities.push_back(priority);
    }
    order.levelStart.push_back(static_cast<int>(order.nodes.size()));
    order.firstLevel = levels;
    levels += static_cast<int>(order.levelStart.size()) - 1;
    slotOfCore[core] = static_cast<int>(cores.size());
    cores.push_back(std::move(order));
  }
  for (longint_t i = 0; i < n; ++i) {
    const auto slot = slotOfCore.find(ns.getAssignedTo(static_cast<int>(i)));
    if (slot == slotOfCore.end()) continue;
    const CoreOrder& order = cores[slot->second];
    const int priority = ns.getPriority(static_cast<int>(i));
    const int prefix = static_cast<int>(
        std::lower_bound(order.priorities.begin(), order.priorities.end(), priority) -
        order.priorities.begin());
    waitCore[i] = slot->second;
    waitPrefix[i] = prefix;
    if (prefix > 0) {
      const auto level =
          std::upper_bound(order.levelStart.begin(), order.levelStart.end(), prefix - 1) -
          order.levelStart.begin() - 1;
      waitLevel[i] = order.firstLevel + static_cast<int>(level);
    }
  }
  buildOrder();
}

longint_t ReleaseDates::finish(longint_t k) const {
  const int node = static_cast<int>(k);
  return ns.getResponseTime(node) + ns.getReleaseDate(node);
}

longint_t ReleaseDates::predecessorsFinish(longint_t i, longint_t r) const {
  for (longint_t d : ns.getDepsVector(static_cast<int>(i))) r = std::max(r, finish(d));
  return r;
}

// Kahn's order over the nodes and one vertex per priority level of each core
// list, which stands for "every entry up to this level has finished".
void ReleaseDates::buildOrder() {
  const size_t levels =
      cores.empty() ? 0 : cores.back().firstLevel + cores.back().levelStart.size() - 1;
  const size_t vertices = n + levels;
  std::vector<std::vector<longint_t>> next(vertices);
  std::vector<longint_t> waiting(vertices, 0);
  const auto edge = [&](longint_t from, longint_t to) {
    next[from].push_back(to);
    ++waiting[to];
  };
  for (longint_t i = 0; i < n; ++i) {
    for (longint_t d : ns.getDepsVector(static_cast<int>(i))) edge(d, i);
    if (waitLevel[i] >= 0) edge(n + waitLevel[i], i);
  }
  for (const CoreOrder& core : cores) {
    for (size_t l = 0; l + 1 < core.levelStart.size(); ++l) {
      const longint_t level = n + core.firstLevel + l;
      if (l > 0) edge(level - 1, level);
      for (int p = core.levelStart[l]; p < core.levelStart[l + 1]; ++p) edge(core.nodes[p], level);
    }
  }
  for (longint_t v = 0; v < vertices; ++v)
    if (waiting[v] == 0) topoOrder.push_back(v);
  for (size_t head = 0; head < topoOrder.size(); ++head)
    for (longint_t to : next[topoOrder[head]])
      if (--waiting[to] == 0) topoOrder.push_back(to);
  if (topoOrder.size() < vertices) topoOrder.clear();
}

int ReleaseDates::settle(const std::vector<longint_t>& rel0, bool& changed) {
  changed = false;
  if (n == 0) return 0;
  if (!topoOrder.empty()) {
    sweep(rel0, changed);
    return 0;
  }
  return iterate(rel0, changed);
}

void ReleaseDates::sweep(const std::vector<longint_t>& rel0, bool& changed) {
  std::vector<longint_t> reached(topoOrder.size() - n, 0);
  std::vector<const CoreOrder*> coreOfLevel(reached.size());
  std::vector<size_t> levelInCore(reached.size());
  for (const CoreOrder& core : cores)
    for (size_t l = 0; l + 1 < core.levelStart.size(); ++l) {
      coreOfLevel[core.firstLevel + l] = &core;
      levelInCore[core.firstLevel + l] = l;
    }
  for (longint_t v : topoOrder) {
    if (v >= n) {
      const size_t level = v - n;
      const CoreOrder& core = *coreOfLevel[level];
      const size_t l = levelInCore[level];
      longint_t r = l > 0 ? reached[level - 1] : 0;
      for (int p = core.levelStart[l]; p < core.levelStart[l + 1]; ++p)
        r = std::max(r, finish(core.nodes[p]));
      reached[level] = r;
      continue;
    }
    longint_t r = predecessorsFinish(v, rel0[v]);
    if (waitLevel[v] >= 0) r = std::max(r, reached[waitLevel[v]]);
    if (r != ns.getReleaseDate(static_cast<int>(v))) {
      ns.setReleaseDate(static_cast<int>(v), r);
      changed = true;
    }
  }
}

int ReleaseDates::iterate(const std::vector<longint_t>& rel0, bool& changed) {
  std::vector<PrefixMax> finishes;
  std::vector<std::vector<std::pair<int, size_t>>> places(n);
  for (size_t c = 0; c < cores.size(); ++c) {
    const CoreOrder& core = cores[c];
    finishes.emplace_back(core.nodes.size());
    for (size_t p = 0; p < core.nodes.size(); ++p) {
      finishes[c].set(p, finish(core.nodes[p]));
      places[core.nodes[p]].emplace_back(static_cast<int>(c), p);
    }
  }
  for (longint_t pass = 1;; ++pass) {
    bool moved = false;
    longint_t first = 0;
    for (longint_t i = 0; i < n; ++i) {
      longint_t r = predecessorsFinish(i, rel0[i]);
      if (waitCore[i] >= 0) r = std::max(r, finishes[waitCore[i]].prefix(waitPrefix[i]));
      if (r == ns.getReleaseDate(static_cast<int>(i))) continue;
      ns.setReleaseDate(static_cast<int>(i), r);
      if (!moved) first = i;
      moved = true;
      for (const auto& [c, p] : places[i]) finishes[c].set(p, finish(i));
    }
    if (!moved) return 0;
    changed = true;
    if (pass > n + 1) {
      std::cout.flush();
      std::cerr << "Error: dependency cycle through node '"
                << ns.getTaskName(static_cast<int>(first)) << "'." << std::endl;
      return 1;
    }
  }
}
