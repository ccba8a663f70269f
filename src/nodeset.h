#ifndef TOLLBRIG_NODESET_H
#define TOLLBRIG_NODESET_H

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "keys.h"

class DocumentCache;

// The task graph under analysis: nodes sorted by global id, which equals their
// position, and per core the global ids of the nodes placed on it.
class Nodeset {
 public:
  typedef std::vector<std::pair<int, longint_t>> BankList;
  typedef std::vector<std::tuple<int, longint_t, longint_t>> NoCList;

  struct Node_t {
    std::string taskName;
    std::vector<std::string> traces;
    int priority;
    longint_t deadline;
    longint_t period;
    longint_t releaseDate;
    longint_t responseTime;
    int assignedTo;
    int localMemoryBank;
    longint_t globalID;
    longint_t procDemand;
    longint_t memDemand;
    BankList memDemandPerBank;
    BankList transactionsPerBank;
    NoCList NoCAccessPerBank;
    std::vector<longint_t> deps;
    bool isEmpty;
  };

  Nodeset();

  static bool compareNode(const Node_t& a, const Node_t& b);

  // Builders. The node-set form adds a "noc_" companion per network-on-chip entry.
  int init(longint_t n, const int* priority, const longint_t* deadline, const longint_t* period,
           const longint_t* releaseDate, const int* assignedTo, const std::string* taskName,
           const std::vector<std::string>* traces, const std::vector<longint_t>* deps,
           const longint_t* unused, const longint_t* globalID, const int* localMemoryBank,
           const BankList* perBank, const NoCList* nocAccess, const bool* isEmpty);
  int init(longint_t n, const longint_t* procDemand, const BankList* memDemandPerBank,
           const BankList* transactionsPerBank, const NoCList* nocAccess, const int* priority,
           const longint_t* deadline, const longint_t* period, const longint_t* releaseDate,
           const int* assignedTo, const std::string* taskName,
           const std::vector<std::string>* traces, const std::vector<longint_t>* deps,
           const longint_t* globalID, const int* localMemoryBank, const bool* isEmpty);
  int insert(longint_t procDemand, BankList memDemandPerBank, BankList transactionsPerBank,
             int priority, longint_t deadline, longint_t period, longint_t releaseDate,
             int assignedTo, std::string taskName, std::vector<std::string> traces,
             std::vector<longint_t> deps, int localMemoryBank, bool isEmpty);
  void clear();

  void setName(std::string newName);
  std::string getName() const;
  void setSize(unsigned long count);
  longint_t getSize() const;
  double getMemUtil() const;
  bool hasTraceFiles() const;
  bool checkDAG(int id, std::set<int>& visited);

  int getPriority(int i) const;
  void setPriority(int i, int priority);
  longint_t getPeriod(int i) const;
  void setPeriod(int i, unsigned long period);
  longint_t getDeadline(int i) const;
  void setDeadline(int i, unsigned long deadline);
  longint_t getReleaseDate(int i) const;
  void setReleaseDate(int i, unsigned long releaseDate);
  longint_t getResponseTime(int i) const;
  void setResponseTime(int i, unsigned long responseTime);
  longint_t getProcDemand(int i) const;
  void setProcDemand(int i, unsigned long procDemand);
  longint_t getMemDemand(int i) const;
  void setMemDemand(int i, unsigned long memDemand);
  std::string getTaskName(int i) const;
  void setTaskName(std::string taskName, int i);
  std::vector<std::string>& getTraceVector(int i);
  std::vector<longint_t>& getDepsVector(int i);
  const std::vector<longint_t>& getDepsVector(int i) const;
  int getAssignedTo(int i) const;
  int getLocalMemoryBank(int i) const;
  longint_t getGlobalID(int i) const;
  bool isEmpty(unsigned long i) const;
  BankList getVecMemDemand(int i) const;
  const BankList& getVecTransactions(int i) const;

  longint_t getMemDemandPerBank(int i, int bank) const;
  longint_t getTransactionsPerBank(int i, int bank) const;
  std::pair<longint_t, longint_t> getNoCAccessPerBank(int i, int bank) const;
  void addMemDemandPerBank(int i, int bank, unsigned long v);
  void addTransactionsPerBank(int i, int bank, unsigned long v);
  void setTransactionsPerBank(int i, int bank, unsigned long v);

  // Per core: all ones when the core has no list or k is past its end.
  longint_t getGlobalID(int core, unsigned long k) const;
  std::vector<longint_t>* getNodesPerCore(int core);
  const std::vector<longint_t>* getNodesPerCore(int core) const;
  const std::map<int, std::vector<longint_t>>& getCoreMap() const;

  void print(Node_t node) const;
  void print(int i) const;
  void print() const;
  void printPerCore() const;

  // Result exports. exportYAMLString builds the result document on the base
  // file (when its path holds ".yaml") as documents holds it, and throws
  // std::runtime_error carrying an "Error: " text when the base cannot be read
  // or has no room for the results; exportYAML and exportCSV print such a line
  // on standard error and return 1, else 0. Nothing is opened for writing
  // before the document is complete, and exportCSV writes no table over the
  // result file at outFile.
  std::string exportYAMLString(bool schedulable, std::string baseFile,
                               DocumentCache& documents) const;
  int exportYAML(bool schedulable, std::string outFile, std::string baseFile,
                 DocumentCache& documents) const;
  // The same with a base file read afresh (the images of the analysis's
  // iterations have none: "").
  int exportYAML(bool schedulable, std::string outFile, std::string baseFile) const;
  int exportCSV(std::string outFile, std::string fileName, std::string bench, longint_t banks,
                std::string test) const;

 private:
  // Appends a node and its id to the list of its core.
  void appendNode(Node_t node);
  void sortNodes();
  void addCompanionDeps(const std::map<longint_t, longint_t>& firstCompanion);

  std::vector<Node_t> nodes;
  std::map<int, std::vector<longint_t>> nodesPerCore;
  std::string name;
  longint_t size = 0;
};

#endif
