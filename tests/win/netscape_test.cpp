// SetNetscape, ResetNetscape and ImportNetscapeWhiteList through CONFIG.dll,
// on real profile folders below the Wine user's Application Data folder.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Config/RegisterNetscape.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";

// The user's "Application Data\Mozilla" folder, removed with everything in
// it when constructed and again when destroyed, so that every test starts
// without profiles and leaves none behind.
class MozillaFolder {
 public:
  MozillaFolder() : path_(AppDataFolder() + "\\Mozilla") { RemoveTree(path_); }
  ~MozillaFolder() { RemoveTree(path_); }
  MozillaFolder(const MozillaFolder&) = delete;
  MozillaFolder& operator=(const MozillaFolder&) = delete;

  void Create() const { CreateDirectoryA(path_.c_str(), nullptr); }
  std::string Path(const std::string& relative) const { return path_ + "\\" + relative; }
  void Write(const std::string& relative, const std::string& bytes) const {
    ASSERT_TRUE(WriteFileBytes(Path(relative), bytes)) << relative;
  }
  std::string Read(const std::string& relative) const {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(Path(relative), bytes)) << relative;
    return bytes;
  }
  // Names in one folder (below Mozilla), sorted.
  std::vector<std::string> List(const std::string& relative) const {
    std::vector<std::string> names = FolderListing(Path(relative));
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

// Names in `names` other than the empty "rf*.tmp" that Wine's ReplaceFile
// creates to move the replaced file aside and leaves when that move fails.
std::vector<std::string> WithoutWineReplaceLeftovers(std::vector<std::string> names) {
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) {
                               return name.size() > 6 && name.compare(0, 2, "rf") == 0 &&
                                      name.compare(name.size() - 4, 4, ".tmp") == 0;
                             }),
              names.end());
  return names;
}

std::string Fixture(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(std::string("Z:") + CORVANE_FIXTURES_DIR + "/netscape/" + name, bytes))
      << name;
  return bytes;
}

std::string Pref(int n, const std::string& name, const std::string& value,
                 const std::string& separator = ", ") {
  return "user_pref(\"mail.server.server" + std::to_string(n) + "." + name + "\"" + separator +
         "\"" + value + "\");\r\n";
}

const std::string kHeader = "# Mozilla User Preferences\r\n\r\n// written by hand\r\n";

const std::string kPop2 = kHeader + Pref(2, "hostname", "pop.example.com") +
                          Pref(2, "type", "pop3") + Pref(2, "userName", "joe");
const std::string kPop2Set = kHeader + Pref(2, "hostname", kProxy) + Pref(2, "type", "pop3") +
                             Pref(2, "userName", "joe@pop.example.com");
const std::string kLocalOnly =
    kHeader + Pref(1, "hostname", "Local Folders") + Pref(1, "type", "none");
const std::string kNoUser = kHeader + Pref(3, "hostname", "imap.example.com") +
                            Pref(3, "type", "imap");

const char kConfigureBanner[] = "-------------- Configuring Netscape -----------------";
const char kConfigureDone[] = "---------- Configuring Netscape Completed -----------";
const char kRestoreBanner[] = "-------------- Restoring Netscape -----------------";
const char kChanged[] = "Mail server settings changed. Write back into preference file.";
const char kUpdated[] = "Mail server settings updated.";

// One call on one profile: its prefs.js before and after, the result, and
// the lines logged after the opening banner and the "Reading" line.
struct OneProfileRow {
  const char* what;
  const char* export_name;
  std::string before;
  int result;
  std::string after;
  std::vector<std::string> log;
};

TEST(NetscapeSetReset, OneProfileTable) {
  const std::string file = "Profiles\\abc.default\\prefs.js";
  const OneProfileRow rows[] = {
      {"pop3 account configured", "SetNetscape", kPop2, 255, kPop2Set,
       {kChanged, kUpdated, kConfigureDone}},
      {"configured again: same values, written again", "SetNetscape", kPop2Set, 255, kPop2Set,
       {kChanged, kUpdated, kConfigureDone}},
      {"pop3 account restored, no closing banner", "ResetNetscape", kPop2Set, 255, kPop2,
       {kChanged, kUpdated}},
      {"only a local-folders account", "SetNetscape", kLocalOnly, 1, kLocalOnly,
       {"Preference file has no mail server settings.", kConfigureDone}},
      {"restore of a file without mail servers", "ResetNetscape", kLocalOnly, 1, kLocalOnly,
       {"Preference file has no mail server settings."}},
      {"imap account without user name", "SetNetscape", kNoUser, 1, kNoUser,
       {"Unable to change mail server settings", kConfigureDone}},
      {"an empty prefs.js", "SetNetscape", "", 1, "",
       {"Preference file has no mail server settings.", kConfigureDone}},
  };
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const OneProfileRow& row : rows) {
    MozillaFolder mozilla;
    mozilla.Write(file, row.before);
    ClearLog();
    EXPECT_EQ(config.Call(row.export_name, kProxy), row.result) << row.what;
    EXPECT_EQ(mozilla.Read(file), row.after) << row.what;
    std::vector<std::string> expected_log = {
        std::string(row.export_name)[0] == 'S' ? kConfigureBanner : kRestoreBanner,
        "Reading preference file :" + mozilla.Path(file)};
    expected_log.insert(expected_log.end(), row.log.begin(), row.log.end());
    EXPECT_EQ(LogLines(), expected_log) << row.what;
    EXPECT_EQ(mozilla.List("Profiles\\abc.default"), std::vector<std::string>{"prefs.js"})
        << row.what << ": a temporary file was left behind";
  }
  ClearLog();
}

TEST(NetscapeSetReset, NoPreferenceFileIsFour) {
  struct Row {
    const char* what;
    bool make_folder;
    const char* other_file;
  };
  const Row rows[] = {
      {"no Mozilla folder", false, nullptr},
      {"empty Mozilla folder", true, nullptr},
      {"a profile without prefs.js", true, "Profiles\\x.default\\user.js"},
      {"prefs.js.bak is not prefs.js", true, "Profiles\\x.default\\prefs.js.bak"},
  };
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    MozillaFolder mozilla;
    if (row.make_folder) mozilla.Create();
    if (row.other_file != nullptr) mozilla.Write(row.other_file, kPop2);
    ClearLog();
    EXPECT_EQ(config.Call("SetNetscape", kProxy), 4) << row.what;
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              kConfigureBanner,
                              "BaseException : No Netscape preference files found"}))
        << row.what;
    ClearLog();
    EXPECT_EQ(config.Call("ResetNetscape", kProxy), 4) << row.what;
    if (row.other_file != nullptr) { EXPECT_EQ(mozilla.Read(row.other_file), kPop2) << row.what; }
  }
  ClearLog();
}

TEST(NetscapeSetReset, FileNameMatchIgnoresCaseAndFindsDeepProfiles) {
  MozillaFolder mozilla;
  mozilla.Write("Firefox\\Profiles\\a\\b\\c\\PREFS.JS", kPop2);
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetNetscape", kProxy), 255);
  EXPECT_EQ(mozilla.Read("Firefox\\Profiles\\a\\b\\c\\PREFS.JS"), kPop2Set);
}

// Which file came last in the log of one call.
std::string LastReadFile() {
  std::string last;
  for (const std::string& line : LogLines())
    if (line.rfind("Reading preference file :", 0) == 0) last = line.substr(25);
  return last;
}

// Both ways round, so that each file is once the last one whatever order
// the folder search yields.
TEST(NetscapeSetReset, TwoProfilesTheLastFileDecides) {
  const char* const profiles[] = {"Profiles\\one.default\\prefs.js",
                                  "Profiles\\two.default\\prefs.js"};
  LoggingValue logging(true);
  LoadedConfig config;
  for (int swap = 0; swap < 2; ++swap) {
    MozillaFolder mozilla;
    const std::string good = profiles[swap];
    const std::string empty = profiles[1 - swap];
    mozilla.Write(good, kPop2);
    mozilla.Write(empty, kLocalOnly);
    ClearLog();
    const int result = config.Call("SetNetscape", kProxy);
    const std::string last = LastReadFile();
    ASSERT_TRUE(last == mozilla.Path(good) || last == mozilla.Path(empty)) << last;
    EXPECT_EQ(result, last == mozilla.Path(good) ? 255 : 1) << good;
    EXPECT_EQ(mozilla.Read(good), kPop2Set);  // written whatever the order
    EXPECT_EQ(mozilla.Read(empty), kLocalOnly);

    // A restore that succeeds does not set 255: the other file's 1 stays
    // whichever way round they come.
    ClearLog();
    EXPECT_EQ(config.Call("ResetNetscape", kProxy), 1) << good;
    EXPECT_EQ(mozilla.Read(good), kPop2);
  }
  ClearLog();
}

TEST(NetscapeSetReset, UnopenablePreferenceFileIsFourAndUntouched) {
  MozillaFolder mozilla;
  const std::string file = "Profiles\\a.default\\prefs.js";
  mozilla.Write(file, kPop2);
  LoggingValue logging(true);
  LoadedConfig config;
  for (const char* name : {"SetNetscape", "ResetNetscape"}) {
    HeldFile held(mozilla.Path(file), GENERIC_READ, 0);
    ASSERT_TRUE(held.ok());
    ClearLog();
    EXPECT_EQ(config.Call(name, kProxy), 4) << name;
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 3u) << name;
    EXPECT_EQ(lines[1], "Reading preference file :" + mozilla.Path(file));
    EXPECT_EQ(lines[2], "BaseException : Unable to open perference file.");
  }
  EXPECT_EQ(mozilla.Read(file), kPop2);
  ClearLog();
}

// The write-back replaces the file in one step: when the replace step fails
// (the file is held open by another program that shares reading only) the
// original bytes stay, no temporary file is left, and the result is 5.
TEST(NetscapeSetReset, FailedReplaceLeavesTheOriginalWholeAndIsFive) {
  MozillaFolder mozilla;
  const std::string file = "Profiles\\a.default\\prefs.js";
  const std::string original = Fixture("comm-central_prefs.js");
  mozilla.Write(file, original);
  LoggingValue logging(true);
  LoadedConfig config;
  {
    HeldFile held(mozilla.Path(file), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held.ok());
    ClearLog();
    EXPECT_EQ(config.Call("SetNetscape", kProxy), 5);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{kConfigureBanner,
                                        "Reading preference file :" + mozilla.Path(file),
                                        kChanged,
                                        "Unable to write mail server settings back into file.",
                                        kConfigureDone}));
  }
  EXPECT_EQ(mozilla.Read(file), original);
  EXPECT_EQ(WithoutWineReplaceLeftovers(mozilla.List("Profiles\\a.default")),
            std::vector<std::string>{"prefs.js"});
  ClearLog();
}

// A prefs.js with the read-only attribute is not replaced.
TEST(NetscapeSetReset, ReadOnlyPreferenceFileIsFiveAndUntouched) {
  MozillaFolder mozilla;
  const std::string file = "Profiles\\a.default\\prefs.js";
  mozilla.Write(file, kPop2);
  ASSERT_TRUE(SetFileAttributesA(mozilla.Path(file).c_str(), FILE_ATTRIBUTE_READONLY));
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetNetscape", kProxy), 5);
  EXPECT_EQ(mozilla.Read(file), kPop2);
  EXPECT_EQ(GetFileAttributesA(mozilla.Path(file).c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

TEST(NetscapeSetReset, FailedWriteOfOneProfileKeepsFiveAfterALaterRestore) {
  MozillaFolder mozilla;
  const std::string held_file = "Profiles\\one.default\\prefs.js";
  const std::string free_file = "Profiles\\two.default\\prefs.js";
  mozilla.Write(held_file, kPop2Set);
  mozilla.Write(free_file, kPop2Set);
  LoadedConfig config;
  {
    HeldFile held(mozilla.Path(held_file), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held.ok());
    EXPECT_EQ(config.Call("ResetNetscape", kProxy), 5);
  }
  EXPECT_EQ(mozilla.Read(held_file), kPop2Set);
  EXPECT_EQ(mozilla.Read(free_file), kPop2);
}

TEST(NetscapeSetReset, RealProfileRoundTripThroughTheHostTool) {
  MozillaFolder mozilla;
  const std::string file = "Profiles\\1shcelxh.tb2-default\\prefs.js";
  const std::string original = Fixture("mailnewsTestPrefs.js");
  mozilla.Write(file, original);
  const std::string tool = ProgramFolder() + "\\corvane-config.exe";
  std::string output;
  EXPECT_EQ(RunProgram(tool + " set netscape 127.0.0.1", output), 0) << output;
  const std::string configured = mozilla.Read(file);
  EXPECT_NE(configured.find("user_pref(\"mail.server.server2.hostname\", \"127.0.0.1\");\n"),
            std::string::npos);
  EXPECT_NE(configured.find("user_pref(\"mail.server.server2.userName\", "
                            "\"tinderbox@tinderbox\");\n"),
            std::string::npos);
  EXPECT_EQ(configured.size(), original.size() + 10);  // "127.0.0.1" for "tinderbox", "@tinderbox"
  EXPECT_EQ(RunProgram(tool + " reset netscape 127.0.0.1", output), 0) << output;
  EXPECT_EQ(mozilla.Read(file), original);

  mozilla.Write("Profiles\\1shcelxh.tb2-default\\abook.mab", Fixture("mork-parser_abook.mab"));
  TempFolder temp("netscape-tool");
  const std::string list = temp.Join("white.txt");
  EXPECT_EQ(RunProgram(tool + " import netscape white " + list, output), 0) << output;
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(list, bytes));
  EXPECT_EQ(bytes, "foo.bar@example.com\r\n");
}

TEST(NetscapeListAccounts, ShowsTheAccountsConfigureFindsWithoutWriting) {
  MozillaFolder mozilla;
  const std::string real = "Profiles\\real.default\\prefs.js";
  const std::string held_file = "Profiles\\held.default\\prefs.js";
  const std::string original = Fixture("comm-central_prefs.js");
  mozilla.Write(real, original);
  mozilla.Write(held_file, kPop2);
  HeldFile held(mozilla.Path(held_file), GENERIC_READ, 0);
  ASSERT_TRUE(held.ok());
  AccountViews views;
  {
    RegisterNetscape registrar;
    views = registrar.ListAccounts();  // the unreadable profile shows nothing
    EXPECT_EQ(registrar.GetResult(), 255);
  }
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].store, mozilla.Path(real) + " [mail.server.server2]");
  EXPECT_EQ(views[0].protocol, "IMAP");
  EXPECT_EQ(views[0].user, "blaketestwinton");
  EXPECT_EQ(views[0].server, "imap.gmail.com");
  EXPECT_EQ(mozilla.Read(real), original);
}

TEST(NetscapeListAccounts, NoProfilesNoAccounts) {
  MozillaFolder mozilla;
  RegisterNetscape registrar;
  EXPECT_TRUE(registrar.ListAccounts().empty());
}

// ---------------------------------------------------------------------------
// ImportNetscapeWhiteList

// Lines of an address list (CR LF ended), sorted.
std::vector<std::string> SortedLines(const std::string& list) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = list.find("\r\n", start)) != std::string::npos;
       start = end + 2)
    lines.push_back(list.substr(start, end - start));
  EXPECT_EQ(start, list.size()) << "list does not end with CR LF";
  std::sort(lines.begin(), lines.end());
  return lines;
}

const std::string kMorkHeader = "// <!-- <mdb:mork:z v=\"1.4\"/> -->\r\n";

TEST(NetscapeImport, TwoProfilesSharedAddressOnce) {
  MozillaFolder mozilla;
  mozilla.Write("Profiles\\a.default\\abook.mab",
                kMorkHeader + "<(80=ann@a.example)(81=shared@s.example)>\r\n");
  mozilla.Write("Profiles\\b.default\\abook.mab",
                kMorkHeader + "<(80=shared@s.example)(81=bob@b.example)>\r\n");
  mozilla.Write("Profiles\\b.default\\history.mab", kMorkHeader + "(80=not@listed.example)");
  TempFolder temp("netscape-import");
  const std::string out = temp.Join("white.txt");
  ASSERT_TRUE(WriteFileBytes(out, "old contents\r\n"));
  LoggingValue logging(true);
  LoadedConfig config;
  ClearLog();
  EXPECT_EQ(config.Call("ImportNetscapeWhiteList", out), 255);
  std::string list;
  ASSERT_TRUE(ReadFileBytes(out, list));
  EXPECT_EQ(SortedLines(list),
            (std::vector<std::string>{"ann@a.example", "bob@b.example", "shared@s.example"}));
  EXPECT_EQ(ReadLog(), "");
}

struct ImportRow {
  const char* what;
  std::vector<std::pair<std::string, std::string>> books;  // path below Mozilla, bytes
  const char* expected;
};

TEST(NetscapeImport, RealAndEdgeBooksTable) {
  const ImportRow rows[] = {
      {"no address book", {}, ""},
      {"an empty address book", {{"p\\abook.mab", ""}}, ""},
      {"a real book", {{"p\\abook.mab", Fixture("mork-parser_abook.mab")}},
       "foo.bar@example.com\r\n"},
      {"the $ escape ends the scan",
       {{"p\\abook.mab", Fixture("cardForEmail.mab")}},
       "PrimaryEmail1@test.invalid\r\nprimaryemail1@test.invalid\r\n"},
      {"ABOOK.MAB in capitals",
       {{"p\\ABOOK.MAB", kMorkHeader + "(80=a@b.example)"}}, "a@b.example\r\n"},
  };
  TempFolder temp("netscape-import");
  const std::string out = temp.Join("white.txt");
  LoadedConfig config;
  for (const ImportRow& row : rows) {
    MozillaFolder mozilla;
    for (const auto& book : row.books) mozilla.Write(book.first, book.second);
    ASSERT_TRUE(WriteFileBytes(out, "stale\r\n"));
    EXPECT_EQ(config.Call("ImportNetscapeWhiteList", out), 255) << row.what;
    std::string list;
    ASSERT_TRUE(ReadFileBytes(out, list));
    EXPECT_EQ(list, row.expected) << row.what;
  }
}

TEST(NetscapeImport, UnopenableBookIsOneWithAnEmptyList) {
  MozillaFolder mozilla;
  mozilla.Write("Profiles\\a.default\\abook.mab", kMorkHeader + "(80=ann@a.example)");
  mozilla.Write("Profiles\\b.default\\abook.mab", kMorkHeader + "(80=bob@b.example)");
  HeldFile held(mozilla.Path("Profiles\\b.default\\abook.mab"), GENERIC_READ, 0);
  ASSERT_TRUE(held.ok());
  TempFolder temp("netscape-import");
  const std::string out = temp.Join("white.txt");
  ASSERT_TRUE(WriteFileBytes(out, "stale\r\n"));
  LoggingValue logging(true);
  LoadedConfig config;
  ClearLog();
  EXPECT_EQ(config.Call("ImportNetscapeWhiteList", out), 1);
  std::string list;
  ASSERT_TRUE(ReadFileBytes(out, list));
  EXPECT_EQ(list, "");
  EXPECT_EQ(ReadLog(), "BaseException :Unable to open address book file.\r\n");
  ClearLog();
}

TEST(NetscapeImport, ImportBlackListDoesNothing) {
  LoadedConfig config;
  RegisterNetscape registrar;
  EXPECT_EQ(registrar.ImportBlackList("Z:\\nonexistent\\x.txt"), 255);
}

}  // namespace
