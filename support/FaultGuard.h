// CallGuarded: runs one function so that a processor fault inside it (an
// access violation, a division by zero, an illegal instruction...) ends that
// function instead of the host process.
//
// Contract: CallGuarded(function, argument, fault_result) calls
// function(argument) on the calling thread and returns its result.  When a
// processor fault is raised inside it and nothing further in handles it, the
// call is abandoned where it stands and fault_result is returned instead.
// The frames in between are given up: their destructors do not run, and
// what they held (memory, an open file) stays held until the process ends,
// so a later call may find such a file still open.  Only processor
// faults are taken: C++ exceptions and other software exceptions pass on as if
// the guard were not there, so `function` must not let a C++ exception out.
// Nothing is registered beyond the call: the guard lives in CallGuarded's own
// stack frame (a frame-based exception handler), no global state.
#ifndef CORVANE_SUPPORT_FAULTGUARD_H
#define CORVANE_SUPPORT_FAULTGUARD_H

namespace corvane {

using GuardedFunction = int (*)(void* argument);

int CallGuarded(GuardedFunction function, void* argument, int fault_result);

// True for the exception codes the guard takes (processor faults).
bool IsProcessorFault(unsigned long code);

}  // namespace corvane

#endif  // CORVANE_SUPPORT_FAULTGUARD_H
