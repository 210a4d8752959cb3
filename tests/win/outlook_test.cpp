// SetOutlook / ResetOutlook through the exports against Wine's registry: the
// chain of Outlook versions with its stopping rule, the two value layouts,
// the exact log, the platform lines on different Windows versions, the
// read-only account listing, and ImportOutlookWhiteList on Wine's own
// mapi32 (this program's folder holds no MAPI of its own).
//
// Windows versions: the tests of other versions re-run this program as a
// child with a gtest filter after setting
// HKCU\Software\Wine\AppDefaults\outlook_test.exe\Version, so the child's
// CONFIG.dll reads the version as Wine reports it (no seam in the DLL).
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Config/RegisterOutlook.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const std::string k97 = "Software\\Microsoft\\Office\\8.0\\Outlook\\Internet Account Manager\\Accounts";
const std::string k98 = "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager\\Accounts";
const std::string k2000 = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";
const std::string kProfiles9x = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";
const std::string kProfilesNT =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
const std::string kSection = "9375CFF0413111d3B88A00104B2A6676";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\outlook_test.exe";

// Removes every Outlook account store of the current user when constructed
// and again when destroyed.
class NoOutlookKeys {
 public:
  NoOutlookKeys()
      : office8_("Software\\Microsoft\\Office\\8.0\\Outlook"),
        office_("Software\\Microsoft\\Office\\Outlook"),
        messaging9x_("Software\\Microsoft\\Windows Messaging Subsystem"),
        messagingNT_("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem") {}

 private:
  ScratchKey office8_, office_, messaging9x_, messagingNT_;
};

// The profile layout's form of a text: UTF-16LE and a 2-byte zero.
std::string Utf16(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    bytes += c;
    bytes += '\0';
  }
  return bytes + std::string(2, '\0');
}

void SetBinaryText(const std::string& key, const std::string& name, const std::string& text) {
  const std::string bytes = Utf16(text);
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, key, name, REG_BINARY, bytes.data(),
                     static_cast<DWORD>(bytes.size())));
}

std::string Text(const std::string& key, const std::string& name) {
  RawValue value = GetRaw(HKEY_CURRENT_USER, key, name);
  return value.exists ? value.bytes.substr(0, value.bytes.find('\0')) : "<missing>";
}

std::string ProfileAccount(const std::string& profiles, const std::string& profile,
                           const std::string& account) {
  return profiles + "\\" + profile + "\\" + kSection + "\\" + account;
}

void AddPop3Account(const std::string& key, const std::string& user, const std::string& server) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, key, "POP3 User Name", user));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, key, "POP3 Server", server));
}

void AddProfilePop3Account(const std::string& key, const std::string& user,
                           const std::string& server) {
  SetBinaryText(key, "POP3 User", user);
  SetBinaryText(key, "POP3 Server", server);
}

// One Set or Reset call with logging on; the log lines it wrote.
// ------------------------------------------------------------ version chain

TEST(OutlookChain, FirstVersionWithAChangedAccountIsTheOnlyOneChanged) {
  struct Row {
    const char* what;
    const char* server97;  // the Outlook 97 account's server
    bool expect97Changed;
    bool expect2000Changed;
    bool expect2000Run;
  };
  const Row rows[] = {
      {"97 accepted", "pop.example.com", true, false, false},
      {"97 already configured", "127.0.0.1", false, true, true},
      {"97 points at the local machine", "localhost", false, true, true},
  };
  for (const Row& row : rows) {
    NoOutlookKeys clean;
    const std::string a97 = k97 + "\\00000001";
    const std::string a2000 = k2000 + "\\00000001";
    AddPop3Account(a97, "ann", row.server97);
    AddPop3Account(a2000, "bob", "mail.example.org");
    LoggedRun run = CallLogged("SetOutlook", kProxy);
    EXPECT_EQ(run.result, 255) << row.what;
    EXPECT_EQ(Text(a97, "POP3 Server") == kProxy && Text(a97, "POP3 User Name") != "ann",
              row.expect97Changed)
        << row.what;
    EXPECT_EQ(Text(a2000, "POP3 User Name"),
              row.expect2000Changed ? "bob@mail.example.org" : "bob")
        << row.what;
    EXPECT_EQ(HasLine(run.log, "Configure Outlook 98 - start"), row.expect2000Run) << row.what;
    EXPECT_EQ(HasLine(run.log, "Configure Outlook 2000 - start"), row.expect2000Run) << row.what;
    EXPECT_FALSE(HasLine(run.log, "Configure Outlook 2002 - start")) << row.what;
  }
}

TEST(OutlookChain, RestoreStopsAtTheFirstVersionRestored) {
  NoOutlookKeys clean;
  const std::string a98 = k98 + "\\00000002";
  const std::string a2000 = k2000 + "\\00000001";
  AddPop3Account(a98, "ann@pop.example.com", kProxy);
  AddPop3Account(a2000, "bob@mail.example.org", kProxy);
  LoggedRun run = CallLogged("ResetOutlook", kProxy);
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(Text(a98, "POP3 User Name"), "ann");
  EXPECT_EQ(Text(a98, "POP3 Server"), "pop.example.com");
  EXPECT_EQ(Text(a2000, "POP3 User Name"), "bob@mail.example.org");
  EXPECT_FALSE(HasLine(run.log, "Restore Outlook 2000 - start"));
}

// The whole log of one account manager account, per kind of account.
TEST(OutlookAccount, ConfigureLogPerAccountKind) {
  struct Row {
    const char* what;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> account_log;  // from "New IP Address =" to the verdict
    std::vector<std::pair<std::string, std::string>> after;
  };
  const Row rows[] = {
      {"POP3",
       {{"POP3 User Name", "ann"}, {"POP3 Server", "pop.example.com"}},
       {"New IP Address =127.0.0.1", "ProfileUserName=ann", "ProfileServerName=pop.example.com",
        "New PopUserName=ann@pop.example.com", "New PopServerName=127.0.0.1",
        "PopUserName update successful", "PopServerName updated successful",
        "Outlook Profile changed"},
       {{"POP3 User Name", "ann@pop.example.com"}, {"POP3 Server", "127.0.0.1"}}},
      {"IMAP",
       {{"IMAP User", "bob"}, {"IMAP Server", "imap.example.org"}},
       {"New IP Address =127.0.0.1", "IMAPUserName=bob", "IMAPServerName=imap.example.org",
        "New IMAPUserName=bob@imap.example.org", "New IMAPServerName=127.0.0.1",
        "IMAPUserName update successful", "IMAPServerName update successful",
        "Outlook Profile changed"},
       {{"IMAP User", "bob@imap.example.org"}, {"IMAP Server", "127.0.0.1"}}},
      {"POP3 and IMAP: only POP3",
       {{"POP3 User Name", "ann"},
        {"POP3 Server", "pop.example.com"},
        {"IMAP User", "bob"},
        {"IMAP Server", "imap.example.org"}},
       {"New IP Address =127.0.0.1", "ProfileUserName=ann", "ProfileServerName=pop.example.com",
        "New PopUserName=ann@pop.example.com", "New PopServerName=127.0.0.1",
        "PopUserName update successful", "PopServerName updated successful",
        "Outlook Profile changed"},
       {{"POP3 User Name", "ann@pop.example.com"},
        {"IMAP User", "bob"},
        {"IMAP Server", "imap.example.org"}}},
      {"POP3 user without server: IMAP not tried",
       {{"POP3 User Name", "ann"}, {"IMAP User", "bob"}, {"IMAP Server", "imap.example.org"}},
       {"New IP Address =127.0.0.1", "ProfileUserName=ann", "Unable to read ProfileServerName",
        "Outlook Profile unchanged(may already be configured.)"},
       {{"POP3 User Name", "ann"}, {"IMAP User", "bob"}, {"POP3 Server", "<missing>"}}},
      {"IMAP user without server",
       {{"IMAP User", "bob"}},
       {"New IP Address =127.0.0.1", "IMAPUserName=bob", "Unable to read IMAPServerName",
        "Outlook Profile unchanged(may already be configured.)"},
       {{"IMAP User", "bob"}}},
      {"news account",
       {{"NNTP Server", "news.example.org"}},
       {"New IP Address =127.0.0.1", "Unable to read IMAP or POP3 details",
        "Outlook Profile unchanged(may already be configured.)"},
       {}},
      {"already configured",
       {{"POP3 User Name", "ann@pop.example.com"}, {"POP3 Server", "127.0.0.1"}},
       {"New IP Address =127.0.0.1", "ProfileUserName=ann@pop.example.com",
        "ProfileServerName=127.0.0.1", "No Pop Update Condition detected",
        "Outlook Profile unchanged(may already be configured.)"},
       {{"POP3 User Name", "ann@pop.example.com"}}},
      {"IMAP on the local machine",
       {{"IMAP User", "bob"}, {"IMAP Server", "localhost"}},
       {"New IP Address =127.0.0.1", "IMAPUserName=bob", "IMAPServerName=localhost",
        "No IMAP Update Condition detected",
        "Outlook Profile unchanged(may already be configured.)"},
       {{"IMAP User", "bob"}}},
  };
  for (const Row& row : rows) {
    NoOutlookKeys clean;
    const std::string account = k97 + "\\00000003";
    for (const auto& value : row.values)
      ASSERT_TRUE(SetText(HKEY_CURRENT_USER, account, value.first, value.second));
    LoggedRun run = CallLogged("SetOutlook", kProxy);
    std::vector<std::string> expected = {"-------------- Configuring Outlook -----------------",
                                         "Configure Outlook 97 - start",
                                         "For Outlook Profile :" + account};
    expected.insert(expected.end(), row.account_log.begin(), row.account_log.end());
    expected.push_back("Configure Outlook 97 - end");
    ASSERT_GE(run.log.size(), expected.size()) << row.what;
    EXPECT_EQ(std::vector<std::string>(run.log.begin(), run.log.begin() + expected.size()),
              expected)
        << row.what;
    EXPECT_EQ(run.log.back(), "-------- Configuring Outlook Completed --------------");
    for (const auto& value : row.after)
      EXPECT_EQ(Text(account, value.first), value.second) << row.what << ": " << value.first;
  }
}

TEST(OutlookAccount, RestoreCases) {
  struct Row {
    const char* what;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::pair<std::string, std::string>> after;
    bool changed;
  };
  const Row rows[] = {
      {"several @: split at the last",
       {{"POP3 User Name", "a@b@pop.example.com"}, {"POP3 Server", "127.0.0.1"}},
       {{"POP3 User Name", "a@b"}, {"POP3 Server", "pop.example.com"}},
       true},
      {"IMAP",
       {{"IMAP User", "bob@imap.example.org"}, {"IMAP Server", "127.0.0.1"}},
       {{"IMAP User", "bob"}, {"IMAP Server", "imap.example.org"}},
       true},
      {"not configured",
       {{"POP3 User Name", "ann"}, {"POP3 Server", "pop.example.com"}},
       {{"POP3 User Name", "ann"}, {"POP3 Server", "pop.example.com"}},
       false},
      {"server not the proxy",
       {{"POP3 User Name", "ann@x"}, {"POP3 Server", "pop.example.com"}},
       {{"POP3 User Name", "ann@x"}},
       false},
      {"POP3 user without server: IMAP not tried",
       {{"POP3 User Name", "ann@x"}, {"IMAP User", "bob@y"}, {"IMAP Server", "127.0.0.1"}},
       {{"IMAP User", "bob@y"}, {"IMAP Server", "127.0.0.1"}},
       false},
  };
  for (const Row& row : rows) {
    NoOutlookKeys clean;
    const std::string account = k2000 + "\\00000001";
    for (const auto& value : row.values)
      ASSERT_TRUE(SetText(HKEY_CURRENT_USER, account, value.first, value.second));
    LoggedRun run = CallLogged("ResetOutlook", kProxy);
    EXPECT_EQ(run.result, 255);
    for (const auto& value : row.after)
      EXPECT_EQ(Text(account, value.first), value.second) << row.what << ": " << value.first;
    EXPECT_EQ(HasLine(run.log, "Outlook Profile changed"), row.changed) << row.what;
    EXPECT_EQ(HasLine(run.log, "Outlook Profile unchanged(may already be restored.)"),
              !row.changed)
        << row.what;
  }
}

TEST(OutlookAccount, SecondConfigureChangesNothingAndRunsEveryProcedure) {
  NoOutlookKeys clean;
  const std::string account = k97 + "\\00000001";
  AddPop3Account(account, "ann", "pop.example.com");
  ASSERT_EQ(CallLogged("SetOutlook", kProxy).result, 255);
  LoggedRun second = CallLogged("SetOutlook", kProxy);
  EXPECT_EQ(second.result, 255);
  EXPECT_TRUE(HasLine(second.log, "No Pop Update Condition detected"));
  EXPECT_TRUE(HasLine(second.log, "Configure Outlook 2002 - end"));
  EXPECT_EQ(Text(account, "POP3 User Name"), "ann@pop.example.com");
}

// The account key denies writing to everyone (Wine checks registry DACLs);
// its full access is given back before it is removed.
class ReadOnlyKey {
 public:
  explicit ReadOnlyKey(const std::string& path) : path_(path) { Apply("D:(A;;KR;;;WD)"); }
  ~ReadOnlyKey() { Apply("D:(A;;KA;;;WD)"); }

 private:
  void Apply(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
      return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
      RegCloseKey(key);
    }
    LocalFree(descriptor);
  }
  std::string path_;
};

TEST(OutlookAccount, FailedWriteStillCountsAsChangedAndStopsTheChain) {
  NoOutlookKeys clean;
  const std::string a97 = k97 + "\\00000001";
  const std::string a2000 = k2000 + "\\00000001";
  AddPop3Account(a97, "ann", "pop.example.com");
  AddPop3Account(a2000, "bob", "mail.example.org");
  LoggedRun run;
  {
    ReadOnlyKey read_only(a97);
    ASSERT_FALSE(SetText(HKEY_CURRENT_USER, a97, "probe", "x")) << "DACL not enforced";
    run = CallLogged("SetOutlook", kProxy);
  }
  EXPECT_EQ(run.result, 255);
  EXPECT_TRUE(HasLine(run.log, "PopUserName update failed"));
  EXPECT_TRUE(HasLine(run.log, "PopServerName update failed"));
  EXPECT_TRUE(HasLine(run.log, "Outlook Profile changed"));
  EXPECT_FALSE(HasLine(run.log, "Configure Outlook 98 - start"));
  EXPECT_EQ(Text(a97, "POP3 User Name"), "ann");
  EXPECT_EQ(Text(a2000, "POP3 User Name"), "bob");
}

// ------------------------------------------------------------ profile layout

TEST(OutlookProfiles, ValuesAreUtf16WithAZeroUnitAfterConfigureAndRestore) {
  NoOutlookKeys clean;
  const std::string account = ProfileAccount(kProfilesNT, "Outlook", "00000002");
  const std::string no_section_profile = kProfilesNT + "\\Other\\0a0d020000000000c000000000000046";
  AddProfilePop3Account(account, "john", "pop.example.com");
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, no_section_profile, "x", "y"));

  LoggedRun set = CallLogged("SetOutlook", kProxy);
  EXPECT_EQ(set.result, 255);
  RawValue user = GetRaw(HKEY_CURRENT_USER, account, "POP3 User");
  RawValue server = GetRaw(HKEY_CURRENT_USER, account, "POP3 Server");
  EXPECT_EQ(user.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(user.bytes, Utf16("john@pop.example.com"));
  EXPECT_EQ(server.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(server.bytes, Utf16("127.0.0.1"));
  EXPECT_TRUE(HasLine(set.log, "For Outlook Profile :" + account));
  EXPECT_TRUE(HasLine(set.log, "ProfileUserName=john"));

  LoggedRun reset = CallLogged("ResetOutlook", kProxy);
  EXPECT_EQ(reset.result, 255);
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, account, "POP3 User").bytes, Utf16("john"));
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, account, "POP3 Server").bytes, Utf16("pop.example.com"));
}

// set / reset with the host tool round-trip 2002/2003 profile accounts byte
// for byte (two profiles, POP3 and IMAP).
TEST(OutlookProfiles, HostToolRoundTripIsByteForByte) {
  NoOutlookKeys clean;
  const std::string a1 = ProfileAccount(kProfilesNT, "Outlook", "00000002");
  const std::string a2 = ProfileAccount(kProfilesNT, "Outlook", "00000003");
  const std::string a3 = ProfileAccount(kProfilesNT, "Work", "00000001");
  AddProfilePop3Account(a1, "john", "pop.example.com");
  SetBinaryText(a2, "IMAP User", "jane.doe");
  SetBinaryText(a2, "IMAP Server", "imap.example.net");
  AddProfilePop3Account(a3, "work", "mail.corp.example");
  const char* names[] = {"POP3 User", "POP3 Server", "IMAP User", "IMAP Server"};
  std::vector<RawValue> before;
  for (const std::string& key : {a1, a2, a3})
    for (const char* name : names) before.push_back(GetRaw(HKEY_CURRENT_USER, key, name));

  const std::string tool = "\"" + ProgramFolder() + "\\corvane-config.exe\" ";
  std::string output;
  ASSERT_EQ(RunProgram(tool + "set outlook 127.0.0.1", output), 0) << output;
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, a2, "IMAP User").bytes, Utf16("jane.doe@imap.example.net"));
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, a3, "POP3 Server").bytes, Utf16("127.0.0.1"));
  ASSERT_EQ(RunProgram(tool + "reset outlook 127.0.0.1", output), 0) << output;
  size_t i = 0;
  for (const std::string& key : {a1, a2, a3})
    for (const char* name : names) {
      RawValue after = GetRaw(HKEY_CURRENT_USER, key, name);
      EXPECT_EQ(after.exists, before[i].exists) << key << " " << name;
      EXPECT_EQ(after.type, before[i].type) << key << " " << name;
      EXPECT_EQ(after.bytes, before[i].bytes) << key << " " << name;
      ++i;
    }
}

// ------------------------------------------------------------ Windows versions

// Run only as a child of the tests below, under the Windows version that
// they set for this program.
TEST(OutlookVersionChild, DISABLED_Configure) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExA(&version);
  std::printf("windows=%lu.%lu/%lu\n", version.dwMajorVersion, version.dwMinorVersion,
              version.dwPlatformId);
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetOutlook", kProxy), 255);
}

TEST(OutlookVersionChild, DISABLED_Restore) {
  LoadedConfig config;
  EXPECT_EQ(config.Call("ResetOutlook", kProxy), 255);
}

// Runs this program's child test under a Wine Windows version; the log lines.
std::vector<std::string> RunChildUnder(const char* wine_version, const char* child_test,
                                       std::string* output = nullptr) {
  ScratchKey app_defaults(kAppDefaults);
  SetText(HKEY_CURRENT_USER, kAppDefaults, "Version", wine_version);
  ClearLog();
  LoggingValue logging(true);
  char self[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string text;
  const int code = RunProgram(std::string("\"") + self + "\" --gtest_also_run_disabled_tests " +
                                  "--gtest_filter=OutlookVersionChild." + child_test,
                              text);
  EXPECT_EQ(code, 0) << text;
  if (output != nullptr) *output = text;
  std::vector<std::string> lines = LogLines();
  ClearLog();
  return lines;
}

std::vector<std::string> ManagerProcedure(const char* verb, const char* version) {
  return {std::string(verb) + " Outlook " + version + " - start", "No Outlook profiles found",
          std::string(verb) + " Outlook " + version + " - end"};
}

TEST(OutlookVersions, ExactLogWithoutOutlookKeys) {
  struct Row {
    const char* wine_version;
    const char* seen;  // what GetVersionExA tells the child
    std::vector<std::string> platform_2002;
    std::vector<std::string> configure_2003;
    std::vector<std::string> restore_2003;
  };
  const Row rows[] = {
      {"winxp", "windows=5.1/2", {"Outlook 2002 is on NT+ platform"},
       {"Outlook 2003 is on NT+ platform", "No Outlook profiles found"},
       {"No Outlook profiles found"}},
      {"win2003", "windows=5.2/2", {"Outlook 2002 is on NT+ platform"},
       {"Outlook 2003 is on NT+ platform", "No Outlook profiles found"},
       {"No Outlook profiles found"}},
      {"win10", "windows=6.2/2", {"Outlook 2002 is on NT+ platform"},
       {"Outlook 2003 is not supported in Win9X"},
       {"Outlook 2003 not supported on WIn9X"}},
      {"win98", "windows=4.10/1", {"Outlook 2002 is on Win9X platform"},
       {"Outlook 2003 is not supported in Win9X"},
       {"Outlook 2003 not supported on WIn9X"}},
  };
  for (const Row& row : rows) {
    NoOutlookKeys clean;
    std::vector<std::string> configure = {"-------------- Configuring Outlook -----------------"};
    for (const char* version : {"97", "98", "2000"}) {
      auto lines = ManagerProcedure("Configure", version);
      configure.insert(configure.end(), lines.begin(), lines.end());
    }
    configure.push_back("Configure Outlook 2002 - start");
    configure.insert(configure.end(), row.platform_2002.begin(), row.platform_2002.end());
    configure.push_back("No Outlook profiles found");
    configure.push_back("Configure Outlook 2002 - end");
    configure.insert(configure.end(), row.configure_2003.begin(), row.configure_2003.end());
    configure.push_back("-------- Configuring Outlook Completed --------------");

    std::vector<std::string> restore = {"-------------- Restoring Outlook -----------------"};
    for (const char* version : {"97", "98", "2000"}) {
      auto lines = ManagerProcedure("Restore", version);
      restore.insert(restore.end(), lines.begin(), lines.end());
    }
    auto lines2002 = ManagerProcedure("Restore", "2002");
    restore.insert(restore.end(), lines2002.begin(), lines2002.end());
    restore.insert(restore.end(), row.restore_2003.begin(), row.restore_2003.end());
    restore.push_back("-------- Restoring Outlook Completed --------------");

    std::string output;
    EXPECT_EQ(RunChildUnder(row.wine_version, "DISABLED_Configure", &output), configure)
        << row.wine_version;
    EXPECT_NE(output.find(row.seen), std::string::npos) << row.wine_version << "\n" << output;
    EXPECT_EQ(RunChildUnder(row.wine_version, "DISABLED_Restore"), restore) << row.wine_version;
  }
}

// 2002 takes the profiles key of its platform; 2003 scans the NT one only
// on NT up to 5.2.
TEST(OutlookVersions, ProfilesKeyFollowsThePlatform) {
  struct Row {
    const char* wine_version;
    bool win9x_changed;
    bool nt_changed;
  };
  const Row rows[] = {
      {"win98", true, false},
      {"winxp", false, true},
      {"win10", false, true},
  };
  for (const Row& row : rows) {
    NoOutlookKeys clean;
    const std::string a9x = ProfileAccount(kProfiles9x, "Default", "00000001");
    const std::string ant = ProfileAccount(kProfilesNT, "Default", "00000001");
    AddProfilePop3Account(a9x, "old", "pop.example.com");
    AddProfilePop3Account(ant, "new", "pop.example.com");
    RunChildUnder(row.wine_version, "DISABLED_Configure");
    EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, a9x, "POP3 Server").bytes ==
                  Utf16("127.0.0.1"),
              row.win9x_changed)
        << row.wine_version;
    EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, ant, "POP3 Server").bytes == Utf16("127.0.0.1"),
              row.nt_changed)
        << row.wine_version;
  }
}

// ------------------------------------------------------------ listing

TEST(OutlookListAccounts, EveryLayoutInScanOrderWithoutWriting) {
  NoOutlookKeys clean;
  AddPop3Account(k97 + "\\00000001", "ann@pop.example.com", "127.0.0.1");
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, k98 + "\\00000001", "NNTP Server", "news.example.org"));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, k2000 + "\\00000001", "IMAP User", "bob"));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, k2000 + "\\00000001", "IMAP Server", "imap.example.org"));
  const std::string profile_account = ProfileAccount(kProfilesNT, "Outlook", "00000002");
  AddProfilePop3Account(profile_account, "john", "pop.example.com");
  AddProfilePop3Account(ProfileAccount(kProfiles9x, "Old", "00000001"), "old", "pop.example.com");

  RegisterOutlook outlook;
  AccountViews views = outlook.ListAccounts();
  ASSERT_EQ(views.size(), 3u);
  EXPECT_EQ(views[0].store, k97 + "\\00000001");
  EXPECT_EQ(views[0].protocol, "POP3");
  EXPECT_EQ(views[0].user, "ann@pop.example.com");
  EXPECT_EQ(views[0].server, "127.0.0.1");
  EXPECT_EQ(views[1].store, k2000 + "\\00000001");
  EXPECT_EQ(views[1].protocol, "IMAP");
  EXPECT_EQ(views[1].user, "bob");
  EXPECT_EQ(views[1].server, "imap.example.org");
  EXPECT_EQ(views[2].store, profile_account);
  EXPECT_EQ(views[2].protocol, "POP3");
  EXPECT_EQ(views[2].user, "john");
  EXPECT_EQ(views[2].server, "pop.example.com");
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, profile_account, "POP3 User").bytes, Utf16("john"));
  EXPECT_EQ(outlook.GetResult(), 255);
}

TEST(OutlookListAccounts, NoStoresGiveAnEmptyList) {
  NoOutlookKeys clean;
  EXPECT_TRUE(RegisterOutlook().ListAccounts().empty());
}

// ------------------------------------------------------------ Wine's MAPI

TEST(OutlookWhiteList, WinesOwnMapiGivesTwoAndAnEmptyFile) {
  ASSERT_FALSE(FileExists(ProgramFolder() + "\\mapi32.dll"));
  TempFolder folder("outlook_wine_mapi");
  const std::string path = folder.Join("white.txt");
  ASSERT_TRUE(WriteFileBytes(path, "stale\r\n"));
  ClearLog();
  int result = 0;
  {
    LoggingValue logging(true);
    LoadedConfig config;
    result = config.Call("ImportOutlookWhiteList", path);
  }
  EXPECT_EQ(result, 2);
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes, "");
  std::vector<std::string> log = LogLines();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("BaseException :", 0), 0u) << log[0];
  ClearLog();
}

}  // namespace
