// WindowsVersion: the six version tests over a table of version records, and
// the same tests on the version Wine shows to a process started with a
// chosen Windows version.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "WinTestSupport.h"
#include "support/WindowsVersion.h"

using namespace wintest;

namespace {

OSVERSIONINFOEXA Record(DWORD platform, DWORD major, DWORD minor) {
  OSVERSIONINFOEXA record;
  std::memset(&record, 0, sizeof(record));
  record.dwOSVersionInfoSize = sizeof(record);
  record.dwPlatformId = platform;
  record.dwMajorVersion = major;
  record.dwMinorVersion = minor;
  return record;
}

struct VersionRow {
  const char* what;
  DWORD platform;
  DWORD major;
  DWORD minor;
  bool is_9x;
  bool nt_up_to_2003;
  bool nt4_or_older;
  bool xp;
  bool xp_or_2003;
  bool is_2003;
};

const DWORD k95 = VER_PLATFORM_WIN32_WINDOWS;
const DWORD kNT = VER_PLATFORM_WIN32_NT;

const VersionRow kVersions[] = {
    //                          9x     NT<=2003 NT4-  XP     XP/2003 2003
    {"Windows 95", k95, 4, 0, true, false, false, false, false, false},
    {"Windows 98", k95, 4, 10, true, false, false, false, false, false},
    {"Windows Me", k95, 4, 90, true, false, false, false, false, false},
    {"95 family, unknown minor", k95, 4, 50, false, false, false, false, false, false},
    {"95 family, version 5.1", k95, 5, 1, false, false, false, false, false, false},
    {"Win32s", VER_PLATFORM_WIN32s, 4, 0, false, false, false, false, false, false},
    {"NT 3.51", kNT, 3, 51, false, true, true, false, false, false},
    {"NT 4", kNT, 4, 0, false, true, true, false, false, false},
    {"2000", kNT, 5, 0, false, true, false, false, false, false},
    {"XP", kNT, 5, 1, false, true, false, true, true, false},
    {"2003", kNT, 5, 2, false, true, false, false, true, true},
    {"NT 5.3", kNT, 5, 3, false, false, false, false, false, false},
    {"Vista", kNT, 6, 0, false, false, false, false, false, false},
    {"7", kNT, 6, 1, false, false, false, false, false, false},
    {"8 (and 10 without a manifest)", kNT, 6, 2, false, false, false, false, false, false},
    {"10", kNT, 10, 0, false, false, false, false, false, false},
};

TEST(WindowsVersion, TestsOverATableOfRecords) {
  for (const VersionRow& row : kVersions) {
    WindowsVersion version(Record(row.platform, row.major, row.minor));
    EXPECT_EQ(version.IsWindows9x(), row.is_9x) << row.what;
    EXPECT_EQ(version.IsWindowsNTUpTo2003(), row.nt_up_to_2003) << row.what;
    EXPECT_EQ(version.IsWindowsNT4OrOlder(), row.nt4_or_older) << row.what;
    EXPECT_EQ(version.IsWindowsXP(), row.xp) << row.what;
    EXPECT_EQ(version.IsWindowsXPOr2003(), row.xp_or_2003) << row.what;
    EXPECT_EQ(version.IsWindows2003(), row.is_2003) << row.what;
  }
}

TEST(WindowsVersion, RefreshReadsTheExtendedRecordOfTheRunningSystem) {
  WindowsVersion version(Record(k95, 4, 10));  // claims 98 until refreshed
  ASSERT_TRUE(version.IsWindows9x());
  EXPECT_TRUE(version.Refresh());
  EXPECT_EQ(version.Record().dwOSVersionInfoSize, 156u);

  OSVERSIONINFOA basic;
  std::memset(&basic, 0, sizeof(basic));
  basic.dwOSVersionInfoSize = sizeof(basic);
  ASSERT_TRUE(GetVersionExA(&basic));
  EXPECT_EQ(version.Record().dwMajorVersion, basic.dwMajorVersion);
  EXPECT_EQ(version.Record().dwMinorVersion, basic.dwMinorVersion);
  EXPECT_EQ(version.Record().dwBuildNumber, basic.dwBuildNumber);
  EXPECT_EQ(version.Record().dwPlatformId, basic.dwPlatformId);
  EXPECT_EQ(version.IsWindows9x(), basic.dwPlatformId == k95);
}

TEST(WindowsVersion, Folders) {
  WindowsVersion version;
  char windows[MAX_PATH] = {0};
  ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  EXPECT_EQ(version.GetWindowsFolder(), windows);
  EXPECT_FALSE(version.GetWindowsFolder().empty());

  TempFolder folder("version-current");
  char saved[MAX_PATH] = {0};
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
  const std::string current = version.GetCurrentFolder();
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(current, folder.path());
}

// Run as a child (see below): prints what WindowsVersion answers.
TEST(WindowsVersionChild, Report) {
  if (std::getenv("CORVANE_VERSION_CHILD") == nullptr) GTEST_SKIP() << "runs only as a child";
  WindowsVersion version;
  std::printf("\nversion=%lu.%lu platform=%lu answers=%d%d%d%d%d%d\n",
              version.Record().dwMajorVersion, version.Record().dwMinorVersion,
              version.Record().dwPlatformId, version.IsWindows9x(), version.IsWindowsNTUpTo2003(),
              version.IsWindowsNT4OrOlder(), version.IsWindowsXP(), version.IsWindowsXPOr2003(),
              version.IsWindows2003());
}

// What a fresh process of this program reports with Wine's version setting
// for it (HKCU\Software\Wine\AppDefaults\<program>, value Version) set to
// `setting`; "" when the child did not report.
std::string ReportWithVersion(const std::string& setting) {
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program = path;
  const std::string key =
      "Software\\Wine\\AppDefaults\\" + program.substr(program.rfind('\\') + 1);
  ScratchKey scratch(key);
  if (!SetText(HKEY_CURRENT_USER, key, "Version", setting)) return "";
  SetEnvironmentVariableA("CORVANE_VERSION_CHILD", "1");
  std::string output;
  RunProgram("\"" + program + "\" --gtest_filter=WindowsVersionChild.Report", output);
  SetEnvironmentVariableA("CORVANE_VERSION_CHILD", nullptr);
  const std::string::size_type start = output.find("version=");
  if (start == std::string::npos) return "";
  return output.substr(start, output.find_first_of("\r\n", start) - start);
}

struct ChildRow {
  const char* setting;
  const char* report;  // version, platform, then 9x NT<=2003 NT4- XP XP/2003 2003
};

// Wine 8 shows a 64-bit process every version it knows, the 95 family
// included (platform 1, as a 64-bit Windows never could); win81 and win10
// appear as 6.2 to a program without a manifest that names them, and win11
// is unknown to it (the default, 6.1, is kept).  So on Wine the records
// table above is not the only way to reach the 95 family branch.
TEST(WindowsVersion, AsShownToAProcessStartedWithThatVersion) {
  const ChildRow rows[] = {
      {"win95", "version=4.0 platform=1 answers=100000"},
      {"win98", "version=4.10 platform=1 answers=100000"},
      {"winme", "version=4.90 platform=1 answers=100000"},
      {"nt351", "version=3.51 platform=2 answers=011000"},
      {"nt40", "version=4.0 platform=2 answers=011000"},
      {"win2k", "version=5.0 platform=2 answers=010000"},
      {"winxp", "version=5.1 platform=2 answers=010110"},
      {"winxp64", "version=5.2 platform=2 answers=010011"},
      {"win2003", "version=5.2 platform=2 answers=010011"},
      {"vista", "version=6.0 platform=2 answers=000000"},
      {"win2008", "version=6.0 platform=2 answers=000000"},
      {"win7", "version=6.1 platform=2 answers=000000"},
      {"win8", "version=6.2 platform=2 answers=000000"},
      {"win81", "version=6.2 platform=2 answers=000000"},
      {"win10", "version=6.2 platform=2 answers=000000"},
  };
  for (const ChildRow& row : rows) EXPECT_EQ(ReportWithVersion(row.setting), row.report) << row.setting;
}

}  // namespace
