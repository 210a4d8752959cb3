#include "support/FaultGuard.h"

#include <windows.h>

// The guard is one small function written in assembly, because it needs a
// stack frame of its own whose exception handler the compiler does not own:
//   corvane_call_guarded(function, argument, fault_result)
// calls function(argument) and returns its result; its handler, on a
// processor fault, returns to the end of corvane_call_guarded with
// fault_result as the result.
extern "C" {
int corvane_call_guarded(corvane::GuardedFunction function, void* argument, int fault_result);
int corvane_is_processor_fault(DWORD code);
}

#if defined(__x86_64__)

extern "C" {
extern char corvane_call_guarded_resume[];
EXCEPTION_DISPOSITION corvane_fault_guard_handler(EXCEPTION_RECORD* record, void* frame,
                                                  CONTEXT* context, DISPATCHER_CONTEXT* dispatch);
}

// Frame: 32 bytes of argument home space for the callee, fault_result at
// 32(%rsp), 8 bytes of padding; %rsp stays 16-byte aligned at the call.  The
// frame's handler (@except: dispatch only) is corvane_fault_guard_handler; its
// establisher frame is %rsp after the prologue.  The nop after the call keeps
// the return address off the epilogue: an unwinder that finds an epilogue at
// a frame's address takes the frame as leaving and does not call its handler.
asm(R"(
  .text
  .p2align 4
  .globl corvane_call_guarded
  .def corvane_call_guarded; .scl 2; .type 32; .endef
  .seh_proc corvane_call_guarded
corvane_call_guarded:
  pushq %rbp
  .seh_pushreg %rbp
  subq $48, %rsp
  .seh_stackalloc 48
  .seh_endprologue
  movl %r8d, 32(%rsp)
  movq %rcx, %rax
  movq %rdx, %rcx
  callq *%rax
  nop
  .globl corvane_call_guarded_resume
corvane_call_guarded_resume:
  addq $48, %rsp
  popq %rbp
  retq
  .seh_handler corvane_fault_guard_handler, @except
  .seh_endproc
)");

// Called while a fault is dispatched and the frames further in declined it:
// unwinds to the guard's frame (the system restores the registers; the
// compiler's cleanups do not run for an exception not its own) and resumes
// after the guarded call with fault_result in %rax.
extern "C" EXCEPTION_DISPOSITION corvane_fault_guard_handler(EXCEPTION_RECORD* record,
                                                             void* frame, CONTEXT* context,
                                                             DISPATCHER_CONTEXT* dispatch) {
  const DWORD kUnwinding = 0x66;  // unwinding, exit unwind, target unwind...
  if ((record->ExceptionFlags & kUnwinding) != 0) return ExceptionContinueSearch;
  if (!corvane_is_processor_fault(record->ExceptionCode)) return ExceptionContinueSearch;
  const int fault_result = *reinterpret_cast<int*>(static_cast<char*>(frame) + 32);
  RtlUnwindEx(frame, corvane_call_guarded_resume, record,
              reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(static_cast<unsigned>(fault_result))),
              context, dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached
}

#elif defined(__i386__)

// The frame, from the registration record up:
//   record+0  previous record (%fs:0)     record+8   saved %ebp
//   record+4  handler                     record+12  fault_result
// then the saved %edi, %esi, %ebx, %ebp and the return address.  On a fault
// the handler lets the system unwind the records further in (RtlUnwind),
// takes %esp back to the record and leaves through the normal exit with
// fault_result in %eax.  The compiler's own frames in between hold no
// records (their unwinding is table-driven) and are dropped.
asm(R"(
  .text
  .p2align 4
  .globl _corvane_call_guarded
  .def _corvane_call_guarded; .scl 2; .type 32; .endef
_corvane_call_guarded:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  pushl 16(%ebp)
  pushl %ebp
  pushl $_corvane_fault_guard_handler
  pushl %fs:0
  movl %esp, %fs:0
  pushl 12(%ebp)
  calll *8(%ebp)
  addl $4, %esp
_corvane_call_guarded_done:
  movl (%esp), %ecx
  movl %ecx, %fs:0
  addl $16, %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret

  .p2align 4
  .def _corvane_fault_guard_handler; .scl 3; .type 32; .endef
_corvane_fault_guard_handler:
  movl 4(%esp), %eax
  testl $0x66, 4(%eax)
  jnz 1f
  pushl (%eax)
  calll _corvane_is_processor_fault
  addl $4, %esp
  testl %eax, %eax
  jz 1f
  movl 8(%esp), %ecx
  movl 4(%esp), %eax
  pushl $0
  pushl %eax
  pushl $0
  pushl %ecx
  calll _RtlUnwind@16
  movl 8(%esp), %esp
  movl 8(%esp), %ebp
  movl 12(%esp), %eax
  jmp _corvane_call_guarded_done
1:
  movl $1, %eax
  ret
)");

#else
#error "the fault guard is written for i686 and x86_64"
#endif

extern "C" int corvane_is_processor_fault(DWORD code) {
  return corvane::IsProcessorFault(code) ? 1 : 0;
}

namespace corvane {

bool IsProcessorFault(unsigned long code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

int CallGuarded(GuardedFunction function, void* argument, int fault_result) {
  return corvane_call_guarded(function, argument, fault_result);
}

}  // namespace corvane
