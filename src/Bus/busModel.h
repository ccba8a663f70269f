#ifndef TOLLBRIG_BUS_BUSMODEL_H
#define TOLLBRIG_BUS_BUSMODEL_H

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "Bus/bus.h"

class Processor;

// A bus model that architecture files name: how it is built and how its
// results are labelled.
struct BusModel {
  // Where the error for an unknown name lists the model.
  enum class Listed { no, plain, variant };

  std::string_view name;
  std::unique_ptr<Bus> (*make)(Processor*);
  std::string_view bench;  // family its results are reported under; empty: its own name
  std::string_view twoPhaseLabel;
  std::string_view onePhaseLabel;
  Listed listed;
  std::string_view listSeparator;  // written before the model in its list
};

// Every model, in the order the error for an unknown name lists them.
std::span<const BusModel> busModels();

// The model of that name, or nullptr; names compare exactly.
const BusModel* findBusModel(std::string_view name);

// The lines that follow "Invalid bus selected" and list the valid names.
std::string validBusNames();

#endif
