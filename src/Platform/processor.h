#ifndef TOLLBRIG_PLATFORM_PROCESSOR_H
#define TOLLBRIG_PLATFORM_PROCESSOR_H

#include <map>
#include <set>
#include <string>

#include "keys.h"

class Bus;
class Core;
class DRAM;
class Memory;

// Pseudo-cores of the Rx and Tx accesses; ordered before the real cores.
const int rxCoreId = -10;
const int txCoreId = -11;

// The analysed platform. Owns its core set and cluster map only; the model
// objects it points at are created and deleted by the platform builder.
class Processor {
 public:
  typedef std::map<int, std::set<int>> ClusterMap;

  Processor();

  int init(std::string name, int numberOfCores, Core* core, Bus* bus, Memory* instr, Memory* data,
           DRAM* dram, int memDelay, int accDelay, int burstDelay, const ClusterMap* clusters);

  void setName(std::string name);
  std::string getName() const;
  int getNumberOfCores() const;
  void setNumberOfCores(int n);
  void setMemDelay(int d);
  int getMemDelay() const;
  void setAccDelay(int d);
  int getAccDelay() const;
  void setBurstDelay(int d);
  int getBurstDelay() const;
  void setBus(Bus* b);
  Bus* getBus() const;
  void setCore(Core* c);
  Core* getCore() const;
  void setDRAM(DRAM* d);
  DRAM* getDRAM() const;
  void setLocalMemoryInstr(Memory* m);
  Memory* getLocalMemoryInstr() const;
  void setLocalMemoryData(Memory* m);
  Memory* getLocalMemoryData() const;
  void setCW(bool on);
  bool getCW() const;
  void setOldConfig(bool on);
  bool isOldConfig() const;
  void setNumberOfBanks(int n);
  int getNumberOfBanks() const;
  void setRx(bool on);
  bool hasRx() const;
  void setTx(bool on);
  bool hasTx() const;
  void setRM(bool on);
  bool hasRM() const;
  void setDSU(bool on);
  bool hasDSU() const;
  const std::set<int>* getCoresVec() const;

  void addCoreToCluster(int cluster, int core);
  int getClusterFromCore(int core) const;
  const ClusterMap& getClusters() const;

 private:
  // Adds or removes a pseudo-core and recounts the cores.
  void setPseudoCore(int id, bool on);

  std::string name;
  bool CW = false;
  bool oldConfig = false;
  int numberOfCores = 2;
  int numberOfBanks = 0;
  Bus* bus = nullptr;
  Core* core = nullptr;
  DRAM* dram = nullptr;
  Memory* localMemoryInstr = nullptr;
  Memory* localMemoryData = nullptr;
  int memDelay = 0;
  int accDelay = 0;
  int burstDelay = 0;
  ClusterMap clusters;
  bool Rx = false;
  bool Tx = false;
  bool RM = false;
  bool DSU = false;
  std::set<int> cores{0, 1};
};

#endif
