#include "Platform/memory.h"

#include "keys.h"

int Memory::MEM(Trace&, longint_t&, longint_t&, std::set<int>&, std::set<int>&) { return 0; }
