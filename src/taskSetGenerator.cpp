#include "taskSetGenerator.h"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "Platform/processor.h"
#include "Taskset/taskset.h"
#include "count.h"
#include "traceset.h"

namespace {

// Period factor of a utilisation below the smallest one used: 1 / 1e-6f.
const double minUtilisationFactor = 1000000.0025247573;
const longint_t cwPeriod = 10000000;

// One generated task until the final, deadline-ordered copy.
struct GeneratedTask {
  longint_t deadline = 0;
  longint_t period = 0;
  int core = 0;
  std::string name;
  std::vector<std::string> traces;
};

}  // namespace

TaskSetGenerator::TaskSetGenerator(int tasksPerCoreCount, int maxTracesCount, float factor)
    : tasksPerCore(tasksPerCoreCount), maxTraces(maxTracesCount), deadlineFactor(factor) {}

int TaskSetGenerator::generate(Taskset& out, std::string name, Traceset& traces, Processor& proc,
                               float U) const {
  if (tasksPerCore < 1) {
    std::cerr << "Error: cannot generate a task set with tasksPerCore " << tasksPerCore
              << ", it must be at least 1." << std::endl;
    return 1;
  }
  if (maxTraces < 1) {
    std::cerr << "Error: cannot generate a task set with maxTraces " << maxTraces
              << ", it must be at least 1." << std::endl;
    return 1;
  }
  if (!traces.hasTraceNames()) {
    std::cerr << "Error: cannot generate a task set, the trace list holds no trace name."
              << std::endl;
    return 1;
  }

  const int nCores = proc.getNumberOfCores();
  const int n = nCores * tasksPerCore;
  std::vector<GeneratedTask> tasks(n);
  std::vector<float> util(tasksPerCore);
  for (int c = 0; c < nCores; ++c) {
    UUnifast(tasksPerCore, U, util.data());
    for (int j = 0; j < tasksPerCore; ++j) {
      GeneratedTask& task = tasks[tasksPerCore * c + j];
      const int drawn = rand() % maxTraces;
      const int nTraces = drawn > 0 ? drawn : 1;
      longint_t wcet = 0;
      for (int k = 0; k < nTraces; ++k) {
        const std::string trace = traces.getRandomTrace();
        task.traces.push_back(trace);
        traces.getBaseWCET(proc.getName(), trace, proc.getMemDelay(), wcet, proc);
        std::cout << " #TraceName: " << trace << " on core " << c << " BaseWCET = " << wcet << "\n";
      }
      task.core = c;
      task.name = "T-" + std::to_string(c) + "-" + std::to_string(j);
      if (proc.getCW()) {
        task.period = cwPeriod;
      } else {
        const double factor =
            util[j] < 1e-6f ? minUtilisationFactor : 1.0 / static_cast<double>(util[j]);
        task.period = toCount(factor * static_cast<double>(wcet));
      }
      task.deadline = toCount(static_cast<float>(task.period) * deadlineFactor);
    }
  }

  std::vector<int> order(n);
  std::vector<longint_t> deadlines(n);
  for (int t = 0; t < n; ++t) {
    order[t] = t;
    deadlines[t] = tasks[t].deadline;
  }
  SortTasks(order.data(), deadlines.data(), n);

  std::vector<int> priority(n), core(n);
  std::vector<longint_t> deadline(n), period(n), release(n, 0);
  std::vector<std::string> taskName(n);
  std::vector<std::vector<std::string>> taskTraces(n);
  for (int r = 0; r < n; ++r) {
    GeneratedTask& task = tasks[order[r]];
    priority[r] = task.core;
    deadline[r] = task.deadline;
    period[r] = task.period;
    core[r] = task.core;
    taskName[r] = std::move(task.name);
    taskTraces[r] = std::move(task.traces);
  }
  out.init(std::move(name), n, std::move(priority), std::move(deadline), std::move(period),
           std::move(release), std::move(core), std::move(taskName), std::move(taskTraces), {}, {},
           {}, {}, -1, -1);
  return 0;
}

void TaskSetGenerator::UUnifast(int n, float U, float* out) {
  if (n < 1) return;
  float sum = U;
  for (int k = n - 1; k >= 1; --k) {
    const float x = static_cast<float>(rand()) * 0x1p-31f;
    const float e = 1.0f / static_cast<float>(k);
    const float next = static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(e)) *
                                          static_cast<double>(sum));
    out[n - 1 - k] = sum - next;
    sum = next;
  }
  out[n - 1] = sum;
}

void TaskSetGenerator::SortTasks(int* index, unsigned long* key, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    int smallest = i;
    for (int j = i + 1; j < n; ++j) {
      if (key[index[j]] < key[index[smallest]]) smallest = j;
    }
    swap(index, i, smallest);
  }
}

void TaskSetGenerator::swap(int* a, int i, int j) {
  const int held = a[i];
  a[i] = a[j];
  a[j] = held;
}
