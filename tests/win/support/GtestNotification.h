// GoogleTest's Notification (one thread lets others go on) on Win32 events:
// its own needs std::mutex, which mingw's win32 thread model lacks.  Included
// ahead of every source of GoogleTest and of the Wine tests.
#ifndef CORVANE_TESTS_GTEST_NOTIFICATION_H
#define CORVANE_TESTS_GTEST_NOTIFICATION_H
#ifdef __cplusplus
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing {
namespace internal {
class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};
}  // namespace internal
}  // namespace testing
#endif
#endif  // CORVANE_TESTS_GTEST_NOTIFICATION_H
