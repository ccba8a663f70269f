#ifndef TOLLBRIG_TASKSET_TASKSET_H
#define TOLLBRIG_TASKSET_TASKSET_H

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "keys.h"

// The flat, independent-task workload model: a named list of tasks with their
// timing, placement, demands, cache-block sets and traces.
class Taskset {
 public:
  typedef std::vector<std::pair<int, longint_t>> BankList;

  Taskset();

  // n tasks with every field zero or empty.
  int init(std::string name, int n);

  // Takes the given per-task lists; demands start at 0, cache-block sets empty,
  // and the successor sets are derived from deps. Any list may be shorter than
  // n (empty for an absent one): the tasks it does not reach keep 0 or empty.
  int init(std::string name, int n, std::vector<int> priority, std::vector<longint_t> deadline,
           std::vector<longint_t> period, std::vector<longint_t> releaseTime,
           std::vector<int> assignedTo, std::vector<std::string> taskName,
           std::vector<std::vector<std::string>> traces, std::vector<std::vector<int>> deps,
           std::vector<int> globalID, std::vector<int> localMemoryBank,
           std::vector<BankList> memDemandPerBank, int rxID, int txID);

  // As above, with demands and cache-block sets given too; successor sets stay empty.
  int init(std::string name, int n, std::vector<int> priority, std::vector<longint_t> deadline,
           std::vector<longint_t> period, std::vector<longint_t> releaseTime,
           std::vector<int> assignedTo, std::vector<std::string> taskName,
           std::vector<longint_t> procDemand, std::vector<longint_t> memDemand,
           std::vector<longint_t> writeAccesses, std::vector<std::set<int>> ECBs,
           std::vector<std::vector<std::set<int>>> UCBVector,
           std::vector<std::vector<std::string>> traces, std::vector<std::vector<int>> deps,
           std::vector<int> globalID, std::vector<int> localMemoryBank,
           std::vector<BankList> memDemandPerBank, int rxID, int txID);

  std::string getName() const;
  void setName(std::string name);
  int getSize() const;
  // Grows or shrinks the task list; new tasks are zero or empty.
  void setSize(int n);

  int getPriority(int i) const;
  void setPriority(int i, int v);
  longint_t getPeriod(int i) const;
  void setPeriod(int i, longint_t v);
  longint_t getDeadline(int i) const;
  void setDeadline(int i, longint_t v);
  longint_t getReleaseTime(int i) const;
  void setReleaseTime(int i, longint_t v);
  longint_t getResponseTime(int i) const;
  void setResponseTime(int i, longint_t v);
  longint_t getProcDemand(int i) const;
  void setProcDemand(int i, longint_t v);
  longint_t getMemDemand(int i) const;
  void setMemDemand(int i, longint_t v);
  longint_t getWriteAccesses(int i) const;
  void setWriteAccesses(int i, longint_t v);
  std::string getTaskName(int i) const;
  void setTaskName(std::string name, int i);
  int getAssignedTo(int i) const;
  int getGlobalID(int i) const;
  int getLocalMemoryBank(int i) const;
  int getRxID() const;
  int getTxID() const;

  std::set<int>& getECBs(int i);
  std::vector<std::set<int>>& getUCBVector(int i);
  std::vector<std::string>& getTraceVector(int i);
  std::vector<int>& getDepsVector(int i);
  std::set<int>& getNextTasks(int i);
  BankList getVecMemDemand(int i) const;

  // Memory demand minus write accesses; 0, with a message, when the writes exceed the demand.
  longint_t getReadAccesses(int i) const;
  // Sum over the tasks of memory demand / deadline.
  double getMemUtil() const;
  // Count of the task's first entry for bank, 0 when there is none.
  longint_t getMemDemandPerBank(int i, int bank) const;
  // Adds v to the task's first entry for bank, or appends (bank, v).
  void setMemDemandPerBank(int i, int bank, longint_t v);

  void print() const;
  int print(std::string file) const;
  // Fills out with copies of the tasks placed on core, named <name>-<core>.
  int tasksetOnCore(Taskset& out, int core) const;

 private:
  struct Task {
    std::string name;
    int priority = 0;
    longint_t deadline = 0;
    longint_t period = 0;
    longint_t releaseTime = 0;
    longint_t responseTime = 0;
    int assignedTo = 0;
    int localMemoryBank = 0;
    int globalID = 0;
    longint_t procDemand = 0;
    longint_t memDemand = 0;
    BankList memDemandPerBank;
    longint_t writeAccesses = 0;
    std::set<int> ECBs;
    std::vector<std::set<int>> UCBVector;
    std::vector<std::string> traces;
    std::vector<int> deps;
    std::set<int> nextTasks;
  };

  // Sets the name, the tasks and no Rx or Tx task.
  void reset(std::string name, std::vector<Task> tasks);
  Task& task(int i);
  const Task& task(int i) const;

  std::string _name;
  std::vector<Task> _tasks;
  int _rxID = -1;
  int _txID = -1;
};

#endif
