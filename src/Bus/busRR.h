#ifndef TOLLBRIG_BUS_BUSRR_H
#define TOLLBRIG_BUS_BUSRR_H

#include "Bus/bus.h"

// Round robin: each other core's window accesses, capped at the node's burst time.
class BusRR : public Bus {
 public:
  BusRR() = default;
  explicit BusRR(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  longint_t bankSum(int i, longint_t t, Nodeset* nodeset, int banks) override;
  Reads reads() const override { return Reads::Overlapping; }
  bool monotone() const override { return true; }
  BankReads bankReads() const override { return BankReads::TransactionBanks; }

 private:
  // getInterference on the bank, given node i's transactions S there.
  longint_t onBank(int i, longint_t t, Nodeset* nodeset, int bank, longint_t S);
};

#endif
