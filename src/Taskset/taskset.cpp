#include "Taskset/taskset.h"

#include <algorithm>
#include <fstream>
#include <iostream>

namespace {

// Element i of a per-task list handed to init, or the empty value past its end.
template <typename T>
T take(std::vector<T>& list, int i) {
  return static_cast<size_t>(i) < list.size() ? std::move(list[i]) : T{};
}

}  // namespace

Taskset::Taskset() = default;

void Taskset::reset(std::string name, std::vector<Task> tasks) {
  _name = std::move(name);
  _tasks = std::move(tasks);
  _rxID = -1;
  _txID = -1;
}

int Taskset::init(std::string name, int n) {
  reset(std::move(name), std::vector<Task>(std::max(n, 0)));
  return 0;
}

int Taskset::init(std::string name, int n, std::vector<int> priority,
                  std::vector<longint_t> deadline, std::vector<longint_t> period,
                  std::vector<longint_t> releaseTime, std::vector<int> assignedTo,
                  std::vector<std::string> taskName, std::vector<std::vector<std::string>> traces,
                  std::vector<std::vector<int>> deps, std::vector<int> globalID,
                  std::vector<int> localMemoryBank, std::vector<BankList> memDemandPerBank,
                  int rxID, int txID) {
  init(std::move(name), n, std::move(priority), std::move(deadline), std::move(period),
       std::move(releaseTime), std::move(assignedTo), std::move(taskName), {}, {}, {}, {}, {},
       std::move(traces), std::move(deps), std::move(globalID), std::move(localMemoryBank),
       std::move(memDemandPerBank), rxID, txID);
  for (int t = 0; t < getSize(); ++t) {
    for (const int d : _tasks[t].deps) {
      if (d >= 0 && d < getSize()) _tasks[d].nextTasks.insert(t);
    }
  }
  return 0;
}

int Taskset::init(std::string name, int n, std::vector<int> priority,
                  std::vector<longint_t> deadline, std::vector<longint_t> period,
                  std::vector<longint_t> releaseTime, std::vector<int> assignedTo,
                  std::vector<std::string> taskName, std::vector<longint_t> procDemand,
                  std::vector<longint_t> memDemand, std::vector<longint_t> writeAccesses,
                  std::vector<std::set<int>> ECBs,
                  std::vector<std::vector<std::set<int>>> UCBVector,
                  std::vector<std::vector<std::string>> traces, std::vector<std::vector<int>> deps,
                  std::vector<int> globalID, std::vector<int> localMemoryBank,
                  std::vector<BankList> memDemandPerBank, int rxID, int txID) {
  std::vector<Task> tasks(std::max(n, 0));
  for (int i = 0; i < n; ++i) {
    Task& t = tasks[i];
    t.priority = take(priority, i);
    t.deadline = take(deadline, i);
    t.period = take(period, i);
    t.releaseTime = take(releaseTime, i);
    t.assignedTo = take(assignedTo, i);
    t.name = take(taskName, i);
    t.procDemand = take(procDemand, i);
    t.memDemand = take(memDemand, i);
    t.writeAccesses = take(writeAccesses, i);
    t.ECBs = take(ECBs, i);
    t.UCBVector = take(UCBVector, i);
    t.traces = take(traces, i);
    t.deps = take(deps, i);
    t.globalID = take(globalID, i);
    t.localMemoryBank = take(localMemoryBank, i);
    t.memDemandPerBank = take(memDemandPerBank, i);
  }
  reset(std::move(name), std::move(tasks));
  _rxID = rxID;
  _txID = txID;
  return 0;
}

Taskset::Task& Taskset::task(int i) { return _tasks.at(i); }
const Taskset::Task& Taskset::task(int i) const { return _tasks.at(i); }

std::string Taskset::getName() const { return _name; }
void Taskset::setName(std::string name) { _name = std::move(name); }
int Taskset::getSize() const { return static_cast<int>(_tasks.size()); }
void Taskset::setSize(int n) { _tasks.resize(std::max(n, 0)); }

int Taskset::getPriority(int i) const { return task(i).priority; }
void Taskset::setPriority(int i, int v) { task(i).priority = v; }
longint_t Taskset::getPeriod(int i) const { return task(i).period; }
void Taskset::setPeriod(int i, longint_t v) { task(i).period = v; }
longint_t Taskset::getDeadline(int i) const { return task(i).deadline; }
void Taskset::setDeadline(int i, longint_t v) { task(i).deadline = v; }
longint_t Taskset::getReleaseTime(int i) const { return task(i).releaseTime; }
void Taskset::setReleaseTime(int i, longint_t v) { task(i).releaseTime = v; }
longint_t Taskset::getResponseTime(int i) const { return task(i).responseTime; }
void Taskset::setResponseTime(int i, longint_t v) { task(i).responseTime = v; }
longint_t Taskset::getProcDemand(int i) const { return task(i).procDemand; }
void Taskset::setProcDemand(int i, longint_t v) { task(i).procDemand = v; }
longint_t Taskset::getMemDemand(int i) const { return task(i).memDemand; }
void Taskset::setMemDemand(int i, longint_t v) { task(i).memDemand = v; }
longint_t Taskset::getWriteAccesses(int i) const { return task(i).writeAccesses; }
void Taskset::setWriteAccesses(int i, longint_t v) { task(i).writeAccesses = v; }
std::string Taskset::getTaskName(int i) const { return task(i).name; }
void Taskset::setTaskName(std::string name, int i) { task(i).name = std::move(name); }
int Taskset::getAssignedTo(int i) const { return task(i).assignedTo; }
int Taskset::getGlobalID(int i) const { return task(i).globalID; }
int Taskset::getLocalMemoryBank(int i) const { return task(i).localMemoryBank; }
int Taskset::getRxID() const { return _rxID; }
int Taskset::getTxID() const { return _txID; }

std::set<int>& Taskset::getECBs(int i) { return task(i).ECBs; }
std::vector<std::set<int>>& Taskset::getUCBVector(int i) { return task(i).UCBVector; }
std::vector<std::string>& Taskset::getTraceVector(int i) { return task(i).traces; }
std::vector<int>& Taskset::getDepsVector(int i) { return task(i).deps; }
std::set<int>& Taskset::getNextTasks(int i) { return task(i).nextTasks; }
Taskset::BankList Taskset::getVecMemDemand(int i) const { return task(i).memDemandPerBank; }

longint_t Taskset::getReadAccesses(int i) const {
  const Task& t = task(i);
  if (t.writeAccesses > t.memDemand) {
    std::cerr << "Something is wrong with the trace's bus accesses" << std::endl;
    return 0;
  }
  return t.memDemand - t.writeAccesses;
}

double Taskset::getMemUtil() const {
  double util = 0.0;
  for (const Task& t : _tasks) {
    util += static_cast<double>(t.memDemand) / static_cast<double>(t.deadline);
  }
  return util;
}

longint_t Taskset::getMemDemandPerBank(int i, int bank) const {
  for (const auto& [b, count] : task(i).memDemandPerBank) {
    if (b == bank) return count;
  }
  return 0;
}

void Taskset::setMemDemandPerBank(int i, int bank, longint_t v) {
  BankList& banks = task(i).memDemandPerBank;
  for (auto& [b, count] : banks) {
    if (b == bank) {
      count += v;
      return;
    }
  }
  banks.emplace_back(bank, v);
}

void Taskset::print() const {
  std::cout << "Print Taskset " << _name << std::endl;
  for (const Task& t : _tasks) {
    std::cout << "  Task " << t.name << ":" << std::endl;
    std::cout << "    periods " << t.period << ":" << std::endl;
    std::cout << "    assignedTo " << t.assignedTo << ":" << std::endl;
    std::cout << "     priority: " << t.priority << "." << std::endl;
    std::cout << "     procDemand: " << t.procDemand << "." << std::endl;
    std::cout << "     memDemand: " << t.memDemand << "." << std::endl;
    std::cout << "     |UCBVector| = " << t.UCBVector.size() << ":" << std::endl;
    for (size_t j = 0; j < t.UCBVector.size(); ++j) {
      std::cout << "      |UCB[" << j << "]| =  " << t.UCBVector[j].size() << std::endl;
    }
    std::cout << "     |ECB| = " << t.ECBs.size() << std::endl;
  }
  std::cout << "Done " << _name << std::endl;
}

int Taskset::print(std::string file) const {
  std::cout << "# FINENAME " << file << std::endl;
  std::ofstream out(file, std::ios::trunc);
  if (!out) {
    std::cerr << "Error: Could not open taskset file '" << file << "'" << std::endl;
    return 1;
  }
  out << "name " << _name << "\n";
  out << "size " << getSize() << "\n";
  for (const Task& t : _tasks) {
    out << "priority " << t.priority << " deadline " << t.deadline << " period " << t.period
        << " assignedTo " << t.assignedTo << " taskName " << t.name << " nrOfTraces "
        << t.traces.size() << "\n";
    for (const std::string& trace : t.traces) out << "trace " << trace << "\n";
  }
  out << "\n";
  return 0;
}

int Taskset::tasksetOnCore(Taskset& out, int core) const {
  std::vector<Task> onCore;
  for (const Task& t : _tasks) {
    if (t.assignedTo != core) continue;
    Task copy = t;
    copy.responseTime = 0;
    copy.nextTasks.clear();
    onCore.push_back(std::move(copy));
  }
  out.reset(_name + "-" + std::to_string(core), std::move(onCore));
  return 0;
}
