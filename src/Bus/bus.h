#ifndef TOLLBRIG_BUS_H
#define TOLLBRIG_BUS_H

#include "Bus/interference.h"

// Abstract bus arbitration model with the window operations its models share.
class Bus : public Interference {
 public:
  Bus() = default;
  explicit Bus(Processor* p) : proc(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override = 0;

  // True once the model was asked for a value it cannot give; the analysis
  // then fails instead of using the answer.
  bool hasFailed() const { return failed; }

  longint_t computeS(int i, longint_t t, Nodeset* nodeset, int bank);
  longint_t computeA(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  longint_t computeNoReleaseA(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  longint_t computeL(int i, int k, longint_t t, Nodeset* nodeset, int bank);
  longint_t computeY(int i, int c, longint_t t, int S, Nodeset* nodeset, int bank);
  // Accesses of node k that can fall into node i's window: the per-node term of computeA.
  longint_t windowAccesses(int i, longint_t k, longint_t t, Nodeset* nodeset, int bank);

 protected:
  Processor* proc = nullptr;
  bool failed = false;
};

#endif
