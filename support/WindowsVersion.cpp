#include "support/WindowsVersion.h"

#include <cstring>

WindowsVersion::WindowsVersion() { Refresh(); }

WindowsVersion::WindowsVersion(const OSVERSIONINFOEXA& record)
    : read_(true), query_result_(1), record_(record) {}

bool WindowsVersion::Refresh() {
  std::memset(&record_, 0, sizeof(record_));
  record_.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  query_result_ = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record_));
  if (!query_result_) {
    record_.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    query_result_ = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record_));
  }
  read_ = query_result_ != 0;
  return read_;
}

std::string WindowsVersion::GetWindowsFolder() const {
  char buffer[1024] = {0};
  if (GetWindowsDirectoryA(buffer, 1023) == 0) return std::string();
  return buffer;
}

std::string WindowsVersion::GetCurrentFolder() const {
  char buffer[1024] = {0};
  if (GetCurrentDirectoryA(1023, buffer) == 0) return std::string();
  return buffer;
}

bool WindowsVersion::IsWindows9x() const {
  return read_ && record_.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS &&
         record_.dwMajorVersion == 4 &&
         (record_.dwMinorVersion == 0 || record_.dwMinorVersion == 10 ||
          record_.dwMinorVersion == 90);
}

bool WindowsVersion::IsWindowsNTUpTo2003() const {
  return IsNT() && (record_.dwMajorVersion < 5 ||
                    (record_.dwMajorVersion == 5 && record_.dwMinorVersion <= 2));
}

bool WindowsVersion::IsWindowsNT4OrOlder() const { return IsNT() && record_.dwMajorVersion < 5; }

bool WindowsVersion::IsWindowsXP() const {
  return IsNT() && record_.dwMajorVersion == 5 && record_.dwMinorVersion == 1;
}

bool WindowsVersion::IsWindowsXPOr2003() const {
  return IsNT() && record_.dwMajorVersion == 5 &&
         (record_.dwMinorVersion == 1 || record_.dwMinorVersion == 2);
}

bool WindowsVersion::IsWindows2003() const {
  return IsNT() && record_.dwMajorVersion == 5 && record_.dwMinorVersion == 2;
}
