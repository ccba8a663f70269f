#include "Platform/processor.h"

#include <utility>

#include "keys.h"

Processor::Processor() = default;

int Processor::init(std::string n, int nCores, Core* c, Bus* b, Memory* instr, Memory* data,
                    DRAM* d, int mem, int acc, int burst, const ClusterMap* clusterMap) {
  name = std::move(n);
  core = c;
  bus = b;
  localMemoryInstr = instr;
  localMemoryData = data;
  dram = d;
  memDelay = mem;
  accDelay = acc;
  burstDelay = burst;
  setNumberOfCores(nCores);
  if (clusterMap != nullptr) {
    clusters.clear();
    for (const auto& [cluster, members] : *clusterMap)
      for (int member : members) addCoreToCluster(cluster, member);
  }
  return 0;
}

void Processor::setName(std::string n) { name = std::move(n); }
std::string Processor::getName() const { return name; }
int Processor::getNumberOfCores() const { return numberOfCores; }

void Processor::setNumberOfCores(int n) {
  numberOfCores = n;
  cores.clear();
  for (int id = 0; id < n; ++id) cores.insert(id);
}

void Processor::setMemDelay(int d) { memDelay = d; }
int Processor::getMemDelay() const { return memDelay; }
void Processor::setAccDelay(int d) { accDelay = d; }
int Processor::getAccDelay() const { return accDelay; }
void Processor::setBurstDelay(int d) { burstDelay = d; }
int Processor::getBurstDelay() const { return burstDelay; }
void Processor::setBus(Bus* b) { bus = b; }
Bus* Processor::getBus() const { return bus; }
void Processor::setCore(Core* c) { core = c; }
Core* Processor::getCore() const { return core; }
void Processor::setDRAM(DRAM* d) { dram = d; }
DRAM* Processor::getDRAM() const { return dram; }
void Processor::setLocalMemoryInstr(Memory* m) { localMemoryInstr = m; }
Memory* Processor::getLocalMemoryInstr() const { return localMemoryInstr; }
void Processor::setLocalMemoryData(Memory* m) { localMemoryData = m; }
Memory* Processor::getLocalMemoryData() const { return localMemoryData; }
void Processor::setCW(bool on) { CW = on; }
bool Processor::getCW() const { return CW; }
void Processor::setOldConfig(bool on) { oldConfig = on; }
bool Processor::isOldConfig() const { return oldConfig; }
void Processor::setNumberOfBanks(int n) { numberOfBanks = n; }
int Processor::getNumberOfBanks() const { return numberOfBanks; }

void Processor::setPseudoCore(int id, bool on) {
  if (on) {
    cores.insert(id);
  } else {
    cores.erase(id);
  }
  numberOfCores = static_cast<int>(cores.size());
}

void Processor::setRx(bool on) {
  setPseudoCore(rxCoreId, on);
  Rx = on;
}
bool Processor::hasRx() const { return Rx; }

void Processor::setTx(bool on) {
  setPseudoCore(txCoreId, on);
  Tx = on;
}
bool Processor::hasTx() const { return Tx; }

void Processor::setRM(bool on) { RM = on; }
bool Processor::hasRM() const { return RM; }
void Processor::setDSU(bool on) { DSU = on; }
bool Processor::hasDSU() const { return DSU; }
const std::set<int>* Processor::getCoresVec() const { return &cores; }

void Processor::addCoreToCluster(int cluster, int member) { clusters[cluster].insert(member); }

int Processor::getClusterFromCore(int member) const {
  for (const auto& [cluster, members] : clusters)
    if (members.count(member) != 0) return cluster;
  return -1;
}

const Processor::ClusterMap& Processor::getClusters() const { return clusters; }
