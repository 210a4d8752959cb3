// CriticalSection owns one Windows critical section for its whole life;
// ScopedLock holds it from construction to destruction.
#ifndef CORVANE_SUPPORT_LOCKS_H
#define CORVANE_SUPPORT_LOCKS_H

#include <windows.h>

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  virtual ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  virtual void Lock() { EnterCriticalSection(&section_); }
  virtual void Unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class ScopedLock {
 public:
  explicit ScopedLock(CriticalSection& section) : section_(section) { section_.Lock(); }
  virtual ~ScopedLock() {
    try {
      section_.Unlock();
    } catch (...) {
    }
  }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  CriticalSection& section_;
};

#endif  // CORVANE_SUPPORT_LOCKS_H
