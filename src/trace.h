#ifndef TOLLBRIG_TRACE_H
#define TOLLBRIG_TRACE_H

#include <cstdint>
#include <string>
#include <vector>

#include "keys.h"

// One recorded execution: per entry an instruction address, an execution time,
// an access kind (0 write, 1 read, 2 no data access) and a data address.
class Trace {
 public:
  Trace();
  ~Trace();

  // Reads INPUTDIR/TRACEDIR/<name>.txt; 0 read, 1 the file cannot be opened.
  int readTrace(std::string name);

  int getSize() const;
  // The path of the last file read successfully; empty before.
  const std::string& getName() const;
  uint32_t memAddress(int i) const;
  uint32_t instrAddress(int i) const;
  int execTime(int i) const;
  int instrType(int i) const;

 private:
  int size = 0;
  std::string name;
  std::vector<uint32_t> memAddresses;
  std::vector<uint32_t> instrAddresses;
  std::vector<uint32_t> execTimes;
  std::vector<uint32_t> accessKinds;
};

#endif
