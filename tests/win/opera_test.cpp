// Opera through the exports: account files rewritten and restored, the log
// of every step, and the contacts export, against Wine's real profile-string
// functions, registry and Application Data folder.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "Config/RegisterOpera.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Opera.exe";
const char kOperaSoftwareKey[] = "Software\\Opera Software";


// The user's Opera folder below Application Data, and the two registry
// values that name Opera's other folders.  Constructed: the folder does not
// exist and neither value is set.  Destroyed: the same again, so nothing a
// test puts there outlives it.
class OperaProfile {
 public:
  OperaProfile() { Clean(); }
  ~OperaProfile() { Clean(); }
  std::string Folder() const { return AppDataFolder() + "\\Opera"; }
  std::string Join(const std::string& relative) const { return Folder() + "\\" + relative; }
  void SetInstallationFolder(const std::string& folder) const {
    SetText(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", folder);
  }
  void SetLastDirectory(const std::string& folder) const {
    SetText(HKEY_CURRENT_USER, kOperaSoftwareKey, "Last Directory", folder);
  }

 private:
  void Clean() const {
    RemoveTree(Folder());
    DeleteTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
    DeleteTree(HKEY_CURRENT_USER, kOperaSoftwareKey);
  }
};

// Logging on and CONFIG.dll loaded, with an empty log.
class LoggedConfig {
 public:
  LoggedConfig() : logging_(true) { ClearLog(); }
  ~LoggedConfig() { ClearLog(); }
  int Call(const char* name, const std::string& argument) {
    ClearLog();
    return config_.Call(name, argument);
  }

 private:
  LoggingValue logging_;
  LoadedConfig config_;
};

// A file held open without sharing: nobody else can open it while this lives.
class ExclusiveHold {
 public:
  explicit ExclusiveHold(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ExclusiveHold() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::string Profile(const std::string& file, const std::string& section, const char* key) {
  char buffer[2048] = {0};
  GetPrivateProfileStringA(section.c_str(), key, "<missing>", buffer, sizeof buffer, file.c_str());
  return buffer;
}

// Every key and value of every section, as the profile functions see them.
std::map<std::string, std::string> Snapshot(const std::string& file) {
  std::map<std::string, std::string> sections;
  std::vector<char> names(65536);
  DWORD size = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()),
                                              file.c_str());
  for (const char* name = names.data(); name < names.data() + size && *name;
       name += strlen(name) + 1) {
    std::vector<char> body(65536);
    DWORD length =
        GetPrivateProfileSectionA(name, body.data(), static_cast<DWORD>(body.size()), file.c_str());
    sections[name] = std::string(body.data(), length);
  }
  return sections;
}

std::vector<std::string> Banner(bool configure) {
  return {configure ? "-------------- Configuring Opera -----------------"
                    : "-------------- Restoring Opera -----------------",
          configure ? "Attempting to configure Opera 7" : "Attempting to restore Opera 7"};
}

// ---------------------------------------------------------------------------
// Opera 7 sections: one row per account section of one Accounts.ini.

struct SectionRow {
  const char* protocol;  // nullptr: no "Incoming Protocol" key
  const char* user;
  const char* server;
  const char* user_after_set;  // nullptr: unchanged by SetOpera
  const char* server_after_set;
  const char* user_after_reset;  // nullptr: as before SetOpera
  const char* server_after_reset;
};

const SectionRow kSections[] = {
    {"POP", "joe", "pop.example.com", "joe@pop.example.com", kProxy, nullptr, nullptr},
    {"IMAP", "ann", "imap.example.com", "ann@imap.example.com", kProxy, nullptr, nullptr},
    {"pop", "low", "pop.example.com", nullptr, nullptr, nullptr, nullptr},   // case-sensitive
    {"POP3", "pop3", "pop.example.com", nullptr, nullptr, nullptr, nullptr},  // exact text
    {nullptr, "none", "pop.example.com", nullptr, nullptr, nullptr, nullptr},
    {"POP", "", "pop.example.com", nullptr, nullptr, nullptr, nullptr},       // no user
    {"IMAP", "nosrv", "", nullptr, nullptr, nullptr, nullptr},                // no server
    {"POP", "loc", "Mail.LocalHost", nullptr, nullptr, nullptr, nullptr},
    // Already pointed at the proxy: left by Set, split by Reset.
    {"IMAP", "old@imap.example.com", kProxy, nullptr, nullptr, "old", "imap.example.com"},
    {"POP", "two@at@pop.example.com", kProxy, nullptr, nullptr, "two@at", "pop.example.com"},
};
const int kCountedSections = sizeof(kSections) / sizeof(kSections[0]);

// An Accounts.ini as Opera 7 writes it, holding the rows as Account1..N
// under "Count", and one account section beyond the count.
std::string Opera7File(const std::string& count_line) {
  std::string text =
      "Opera Preferences version 2.0\r\n"
      "; Do not edit this file while Opera is running\r\n"
      "; This file is stored in UTF-8 encoding\r\n\r\n"
      "[Accounts]\r\n" + count_line + "Next Available Id=12\r\nDefault Mail Account=1\r\n\r\n";
  int index = 1;
  for (const SectionRow& row : kSections) {
    text += "[Account" + std::to_string(index++) + "]\r\n";
    text += "Account Name=Mail " + std::to_string(index) + "\r\n";
    text += std::string("Incoming Servername=") + row.server + "\r\n";
    if (row.protocol != nullptr) text += std::string("Incoming Protocol=") + row.protocol + "\r\n";
    text += std::string("Incoming Username=") + row.user + "\r\n";
    text += "Incoming Port=110\r\nOutgoing Servername=smtp.example.com\r\n\r\n";
  }
  text += "[Account" + std::to_string(index) + "]\r\n"
          "Incoming Servername=pop.beyond.example\r\nIncoming Protocol=POP\r\n"
          "Incoming Username=beyond\r\n";
  return text;
}

std::string CountLine() { return "Count=" + std::to_string(kCountedSections) + "\r\n"; }

TEST(OperaAccounts, Opera7SectionsAreRewrittenAndRestored) {
  OperaProfile profile;
  const std::string file = profile.Join("Opera7\\profile\\mail\\Accounts.ini");
  ASSERT_TRUE(WriteFileBytes(file, Opera7File(CountLine())));
  const std::map<std::string, std::string> before = Snapshot(file);
  LoggedConfig config;

  EXPECT_EQ(config.Call("SetOpera", kProxy), 255);
  std::vector<std::string> expected_log = Banner(true);
  expected_log.push_back("Opera 7 Account File:" + file);
  expected_log.push_back("Retrieve Opera 7 Sections");
  for (int i = 0; i < kCountedSections; ++i) {
    const SectionRow& row = kSections[i];
    const std::string section = "Account" + std::to_string(i + 1);
    const bool changed = row.user_after_set != nullptr;
    EXPECT_EQ(Profile(file, section, "Incoming Username"), changed ? row.user_after_set : row.user)
        << section;
    EXPECT_EQ(Profile(file, section, "Incoming Servername"),
              changed ? row.server_after_set : row.server)
        << section;
    expected_log.push_back("Configuring Opera 7 section:" + section);
    expected_log.push_back(changed ? "Opera 7 section configured" : "Opera 7 Section unchanged");
  }
  const std::string beyond = "Account" + std::to_string(kCountedSections + 1);
  EXPECT_EQ(Profile(file, beyond, "Incoming Username"), "beyond");
  EXPECT_EQ(Profile(file, beyond, "Incoming Servername"), "pop.beyond.example");
  expected_log.insert(expected_log.end(),
                      {"Attempting to configure Opera 6", "No Opera 6 account files found",
                       "Opera 6 setting unchanged.",
                       "-------------- Configuring Opera Completed -----------------"});
  EXPECT_EQ(LogLines(), expected_log);

  EXPECT_EQ(config.Call("ResetOpera", kProxy), 255);
  std::map<std::string, std::string> restored = before;
  for (int i = 0; i < kCountedSections; ++i) {
    const SectionRow& row = kSections[i];
    const std::string section = "Account" + std::to_string(i + 1);
    if (row.user_after_reset == nullptr) continue;
    EXPECT_EQ(Profile(file, section, "Incoming Username"), row.user_after_reset) << section;
    EXPECT_EQ(Profile(file, section, "Incoming Servername"), row.server_after_reset) << section;
    restored.erase(section);
  }
  std::map<std::string, std::string> after = Snapshot(file);
  for (int i = 0; i < kCountedSections; ++i)
    if (kSections[i].user_after_reset != nullptr) after.erase("Account" + std::to_string(i + 1));
  EXPECT_EQ(after, restored);  // every other key of every section is back
  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 2), Banner(false));
  EXPECT_EQ(lines[4], "Restoring Opera 7 section:Account1");
  EXPECT_EQ(lines[5], "Opera 7 Section restored");
  EXPECT_EQ(lines.back(), "-------------- Restoring Opera Completed -----------------");
  for (const std::string& line : lines) EXPECT_NE(line, "Attempting to configure Opera 6");
}

// "Count" is read as the C library reads a decimal number.
struct CountRow {
  const char* count_line;
  int configured;  // leading sections of the file rewritten
};

TEST(OperaAccounts, CountDecidesTheSections) {
  const CountRow rows[] = {
      {"Count=1\r\n", 1},  {"Count=2\r\n", 2},  {"", 0},           {"Count=0\r\n", 0},
      {"Count=\r\n", 0},   {"Count=-2\r\n", 0}, {"Count=+2\r\n", 2}, {"Count=2abc\r\n", 2},
      {"Count=abc\r\n", 0}, {"Count=01\r\n", 1}, {"Count=99\r\n", 2},
  };
  int n = 0;
  for (const CountRow& row : rows) {
    OperaProfile profile;
    // A folder per row: the profile functions may cache a file by its name.
    const std::string file = profile.Join("row" + std::to_string(n++) + "\\Accounts.ini");
    ASSERT_TRUE(WriteFileBytes(file, Opera7File(row.count_line)));
    LoggedConfig config;
    EXPECT_EQ(config.Call("SetOpera", kProxy), 255) << row.count_line;
    EXPECT_EQ(Profile(file, "Account1", "Incoming Username"),
              row.configured >= 1 ? "joe@pop.example.com" : "joe")
        << row.count_line;
    EXPECT_EQ(Profile(file, "Account2", "Incoming Username"),
              row.configured >= 2 ? "ann@imap.example.com" : "ann")
        << row.count_line;
    bool unchanged_logged = false;
    for (const std::string& line : LogLines())
      unchanged_logged = unchanged_logged || line == "Opera 7 setting unchanged.";
    EXPECT_EQ(unchanged_logged, row.configured == 0) << row.count_line;
  }
}

TEST(OperaAccounts, FileFoundTwiceIsUnchangedTheSecondTime) {
  OperaProfile profile;
  const std::string file = profile.Join("Opera7\\profile\\mail\\Accounts.ini");
  ASSERT_TRUE(WriteFileBytes(file, Opera7File("Count=1\r\n")));
  profile.SetInstallationFolder(profile.Folder());
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetOpera", kProxy), 255);
  EXPECT_EQ(Profile(file, "Account1", "Incoming Username"), "joe@pop.example.com");
  EXPECT_EQ(Profile(file, "Account1", "Incoming Servername"), kProxy);
  std::vector<std::string> expected = Banner(true);
  expected.insert(expected.end(),
                  {"Opera 7 Account File:" + file, "Retrieve Opera 7 Sections",
                   "Configuring Opera 7 section:Account1", "Opera 7 section configured",
                   "Opera 7 Account File:" + file, "Retrieve Opera 7 Sections",
                   "Configuring Opera 7 section:Account1", "Opera 7 Section unchanged",
                   "Attempting to configure Opera 6", "No Opera 6 account files found",
                   "Opera 6 setting unchanged.",
                   "-------------- Configuring Opera Completed -----------------"});
  EXPECT_EQ(LogLines(), expected);
}

TEST(OperaAccounts, InstallationFolderIsSearchedAfterTheProfileIgnoringCase) {
  OperaProfile profile;
  TempFolder installation("opera-install");
  const std::string mine = profile.Join("Opera7\\profile\\mail\\accounts.INI");
  const std::string shared = installation.Join("profile\\mail\\ACCOUNTS.ini");
  ASSERT_TRUE(WriteFileBytes(mine, Opera7File("Count=1\r\n")));
  ASSERT_TRUE(WriteFileBytes(shared, Opera7File("Count=2\r\n")));
  profile.SetInstallationFolder(installation.path());
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetOpera", kProxy), 255);
  std::vector<std::string> files;
  for (const std::string& line : LogLines())
    if (line.compare(0, 21, "Opera 7 Account File:") == 0) files.push_back(line.substr(21));
  EXPECT_EQ(files, (std::vector<std::string>{mine, shared}));
  EXPECT_EQ(Profile(mine, "Account1", "Incoming Servername"), kProxy);
  EXPECT_EQ(Profile(shared, "Account2", "Incoming Username"), "ann@imap.example.com");
}

// ---------------------------------------------------------------------------
// Opera 6: one account per Account.ini, below "Last Directory".

struct Opera6Row {
  const char* login;
  const char* address;
  bool changed;
};

std::string Opera6File(const std::string& login, const std::string& address) {
  return "[INCOMING]\r\nAddress=" + address + "\r\nLogin=" + login +
         "\r\nPort=110\r\nLeave on server=0\r\n\r\n[OUTGOING]\r\nAddress=smtp.example.com\r\n";
}

TEST(OperaAccounts, Opera6AccountsAloneAreRewrittenAndRestored) {
  const Opera6Row rows[] = {
      {"joe", "pop.example.com", true},
      {"", "pop.example.com", false},
      {"joe", "", false},
      {"joe", "LOCALHOST", false},
      {"joe@pop.example.com", kProxy, false},
  };
  int n = 0;
  for (const Opera6Row& row : rows) {
    OperaProfile profile;
    TempFolder last("opera6");
    const std::string file = last.Join("Mail\\row" + std::to_string(n++) + "\\ACCOUNT.INI");
    ASSERT_TRUE(WriteFileBytes(file, Opera6File(row.login, row.address)));
    const std::map<std::string, std::string> before = Snapshot(file);
    profile.SetLastDirectory(last.path());
    LoggedConfig config;

    EXPECT_EQ(config.Call("SetOpera", kProxy), 255) << row.login;
    std::vector<std::string> expected = Banner(true);
    expected.insert(expected.end(),
                    {"No Opera 7 account files found", "Opera 7 setting unchanged.",
                     "Attempting to configure Opera 6", "Opera 6 Account File:" + file,
                     std::string("Opera 6 Username:") + row.login,
                     std::string("Opera 6 ServerName:") + row.address,
                     row.changed ? "Opera 6 setting configured " : "Opera 6 setting unchanged.",
                     "-------------- Configuring Opera Completed -----------------"});
    EXPECT_EQ(LogLines(), expected) << row.login;
    if (row.changed) {
      EXPECT_EQ(Profile(file, "INCOMING", "Login"), std::string(row.login) + "@" + row.address);
      EXPECT_EQ(Profile(file, "INCOMING", "Address"), kProxy);
    } else {
      EXPECT_EQ(Snapshot(file), before) << row.login;
    }

    if (!row.changed) continue;
    EXPECT_EQ(config.Call("ResetOpera", kProxy), 255);
    EXPECT_EQ(Snapshot(file), before);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4], "Opera 6 Account File:" + file);  // no "Attempting" line for Opera 6
    EXPECT_EQ(lines[7], "Opera 6 setting restored ");
  }
}

TEST(OperaAccounts, NoAccountFileGivesFourAndTheExceptionLine) {
  OperaProfile profile;
  TempFolder empty("opera-empty");
  ASSERT_TRUE(WriteFileBytes(empty.Join("contacts.adr"), "\tMAIL=a@example.com\r\n"));
  profile.SetInstallationFolder(empty.path());
  profile.SetLastDirectory(empty.Join("missing"));
  LoggedConfig config;
  for (bool configure : {true, false}) {
    EXPECT_EQ(config.Call(configure ? "SetOpera" : "ResetOpera", kProxy), 4);
    std::vector<std::string> expected = Banner(configure);
    expected.insert(expected.end(), {"No Opera 7 account files found", "Opera 7 setting unchanged."});
    if (configure) expected.push_back("Attempting to configure Opera 6");
    expected.insert(expected.end(), {"No Opera 6 account files found", "Opera 6 setting unchanged.",
                                     "BaseException : No Opera Account found on PC."});
    EXPECT_EQ(LogLines(), expected);
  }
}

TEST(OperaAccounts, EmptyProxyLeavesTheFilesAlone) {
  OperaProfile profile;
  const std::string file = profile.Join("Accounts.ini");
  const std::string text = Opera7File(CountLine());
  ASSERT_TRUE(WriteFileBytes(file, text));
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetOpera", ""), 2);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(file, bytes));
  EXPECT_EQ(bytes, text);
}

TEST(OperaAccounts, HostToolSetAndResetBringEveryValueBack) {
  OperaProfile profile;
  TempFolder last("opera6-tool");
  const std::string opera7 = profile.Join("Opera7\\profile\\mail\\Accounts.ini");
  const std::string opera6 = last.Join("Account.ini");
  ASSERT_TRUE(WriteFileBytes(opera7, Opera7File("Count=8\r\n")));  // none pointed at the proxy
  ASSERT_TRUE(WriteFileBytes(opera6, Opera6File("joe", "pop.example.com")));
  profile.SetLastDirectory(last.path());
  const std::map<std::string, std::string> before7 = Snapshot(opera7);
  const std::map<std::string, std::string> before6 = Snapshot(opera6);
  std::string output;
  const std::string tool = "\"" + ProgramFolder() + "\\corvane-config.exe\" ";
  EXPECT_EQ(RunProgram(tool + "set opera 127.0.0.1", output), 0) << output;
  EXPECT_NE(Snapshot(opera7), before7);
  EXPECT_NE(Snapshot(opera6), before6);
  EXPECT_EQ(RunProgram(tool + "reset opera 127.0.0.1", output), 0) << output;
  EXPECT_EQ(Snapshot(opera7), before7);
  EXPECT_EQ(Snapshot(opera6), before6);
}

// ---------------------------------------------------------------------------
// ListAccounts: what Configure would find, read without writing.

TEST(OperaAccounts, ListAccountsShowsWhatConfigureFinds) {
  OperaProfile profile;
  TempFolder last("opera6-list");
  const std::string opera7 = profile.Join("Opera7\\Accounts.ini");
  const std::string opera6 = last.Join("Account.ini");
  const std::string text7 = Opera7File("Count=3\r\n");
  const std::string text6 = Opera6File("joe", "pop.example.com");
  ASSERT_TRUE(WriteFileBytes(opera7, text7));
  ASSERT_TRUE(WriteFileBytes(opera6, text6));
  profile.SetLastDirectory(last.path());

  const AccountViews views = RegisterOpera().ListAccounts();
  const AccountView expected[] = {
      {opera7 + " [Account1]", "POP", "joe", "pop.example.com"},
      {opera7 + " [Account2]", "IMAP", "ann", "imap.example.com"},
      {opera7 + " [Account3]", "pop", "low", "pop.example.com"},
      {opera6 + " [INCOMING]", "", "joe", "pop.example.com"},
  };
  ASSERT_EQ(views.size(), 4u);
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_EQ(views[i].store, expected[i].store) << i;
    EXPECT_EQ(views[i].protocol, expected[i].protocol) << i;
    EXPECT_EQ(views[i].user, expected[i].user) << i;
    EXPECT_EQ(views[i].server, expected[i].server) << i;
  }
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(opera7, bytes));
  EXPECT_EQ(bytes, text7);
  ASSERT_TRUE(ReadFileBytes(opera6, bytes));
  EXPECT_EQ(bytes, text6);
}

TEST(OperaAccounts, ListAccountsWithoutFilesIsEmpty) {
  OperaProfile profile;
  EXPECT_TRUE(RegisterOpera().ListAccounts().empty());
}

// ---------------------------------------------------------------------------
// The contacts export.

const char kContactsA[] =
    "Opera Hotlist version 2.0\r\nOptions: encoding = utf8, version=3\r\n\r\n"
    "#CONTACT\r\n\tID=12\r\n\tNAME=Anna\r\n\tMAIL=anna@example.se\r\n\r\n"
    "#CONTACT\r\n\tID=14\r\n\tNAME=Tomas\r\n\tMAIL=tomas@example.org\x02\x02t.berg@example.com\r\n";
const char kContactsB[] =
    "Opera Hotlist version 2.0\r\n\r\n"
    "#CONTACT\r\n\tNAME=Lisa\r\n\tmail=lisa@example.ie\r\n"
    "#CONTACT\r\n\tNAME=Anna again\r\n\tMAIL=anna@example.se\r\n";

struct ExportRun {
  int result;
  std::string output;
  std::vector<std::string> log;
};

ExportRun ExportOperaWhiteList(const TempFolder& out, const std::string& previous = "old\r\n") {
  const std::string path = out.Join("white.txt");
  WriteFileBytes(path, previous);
  LoggedConfig config;
  ExportRun run;
  run.result = config.Call("ImportOperaWhiteList", path);
  ReadFileBytes(path, run.output);
  run.log = LogLines();
  return run;
}

TEST(OperaContacts, TwoFilesGiveTheirAddressesOnceInFileOrder) {
  OperaProfile profile;
  TempFolder last("opera6-contacts");
  TempFolder out("opera-out");
  ASSERT_TRUE(WriteFileBytes(profile.Join("Opera7\\profile\\Contacts.ADR"), kContactsA));
  ASSERT_TRUE(WriteFileBytes(last.Join("contacts.adr"), kContactsB));
  profile.SetLastDirectory(last.path());
  const ExportRun run = ExportOperaWhiteList(out);
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(run.output,
            "anna@example.se\r\ntomas@example.org\r\nt.berg@example.com\r\nlisa@example.ie\r\n");
  EXPECT_TRUE(run.log.empty());
}

// The sample contact file of tests/data/opera, reached through Wine's Z: drive.
TEST(OperaContacts, SampleContactFileIsListedInFileOrder) {
  std::string sample_path = std::string("Z:") + CORVANE_FIXTURES_DIR + "/opera/contacts.adr";
  for (char& c : sample_path)
    if (c == '/') c = '\\';
  std::string sample;
  ASSERT_TRUE(ReadFileBytes(sample_path, sample));
  OperaProfile profile;
  TempFolder out("opera-out");
  ASSERT_TRUE(WriteFileBytes(profile.Join("Opera7\\profile\\contacts.adr"), sample));
  const ExportRun run = ExportOperaWhiteList(out);
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(run.output,
            "anna.lindqvist@example.se\r\ntomas@berg.example.org\r\nt.berg@work.example.com\r\n"
            "lisa@oneill.example.ie\r\n");
}

TEST(OperaContacts, FileFoundTwiceIsListedOnce) {
  OperaProfile profile;
  TempFolder out("opera-out");
  ASSERT_TRUE(WriteFileBytes(profile.Join("contacts.adr"), kContactsA));
  profile.SetLastDirectory(profile.Folder());
  const ExportRun run = ExportOperaWhiteList(out);
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(run.output, "anna@example.se\r\ntomas@example.org\r\nt.berg@example.com\r\n");
}

TEST(OperaContacts, NoContactFileGivesAnEmptyList) {
  OperaProfile profile;
  TempFolder out("opera-out");
  const ExportRun run = ExportOperaWhiteList(out);
  EXPECT_EQ(run.result, 255);
  EXPECT_EQ(run.output, "");
  EXPECT_TRUE(run.log.empty());
}

TEST(OperaContacts, UnreadableFileGivesOneAndAnEmptyList) {
  OperaProfile profile;
  TempFolder last("opera6-contacts");
  TempFolder out("opera-out");
  ASSERT_TRUE(WriteFileBytes(profile.Join("contacts.adr"), kContactsA));
  ASSERT_TRUE(WriteFileBytes(last.Join("contacts.adr"), kContactsB));
  profile.SetLastDirectory(last.path());
  ExclusiveHold hold(last.Join("contacts.adr"));
  ASSERT_TRUE(hold.ok());
  const ExportRun run = ExportOperaWhiteList(out);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.log, std::vector<std::string>{"BaseException :Unable to open address book file."});
}

}  // namespace
