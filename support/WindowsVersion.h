// WindowsVersion: the version record of the running Windows, read once.
//
// Contract: the constructor reads the extended record (falling back to the
// basic one); every test answers false when neither could be read.  The
// second constructor takes a record as given, for code that must be tried on
// versions the current machine cannot show.
#ifndef CORVANE_SUPPORT_WINDOWSVERSION_H
#define CORVANE_SUPPORT_WINDOWSVERSION_H

#include <windows.h>

#include <string>

class WindowsVersion {
 public:
  WindowsVersion();
  explicit WindowsVersion(const OSVERSIONINFOEXA& record);
  virtual ~WindowsVersion() {}

  virtual bool Refresh();
  virtual std::string GetWindowsFolder() const;
  virtual std::string GetCurrentFolder() const;
  virtual bool IsWindows9x() const;
  virtual bool IsWindowsNTUpTo2003() const;
  virtual bool IsWindowsNT4OrOlder() const;
  virtual bool IsWindowsXP() const;
  virtual bool IsWindowsXPOr2003() const;
  virtual bool IsWindows2003() const;

  const OSVERSIONINFOEXA& Record() const { return record_; }

 private:
  bool IsNT() const { return read_ && record_.dwPlatformId == VER_PLATFORM_WIN32_NT; }

  bool read_ = false;
  int query_result_ = 0;
  OSVERSIONINFOEXA record_;
};

#endif  // CORVANE_SUPPORT_WINDOWSVERSION_H
