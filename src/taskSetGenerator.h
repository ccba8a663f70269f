#ifndef TOLLBRIG_TASKSETGENERATOR_H
#define TOLLBRIG_TASKSETGENERATOR_H

#include <string>

class Processor;
class Taskset;
class Traceset;

// The random task-set generator: tasksPerCore tasks on every core, each of
// up to maxTraces traces drawn from the trace list, their utilisations split
// by UUnifast and their deadlines the periods scaled by deadlineFactor.
class TaskSetGenerator {
 public:
  TaskSetGenerator(int tasksPerCore, int maxTraces, float deadlineFactor);

  // Fills out with a task set of total utilisation U per core, in deadline
  // order: 0, or 1 after one error line when the settings cannot make one.
  int generate(Taskset& out, std::string name, Traceset& traces, Processor& proc, float U) const;

  // n utilisations that add up to U, drawn with rand().
  static void UUnifast(int n, float U, float* out);
  // Orders index by key[index] with a selection sort.
  static void SortTasks(int* index, unsigned long* key, int n);
  static void swap(int* a, int i, int j);

 private:
  const int tasksPerCore;
  const int maxTraces;
  const float deadlineFactor;
};

#endif
