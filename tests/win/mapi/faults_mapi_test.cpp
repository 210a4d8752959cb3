// ImportOutlookWhiteList when memory runs out while the personal address
// book is read (through CONFIG.dll's own import of malloc; the tests' MAPI
// double beside this program serves the book): 3, "Unknow Exception in
// retrieveWhileListEmail", an emptied list, and every MAPI object released.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "MapiDoubleSettings.h"
#include "PatchedImport.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

using MapiDouble = MapiDoubleSettings;

std::size_t g_malloc_limit = 0;  // test state: allocations of this size and more fail
int g_failed_mallocs = 0;

void* __cdecl MallocFailingLarge(size_t size) {
  if (g_malloc_limit != 0 && size >= g_malloc_limit) {
    ++g_failed_mallocs;
    return nullptr;
  }
  return std::malloc(size);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(FaultsOutlookMapi, MemoryRunningOutWhileTheBookIsReadGivesThree) {
  MapiDouble mapi;
  std::vector<std::string> entries;
  for (int i = 0; i < 200; ++i) entries.push_back("e" + std::to_string(i) + "@x.org");
  mapi.Entries(entries);
  TempFolder folder("faults_mapi");
  const std::string list = folder.Join("white.txt");
  ASSERT_TRUE(WriteFileBytes(list, "stale@example.com\r\n"));
  int result = 0;
  {
    LoggingValue logging(true);
    LoadedConfig config;
    ASSERT_TRUE(config.ok());
    ClearLog();
    // The list of addresses read cannot grow to 64 entries.
    g_malloc_limit = 64 * sizeof(std::string);
    g_failed_mallocs = 0;
    {
      PatchedImport malloc_import(config.module(), "msvcrt.dll", "malloc",
                                  reinterpret_cast<const void*>(&MallocFailingLarge));
      ASSERT_TRUE(malloc_import.ok());
      result = config.Call("ImportOutlookWhiteList", list);
    }
    g_malloc_limit = 0;
  }
  EXPECT_EQ(result, 3);
  EXPECT_GE(g_failed_mallocs, 1);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"Unknow Exception in retrieveWhileListEmail"});
  ClearLog();
  std::string written;
  EXPECT_TRUE(ReadFileBytes(list, written));
  EXPECT_EQ(written, "");
  const std::string calls = mapi.Calls();
  EXPECT_NE(calls.find("GetProps(0)"), std::string::npos) << calls.substr(0, 400);
  EXPECT_EQ(calls.find("OpenEntry(199)"), std::string::npos) << "read to the end";
  EXPECT_TRUE(EndsWith(calls, "Release(Session);MAPIUninitialize;unload live=0 buffers=0;"))
      << calls.substr(calls.size() > 400 ? calls.size() - 400 : 0);
}

// A mapi32 whose logon writes through a null pointer: the same 3 and log
// line, an emptied list, and the host goes on.  (Runs last: the abandoned
// call leaves the double loaded.)
TEST(FaultsOutlookMapi, ProcessorFaultInsideMapiGivesThree) {
  MapiDouble mapi;
  mapi.Fail("MAPILogonExFault");
  TempFolder folder("faults_mapi");
  const std::string list = folder.Join("white.txt");
  ASSERT_TRUE(WriteFileBytes(list, "stale@example.com\r\n"));
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  ClearLog();
  EXPECT_EQ(config.Call("ImportOutlookWhiteList", list), 3);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"Unknow Exception in retrieveWhileListEmail"});
  ClearLog();
  std::string written;
  EXPECT_TRUE(ReadFileBytes(list, written));
  EXPECT_EQ(written, "");
  EXPECT_NE(mapi.Calls().find("MAPILogonEx"), std::string::npos) << mapi.Calls();
}

}  // namespace
