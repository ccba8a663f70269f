#include "Platform/cache.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iostream>

#include "keys.h"
#include "trace.h"

namespace {

// Record files of the two passes. Their names are fixed: one analysis at a time per TMPDIR.
std::string recordPath() { return TMPDIR + "/tmp.dat"; }
std::string reversedRecordPath() { return TMPDIR + "/tmp2.dat"; }

void reportUnopenable(const std::string& path) {
  std::cerr << "Error: Could not open temporary file '" << path << "'" << std::endl;
}

void appendNumber(std::string& line, int value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  line.append(digits, end);
}

// "Instr: <j> " and every slot of the contents followed by a blank.
void formatRecord(std::string& line, int j, const CacheContents& contents) {
  line = "Instr: ";
  appendNumber(line, j);
  line += ' ';
  for (const int slot : contents) {
    appendNumber(line, slot);
    line += ' ';
  }
  line += '\n';
}

// Reads the next record's slots into future, skipping its label and index. A
// missing record, or the part of one that is cut short, reads as empty ways.
void readRecord(std::istream& in, std::string& line, CacheContents& future) {
  std::fill(future.begin(), future.end(), -1);
  if (!std::getline(in, line)) return;
  const char* at = line.data();
  const char* const end = at + line.size();
  const auto skipBlanks = [&] {
    while (at < end && (*at == ' ' || *at == '\t' || *at == '\r')) ++at;
  };
  for (int word = 0; word < 2; ++word) {
    skipBlanks();
    while (at < end && *at != ' ' && *at != '\t') ++at;
  }
  for (int& slot : future) {
    skipBlanks();
    const auto [next, error] = std::from_chars(at, end, slot);
    if (error != std::errc()) return;
    at = next;
  }
}

// Writes the lines of from into to, last line first. Reads from backwards in
// chunks, so that only one chunk and one partial line are held at a time.
bool reverseLines(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!in || !out) return false;
  const std::streamoff chunkSize = 1 << 16;
  in.seekg(0, std::ios::end);
  std::streamoff position = in.tellg();
  // Bytes after the last line start found so far: the end of a line that starts earlier.
  std::string pending;
  std::string chunk;
  while (position > 0) {
    const std::streamoff length = std::min(chunkSize, position);
    position -= length;
    chunk.resize(static_cast<std::size_t>(length));
    in.seekg(position);
    if (!in.read(chunk.data(), length)) return false;
    pending.insert(0, chunk);
    // A line ends with its newline; only a newline before the last byte starts a line.
    std::size_t end = pending.size();
    while (end > 1) {
      const std::size_t newline = pending.rfind('\n', end - 2);
      if (newline == std::string::npos) break;
      out.write(pending.data() + newline + 1, static_cast<std::streamsize>(end - newline - 1));
      end = newline + 1;
    }
    pending.resize(end);
  }
  out << pending;
  out.close();
  return !out.fail();
}

}  // namespace

Cache::Cache(MemoryType t) : Memory(t) {}

Cache::Cache(MemoryType t, int lineSize, int numberOfSets, int associativity)
    : Memory(t), geometry(lineSize, numberOfSets, associativity) {}

int Cache::MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
               std::set<int>& ECBs) {
  return CacheAnalysis(trace, memDemand, writeAccesses, UCBs, ECBs);
}

template <typename Access>
void Cache::forEachAccess(const Trace& trace, int j, Access access) const {
  if (type == INSTRUCTION || type == UNIFIED) access(trace.instrAddress(j), -1);
  const int kind = trace.instrType(j);
  if ((type == DATA || type == UNIFIED) && kind != 2) access(trace.memAddress(j), kind);
}

bool Cache::checkGeometry() const {
  const std::string error = cacheGeometryError(geometry.getLineSize(), geometry.getNumberOfSets(),
                                               geometry.getAssociativity());
  if (error.empty()) return true;
  std::cerr << "Error: cannot analyse the cache: " << error << std::endl;
  return false;
}

int Cache::reverseCacheAnalysis(Trace& trace, std::set<int>&, std::set<int>&) {
  if (!checkGeometry()) return 1;
  const std::string path = recordPath();
  std::ofstream records(path, std::ios::trunc);
  if (!records) {
    reportUnopenable(path);
    return 1;
  }
  CacheContents contents = geometry.emptyContents();
  std::string line;
  for (int j = trace.getSize() - 1; j >= 0; --j) {
    forEachAccess(trace, j, [&](uint32_t address, int) { updateCache(contents, address); });
    formatRecord(line, j, contents);
    records << line;
  }
  records.close();
  const std::string reversed = reversedRecordPath();
  if (!reverseLines(path, reversed)) {
    std::cerr << "WARNING: the records of '" << path << "' could not be reversed into '" << reversed
              << "'" << std::endl;
  }
  return 0;
}

int Cache::CacheAnalysis(Trace& trace, longint_t& memDemand, longint_t& writeAccesses,
                         std::set<int>& UCBs, std::set<int>& ECBs) {
  if (!checkGeometry()) return 1;
  memDemand = 0;
  writeAccesses = 0;
  const std::string reversed = reversedRecordPath();
  // Emptied first, so that records of an earlier analysis are never read as this trace's.
  if (!std::ofstream(reversed, std::ios::trunc)) {
    reportUnopenable(reversed);
    return 1;
  }
  reverseCacheAnalysis(trace, UCBs, ECBs);
  std::ifstream records(reversed);
  if (!records) {
    reportUnopenable(reversed);
    return 1;
  }

  UCBs.clear();
  ECBs.clear();
  const int sets = geometry.getNumberOfSets();
  const int ways = geometry.getAssociativity();
  CacheContents contents = geometry.emptyContents();
  CacheContents future = geometry.emptyContents();
  std::vector<int> usefulSets;
  std::string line;
  for (int j = 0; j < trace.getSize(); ++j) {
    forEachAccess(trace, j, [&](uint32_t address, int kind) {
      const bool hit = updateCache(contents, address);
      ECBs.insert(static_cast<int>(geometry.setOf(geometry.blockOf(address))));
      if (kind < 0) {
        // A fetch miss counts in both totals.
        if (!hit) {
          ++memDemand;
          ++writeAccesses;
        }
        return;
      }
      // Every write goes through to the shared memory; a read costs only on a miss.
      if (!hit || kind == 0) ++memDemand;
      if (kind == 0) ++writeAccesses;
    });

    // Blocks cached now that are used again from this entry on. A block only
    // ever sits in the row of its own set, so the rows are matched one by one.
    readRecord(records, line, future);
    std::size_t useful = 0;
    usefulSets.clear();
    for (int s = 0; s < sets; ++s) {
      const auto row = contents.begin() + static_cast<std::ptrdiff_t>(s) * ways;
      const auto futureRow = future.begin() + static_cast<std::ptrdiff_t>(s) * ways;
      std::sort(futureRow, futureRow + ways);
      const auto inRow = std::count_if(row, row + ways, [&](int block) {
        return block != -1 && std::binary_search(futureRow, futureRow + ways, block);
      });
      if (inRow > 0) usefulSets.push_back(s);
      useful += static_cast<std::size_t>(inRow);
    }
    // Ties replace: the latest entry with the most useful blocks wins.
    if (UCBs.size() <= useful) UCBs = std::set<int>(usefulSets.begin(), usefulSets.end());
  }
  return 0;
}

bool Cache::updateCache(CacheContents& contents, uint32_t address) const {
  return geometry.access(contents, address);
}
