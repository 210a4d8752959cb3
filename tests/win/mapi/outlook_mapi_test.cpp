// ImportOutlookWhiteList against the tests' own mapi32.dll (tests/doubles/
// addressbook), which lies beside this program: the addresses that reach the list,
// the calls made to MAPI with their flags, and what is released, in which
// order, on success and on every failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MapiDoubleSettings.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

using MapiDouble = MapiDoubleSettings;

// One export call with logging on; the output file is pre-filled so that
// truncation shows.
struct Export {
  int result = 0;
  std::string output;
  bool output_exists = false;
  std::vector<std::string> log;
};

Export RunExport(const std::string& path) {
  ClearLog();
  WriteFileBytes(path, "stale content\r\n");
  Export run;
  {
    LoggingValue logging(true);
    LoadedConfig config;
    EXPECT_TRUE(config.ok());
    run.result = config.Call("ImportOutlookWhiteList", path);
  }
  run.output_exists = ReadFileBytes(path, run.output);
  run.log = LogLines();
  ClearLog();
  return run;
}

const char kHead[] = "load;MAPIInitialize;MAPILogonEx:0:3;OpenAddressBook:0:0;GetPAB;";
const char kClose[] =
    "Release(PAB);Release(AddrBook);MAPIFreeBuffer(PAB id);Release(Session);MAPIUninitialize;";
const char kUnloaded[] = "unload live=0 buffers=0;";

TEST(OutlookMapiExport, AddressesInTableOrderWithTheListRules) {
  struct Row {
    std::vector<std::string> entries;
    std::string expected;
  };
  const Row rows[] = {
      {{}, ""},
      {{"ann@example.com"}, "ann@example.com\r\n"},
      // duplicate, no "@", case-differing duplicate, a part of a listed one
      {{"ann@example.com", "ann@example.com", "no-at-sign", "Ann@Example.com", "nn@example.com",
        "bob@example.net"},
       "ann@example.com\r\nAnn@Example.com\r\nbob@example.net\r\n"},
      // an entry missing a property, one that cannot be opened: skipped,
      // the entries after them are still read
      {{"first@example.com", "!missing@example.com", "#closed@example.com", "last@example.com"},
       "first@example.com\r\nlast@example.com\r\n"},
  };
  TempFolder folder("outlook_mapi");
  for (const Row& row : rows) {
    MapiDouble mapi;
    mapi.Entries(row.entries);
    Export run = RunExport(folder.Join("white.txt"));
    EXPECT_EQ(run.result, 255) << row.expected;
    EXPECT_EQ(run.output, row.expected);
    EXPECT_TRUE(run.log.empty()) << run.log.front();
    EXPECT_NE(mapi.Calls().find(kUnloaded), std::string::npos) << mapi.Calls();
  }
}

TEST(OutlookMapiExport, CallsFlagsAndReleaseOrderOnSuccess) {
  TempFolder folder("outlook_mapi");
  MapiDouble mapi;
  mapi.Entries({"a@example.com", "!b@example.com", "#c@example.com", "d@example.com"});
  Export run = RunExport(folder.Join("white.txt"));
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(mapi.Calls(),
            std::string(kHead) +
                "OpenEntry(PAB):16;GetContentsTable:0;GetRowCount:0;QueryRows:4:0;"
                "OpenEntry(0):0;GetProps(0):0;MAPIFreeBuffer;Release(User 0);"
                "OpenEntry(1):0;GetProps(1):0;MAPIFreeBuffer;Release(User 1);"
                "OpenEntry(2):0;"
                "OpenEntry(3):0;GetProps(3):0;MAPIFreeBuffer;Release(User 3);"
                "FreeProws;Release(Table);" +
                kClose + kUnloaded);
}

TEST(OutlookMapiExport, OnlyTheRowsOfOneQueryRowsAreRead) {
  TempFolder folder("outlook_mapi");
  MapiDouble mapi;
  mapi.Entries({"a@example.com", "b@example.com", "c@example.com"});
  mapi.RowLimit(2);
  Export run = RunExport(folder.Join("white.txt"));
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(run.output, "a@example.com\r\nb@example.com\r\n");
  const std::string calls = mapi.Calls();
  EXPECT_EQ(calls.find("QueryRows"), calls.rfind("QueryRows")) << calls;
}

// Each failing step: the message, result 2, an empty output file, and the
// releases of what had been obtained, newest first.
TEST(OutlookMapiExport, EachFailingStepGivesTwoAndAnEmptyFile) {
  struct Row {
    const char* fail;
    const char* message;
    std::string calls;
  };
  const std::string head = kHead;
  const Row rows[] = {
      {"MAPIInitialize", "Unable to load MAPI32.dll", "load;MAPIInitialize;"},
      {"MAPILogonEx", "MAPI MAPILogonEx failed.",
       "load;MAPIInitialize;MAPILogonEx:0:3;MAPIUninitialize;"},
      {"OpenAddressBook", "MAPI OpenAddressBook failed.",
       "load;MAPIInitialize;MAPILogonEx:0:3;OpenAddressBook:0:0;Release(Session);"
       "MAPIUninitialize;"},
      {"GetPAB", "MAPI GetPAB failed.",
       head + "Release(AddrBook);Release(Session);MAPIUninitialize;"},
      {"OpenEntry", "MAPI OpenEntry failed.",
       head + "OpenEntry(PAB):16;Release(AddrBook);MAPIFreeBuffer(PAB id);Release(Session);"
              "MAPIUninitialize;"},
      {"GetContentsTable", "MAPI GetContentsTable failed.",
       head + "OpenEntry(PAB):16;GetContentsTable:0;" + kClose},
      {"NoTable", "MAPI table is NULL.", head + "OpenEntry(PAB):16;GetContentsTable:0;" + kClose},
      {"GetRowCount", "MAPI GetRowCount failed.",
       head + "OpenEntry(PAB):16;GetContentsTable:0;GetRowCount:0;Release(Table);" + kClose},
      {"QueryRows", "MAPI QueryRows failed.",
       head + "OpenEntry(PAB):16;GetContentsTable:0;GetRowCount:0;QueryRows:1:0;"
              "Release(Table);" + kClose},
  };
  TempFolder folder("outlook_mapi");
  for (const Row& row : rows) {
    MapiDouble mapi;
    mapi.Entries({"a@example.com"});
    mapi.Fail(row.fail);
    Export run = RunExport(folder.Join("white.txt"));
    EXPECT_EQ(run.result, 2) << row.fail;
    EXPECT_TRUE(run.output_exists) << row.fail;
    EXPECT_EQ(run.output, "") << row.fail;
    EXPECT_EQ(run.log, std::vector<std::string>{std::string("BaseException :") + row.message});
    EXPECT_EQ(mapi.Calls(), row.calls + kUnloaded) << row.fail;
  }
}

// A function the library does not export: the step that needs it fails as
// if it had failed; the release functions are skipped silently.
TEST(OutlookMapiExport, MissingFunctions) {
  struct Row {
    const char* hidden;
    int result;
    const char* log;  // "" for none
    const char* output;
    const char* absent_call;
  };
  const Row rows[] = {
      {"MAPIInitialize", 2, "BaseException :Unable to load MAPI32.dll", "", "MAPIUninitialize"},
      {"MAPILogonEx", 2, "BaseException :MAPI MAPILogonEx failed.", "", "MAPILogonEx"},
      {"FreeProws", 255, "", "a@example.com\r\n", "FreeProws"},
      {"MAPIFreeBuffer", 255, "", "a@example.com\r\n", "MAPIFreeBuffer"},
      {"MAPIUninitialize", 255, "", "a@example.com\r\n", "MAPIUninitialize"},
  };
  TempFolder folder("outlook_mapi");
  for (const Row& row : rows) {
    MapiDouble mapi;
    mapi.Entries({"a@example.com"});
    mapi.Hide(row.hidden);
    Export run = RunExport(folder.Join("white.txt"));
    EXPECT_EQ(run.result, row.result) << row.hidden;
    EXPECT_EQ(run.output, row.output) << row.hidden;
    EXPECT_EQ(run.log.empty() ? std::string() : run.log.front(), row.log) << row.hidden;
    EXPECT_EQ(mapi.Calls().find(row.absent_call), std::string::npos) << mapi.Calls();
    EXPECT_EQ(mapi.Calls().substr(0, 5), "load;") << row.hidden;
  }
}

TEST(OutlookMapiExport, PersonalAddressBookThatIsNoContainerGivesAnEmptyList) {
  TempFolder folder("outlook_mapi");
  MapiDouble mapi;
  mapi.Entries({"a@example.com"});
  mapi.PabType(6);  // MAPI_MAILUSER
  Export run = RunExport(folder.Join("white.txt"));
  EXPECT_EQ(run.result, 255);
  EXPECT_TRUE(run.output_exists);
  EXPECT_EQ(run.output, "");
  EXPECT_TRUE(run.log.empty());
  EXPECT_EQ(mapi.Calls(), std::string(kHead) +
                              "OpenEntry(PAB):16;Release(User 4294967295);Release(AddrBook);"
                              "MAPIFreeBuffer(PAB id);Release(Session);MAPIUninitialize;" +
                              kUnloaded);
}

TEST(OutlookMapiExport, OutputThatCannotBeCreatedStillReadsTheBookAndGives255) {
  TempFolder folder("outlook_mapi");
  MapiDouble mapi;
  mapi.Entries({"a@example.com"});
  const std::string path = folder.Join("missing folder\\white.txt");
  ClearLog();
  int result = 0;
  {
    LoggingValue logging(true);
    LoadedConfig config;
    result = config.Call("ImportOutlookWhiteList", path);
  }
  EXPECT_EQ(result, 255);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(ReadLog(), "");
  EXPECT_NE(mapi.Calls().find("GetProps(0)"), std::string::npos) << mapi.Calls();
  ClearLog();
}

// A file held open without sharing cannot be truncated or written: the
// export ends normally and the holder's bytes stay.
TEST(OutlookMapiExport, OutputHeldOpenByAnotherKeepsItsBytes) {
  TempFolder folder("outlook_mapi");
  MapiDouble mapi;
  mapi.Entries({"a@example.com"});
  const std::string path = folder.Join("white.txt");
  ASSERT_TRUE(WriteFileBytes(path, "held\r\n"));
  int result = 0;
  {
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    LoadedConfig config;
    result = config.Call("ImportOutlookWhiteList", path);
    CloseHandle(held);
  }
  EXPECT_EQ(result, 255);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, "held\r\n");
}

}  // namespace
