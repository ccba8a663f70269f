#ifndef TOLLBRIG_BUS_BUSVESK_H
#define TOLLBRIG_BUS_BUSVESK_H

#include <vector>

#include "Bus/bus.h"

// Two-level arbitration of the real cores against the Rx and Tx accesses,
// release-date aware.
class BusVesk : public Bus {
 public:
  BusVesk() = default;
  explicit BusVesk(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  longint_t bankSum(int i, longint_t t, Nodeset* nodeset, int banks) override;
  Reads reads() const override { return Reads::Overlapping; }
  bool monotone() const override { return true; }
  BankReads bankReads() const override { return BankReads::TransactionBanksAndRx; }

  // Tx accesses in node i's window at the memory delay; 0 without Tx or for a Tx node.
  longint_t computeATx(int i, longint_t t, Nodeset* nodeset, int bank);
  // Network-on-chip accesses of the nodes whose assignedTo equals i, in node
  // i's window; 0 without Rx or for an Rx node.
  longint_t computeARx(int i, longint_t t, Nodeset* nodeset, int bank);
  longint_t computeARM(longint_t t);
  longint_t computeADSU(longint_t t);

 private:
  // Rx accesses in node i's window on the banks below banks other than its own.
  longint_t rxAccessesElsewhere(int i, longint_t t, Nodeset& nodeset, int banks,
                                const Nodeset::BankList& own);
};

#endif
