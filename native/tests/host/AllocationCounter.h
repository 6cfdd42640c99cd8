#pragma once
// Counts the heap allocations a thread makes while it has counting on. Linking
// AllocationCounter.cpp into a program replaces malloc and operator new there, and a
// plugin loaded into the program by path resolves them to the replacements as well.
namespace strobe95::test {

// On or off for the calling thread only.
void countAllocations(bool on);
// Every allocation counted so far, on any thread.
long allocationCount();

}  // namespace strobe95::test
