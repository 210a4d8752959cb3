// Eudora seen through the exports: which Eudora.ini files SetEudora and
// ResetEudora find, which sections and keys they rewrite, what they log,
// and which addresses ImportEudoraWhiteList takes from the nickname files.
// The files live where Eudora keeps them (the user's Application Data
// folder, the installation folder of HKLM "App Paths") and are removed again.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "Config/RegisterEudora.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";
const char kMissing[] = "<missing>";


bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Fixture(const std::string& name) {
  std::string bytes;
  ReadFileBytes(std::string(CORVANE_FIXTURES_DIR) + "/eudora/" + name, bytes);
  return bytes;
}

// One value as the system's profile functions read it; kMissing when absent.
std::string Ini(const std::string& path, const std::string& section, const std::string& key) {
  char value[1024] = {0};
  GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, value, sizeof value,
                           path.c_str());
  return value;
}

// The user's Eudora folder (Application Data\Qualcomm\Eudora) for the life
// of the object.  Files put there are deleted at the end (read-only or not),
// and the Qualcomm folder too when this object made it.
class UserEudoraFolder {
 public:
  UserEudoraFolder()
      : qualcomm_(AppDataFolder() + "\\Qualcomm"), made_(!FolderExists(qualcomm_)) {}
  ~UserEudoraFolder() {
    for (const std::string& file : files_) {
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(file.c_str());
    }
    if (made_) RemoveTree(qualcomm_);
  }
  std::string path() const { return qualcomm_ + "\\Eudora"; }
  std::string qualcomm() const { return qualcomm_; }
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string file = path() + "\\" + name;
    EXPECT_TRUE(WriteFileBytes(file, bytes)) << file;
    files_.push_back(file);
    return file;
  }

 private:
  std::string qualcomm_;
  bool made_;
  std::vector<std::string> files_;
};

// The Eudora installation: a fresh temporary folder that the value "Path" of
// HKLM "App Paths\Eudora.exe" names (or, with installed false, no such key at
// all).  The key is put back as it was at the end.
class EudoraInstall {
 public:
  explicit EudoraInstall(bool installed = true)
      : folder_("eudora-install"),
        key_existed_(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKey)),
        saved_(GetRaw(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path")) {
    DeleteTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
    if (installed) PointAt(folder_.path());
  }
  ~EudoraInstall() {
    DeleteTree(HKEY_LOCAL_MACHINE, kAppPathsKey);
    if (saved_.exists)
      SetRaw(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", saved_.type, saved_.bytes.data(),
             static_cast<DWORD>(saved_.bytes.size()));
    else if (key_existed_)
      SetRaw(HKEY_LOCAL_MACHINE, kAppPathsKey, "", REG_SZ, "", 1);
  }
  void PointAt(const std::string& folder) {
    EXPECT_TRUE(SetText(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path", folder));
  }
  std::string path() const { return folder_.path(); }
  std::string Put(const std::string& relative, const std::string& bytes) {
    const std::string file = folder_.Join(relative);
    EXPECT_TRUE(WriteFileBytes(file, bytes)) << file;
    return file;
  }

 private:
  TempFolder folder_;
  bool key_existed_;
  RawValue saved_;
};

using Lines = std::vector<std::string>;

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Lines kConfigureOpen = {"-------------- Configuring Eudora -----------------"};
const Lines kConfigureClose = {"---------- Configuring Eudora Completed -----------"};
const Lines kRestoreOpen = {"-------------- Restoring Eudora -----------------"};
const Lines kRestoreClose = {"----------- Restoring Eudora Completed -----------"};

std::string Crlf(const std::string& lf_text) {
  std::string text;
  for (char c : lf_text) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

// --- finding the INI files --------------------------------------------------

TEST(EudoraFiles, NoIniFileAnywhereGivesFourAndTheMessage) {
  UserEudoraFolder user;
  EudoraInstall install(false);
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 4);
  EXPECT_EQ(LogLines(), Concat({kConfigureOpen, {"BaseException : No Eudora ini file found"}}));
  EXPECT_EQ(config.Call("ResetEudora", kProxy), 4);
  EXPECT_EQ(LogLines(), Concat({kRestoreOpen, {"BaseException : No Eudora ini file found"}}));
  EXPECT_FALSE(FolderExists(user.path()));
}

TEST(EudoraFiles, InstallationWithoutIniFileGivesFour) {
  UserEudoraFolder user;
  EudoraInstall install;
  install.Put("readme.txt", "Eudora.ini is not here\r\n");
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 4);
}

TEST(EudoraFiles, EmptyInstallPathIsNoInstallation) {
  UserEudoraFolder user;
  EudoraInstall install;
  install.Put("Eudora.ini", "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n");
  install.PointAt("");
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 4);
}

TEST(EudoraFiles, ReadOnlyUserFileIsSkipped) {
  UserEudoraFolder user;
  EudoraInstall install(false);
  const std::string bytes = "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n";
  const std::string file = user.Put("Eudora.ini", bytes);
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 4);
  std::string after;
  ASSERT_TRUE(ReadFileBytes(file, after));
  EXPECT_EQ(after, bytes);
}

// The user's file first, then the installation's (found in any case, in
// subfolders too); each file gets its own block of lines.
TEST(EudoraFiles, UserFileAndInstalledFileAreBothRewrittenUserFirst) {
  UserEudoraFolder user;
  EudoraInstall install;
  const std::string mine =
      user.Put("Eudora.ini", "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n");
  const std::string theirs = install.Put(
      "Data\\Users\\EUDORA.INI", "[Settings]\r\nLoginName=bob\r\nPopServer=pop.b.org\r\n");
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 255);
  EXPECT_EQ(Ini(mine, "Settings", "LoginName"), "ann@pop.a.org");
  EXPECT_EQ(Ini(theirs, "Settings", "LoginName"), "bob@pop.b.org");
  EXPECT_EQ(Ini(theirs, "Settings", "PopServer"), kProxy);
  const Lines file_block = {"Update default sections", "Default sections updated successfully",
                            "Update Personality:Persona0", "No Personality available"};
  EXPECT_EQ(LogLines(), Concat({kConfigureOpen, {"Configuring Ini File:" + mine}, file_block,
                                {"Configuring Ini File:" + theirs}, file_block,
                                kConfigureClose}));
}

// Reached as the user's file and again through an installation folder that
// holds the user's folder: rewritten once, then found already configured.
TEST(EudoraFiles, SameFileReachedTwiceIsRewrittenOnce) {
  UserEudoraFolder user;
  EudoraInstall install;
  const std::string file = user.Put(
      "Eudora.ini",
      "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n[Personalities]\r\nPersona0=Work\r\n"
      "[Work]\r\nLoginName=bob\r\nPopServer=pop.b.org\r\n");
  install.PointAt(user.qualcomm());
  LoggedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 255);
  EXPECT_EQ(Ini(file, "Settings", "LoginName"), "ann@pop.a.org");
  EXPECT_EQ(Ini(file, "Work", "LoginName"), "bob@pop.b.org");
  EXPECT_EQ(LogLines(),
            Concat({kConfigureOpen,
                    {"Configuring Ini File:" + file, "Update default sections",
                     "Default sections updated successfully", "Update Personality:Persona0",
                     "Personality updated successfully", "Update Personality:Persona1",
                     "No Personality available"},
                    {"Configuring Ini File:" + file, "Update default sections",
                     "Default sections not updated(may already be configured)",
                     "Update Personality:Persona0",
                     "Personality section not updated(may already be configured)",
                     "Update Personality:Persona1", "No Personality available"},
                    kConfigureClose}));
}

// --- sections, keys and log lines of one file --------------------------------

struct Value {
  const char* section;
  const char* key;
  std::string value;  // kMissing: the key does not exist
};

struct SectionRow {
  const char* what;
  std::string ini;
  std::vector<Value> after;
  Lines file_log;  // the lines after "Configuring Ini File:" / "Restoring Ini File:"
};

const char kTwoPersonalities[] =
    "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\nPOPAccount=ann@pop.a.org\r\n"
    "[Personalities]\r\nPersona0=Work\r\nPersona1=Home\r\n"
    "[Work]\r\nLoginName=bob\r\nPopServer=pop.b.org\r\nPOPAccount=bob@pop.b.org\r\n"
    "[Home]\r\nLoginName=cy\r\nPopServer=Pop.C.org\r\n";

void RunSectionRows(const char* export_name, const std::vector<SectionRow>& rows) {
  const bool configure = std::string(export_name) == "SetEudora";
  for (const SectionRow& row : rows) {
    SCOPED_TRACE(row.what);
    UserEudoraFolder user;
    EudoraInstall install(false);
    const std::string file = user.Put("Eudora.ini", row.ini);
    LoggedConfig config;
    EXPECT_EQ(config.Call(export_name, kProxy), 255);
    for (const Value& value : row.after)
      EXPECT_EQ(Ini(file, value.section, value.key), value.value)
          << "[" << value.section << "] " << value.key;
    EXPECT_EQ(LogLines(),
              Concat({configure ? kConfigureOpen : kRestoreOpen,
                      {(configure ? "Configuring Ini File:" : "Restoring Ini File:") + file},
                      row.file_log, configure ? kConfigureClose : kRestoreClose}));
  }
}

TEST(EudoraSections, ConfigureTable) {
  const std::string long_login(300, 'x');
  const std::vector<SectionRow> rows = {
      {"default section and two personalities",
       kTwoPersonalities,
       {{"Settings", "LoginName", "ann@pop.a.org"},
        {"Settings", "PopServer", "127.0.0.1"},
        {"Settings", "POPAccount", "ann@pop.a.org@127.0.0.1"},
        {"Work", "LoginName", "bob@pop.b.org"},
        {"Work", "PopServer", "127.0.0.1"},
        {"Work", "POPAccount", "bob@pop.b.org@127.0.0.1"},
        {"Home", "LoginName", "cy@Pop.C.org"},
        {"Home", "PopServer", "127.0.0.1"},
        {"Home", "POPAccount", "cy@Pop.C.org@127.0.0.1"},
        {"Personalities", "Persona0", "Work"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "Personality updated successfully",
        "Update Personality:Persona1", "Personality updated successfully",
        "Update Personality:Persona2", "No Personality available"}},
      {"Persona1 without Persona0: no personality is read",
       "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n[Personalities]\r\nPersona1=Work\r\n"
       "[Work]\r\nLoginName=bob\r\nPopServer=pop.b.org\r\n",
       {{"Settings", "LoginName", "ann@pop.a.org"},
        {"Work", "LoginName", "bob"},
        {"Work", "PopServer", "pop.b.org"},
        {"Work", "POPAccount", kMissing}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "No Personality available"}},
      {"empty Persona0 ends the scan",
       "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n[Personalities]\r\nPersona0=\r\n"
       "Persona1=Work\r\n[Work]\r\nLoginName=bob\r\nPopServer=pop.b.org\r\n",
       {{"Work", "LoginName", "bob"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "No Personality available"}},
      {"empty PopServer is rewritten too",
       "[Settings]\r\nLoginName=ann\r\nPopServer=\r\n",
       {{"Settings", "LoginName", "ann@"},
        {"Settings", "PopServer", "127.0.0.1"},
        {"Settings", "POPAccount", "ann@@127.0.0.1"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "No Personality available"}},
      {"a file without a Settings section gets one",
       "[Mappings]\r\nout=1\r\n",
       {{"Settings", "LoginName", "@"},
        {"Settings", "PopServer", "127.0.0.1"},
        {"Settings", "POPAccount", "@@127.0.0.1"},
        {"Mappings", "out", "1"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "No Personality available"}},
      {"a personality naming a missing section creates it",
       "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n[Personalities]\r\nPersona0=Gone\r\n",
       {{"Gone", "LoginName", "@"},
        {"Gone", "PopServer", "127.0.0.1"},
        {"Gone", "POPAccount", "@@127.0.0.1"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "Personality updated successfully",
        "Update Personality:Persona1", "No Personality available"}},
      {"server already local or already the proxy: not touched",
       "[Settings]\r\nLoginName=ann\r\nPopServer=LocalHost\r\n[Personalities]\r\nPersona0=Work\r\n"
       "[Work]\r\nLoginName=bob@pop.b.org\r\nPopServer=127.0.0.1\r\n",
       {{"Settings", "LoginName", "ann"},
        {"Settings", "POPAccount", kMissing},
        {"Work", "LoginName", "bob@pop.b.org"}},
       {"Update default sections", "Default sections not updated(may already be configured)",
        "Update Personality:Persona0",
        "Personality section not updated(may already be configured)",
        "Update Personality:Persona1", "No Personality available"}},
      {"only 259 characters of a value are seen",
       "[Settings]\r\nLoginName=" + long_login + "\r\nPopServer=pop.a.org\r\n",
       {{"Settings", "LoginName", long_login.substr(0, 259) + "@pop.a.org"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "No Personality available"}},
  };
  RunSectionRows("SetEudora", rows);
}

TEST(EudoraSections, RestoreTable) {
  const std::vector<SectionRow> rows = {
      {"configured default section and personality",
       "[Settings]\r\nLoginName=ann@pop.a.org\r\nPopServer=127.0.0.1\r\n"
       "POPAccount=ann@pop.a.org@127.0.0.1\r\n[Personalities]\r\nPersona0=Work\r\n"
       "[Work]\r\nLoginName=bob@x.org@pop.b.org\r\nPopServer=127.0.0.1\r\n",
       {{"Settings", "LoginName", "ann"},
        {"Settings", "PopServer", "pop.a.org"},
        {"Settings", "POPAccount", "ann@pop.a.org"},
        {"Work", "LoginName", "bob@x.org"},
        {"Work", "PopServer", "pop.b.org"},
        {"Work", "POPAccount", "bob@x.org@pop.b.org"}},
       {"Update default sections", "Default sections updated successfully",
        "Update Personality:Persona0", "Personality updated successfully",
        "Update Personality:Persona1", "No Personality available"}},
      {"not configured: not touched",
       "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n[Personalities]\r\nPersona0=Work\r\n"
       "[Work]\r\nLoginName=bob@pop.b.org\r\nPopServer=pop.b.org\r\n",
       {{"Settings", "LoginName", "ann"},
        {"Settings", "POPAccount", kMissing},
        {"Work", "LoginName", "bob@pop.b.org"}},
       {"Update default sections", "Default sections not updated(may already be restored)",
        "Update Personality:Persona0",
        "Personality section not updated(may already be restored)",
        "Update Personality:Persona1", "No Personality available"}},
  };
  RunSectionRows("ResetEudora", rows);
}

TEST(EudoraSections, ConfigureThenRestoreGivesTheAccountsBack) {
  UserEudoraFolder user;
  EudoraInstall install(false);
  const std::string file = user.Put("Eudora.ini", kTwoPersonalities);
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 255);
  EXPECT_EQ(config.Call("ResetEudora", kProxy), 255);
  const Value expected[] = {
      {"Settings", "LoginName", "ann"},      {"Settings", "PopServer", "pop.a.org"},
      {"Settings", "POPAccount", "ann@pop.a.org"}, {"Work", "LoginName", "bob"},
      {"Work", "PopServer", "pop.b.org"},    {"Work", "POPAccount", "bob@pop.b.org"},
      {"Home", "LoginName", "cy"},           {"Home", "PopServer", "Pop.C.org"},
      {"Home", "POPAccount", "cy@Pop.C.org"}};
  for (const Value& value : expected)
    EXPECT_EQ(Ini(file, value.section, value.key), value.value)
        << "[" << value.section << "] " << value.key;
}

// A real Eudora.ini (LF line ends, many sections): the account is pointed
// at the proxy and back; the other settings stay.
TEST(EudoraSections, RealIniFileRoundTrip) {
  UserEudoraFolder user;
  EudoraInstall install;
  const std::string file = install.Put("Eudora.ini", Fixture("Eudora.adr"));
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 255);
  EXPECT_EQ(Ini(file, "Settings", "LoginName"), "jmiller@swamp.qualcomm.com");
  EXPECT_EQ(Ini(file, "Settings", "PopServer"), kProxy);
  EXPECT_EQ(Ini(file, "Settings", "POPAccount"), "jmiller@swamp.qualcomm.com@127.0.0.1");
  EXPECT_EQ(config.Call("ResetEudora", kProxy), 255);
  EXPECT_EQ(Ini(file, "Settings", "LoginName"), "jmiller");
  EXPECT_EQ(Ini(file, "Settings", "PopServer"), "swamp.qualcomm.com");
  EXPECT_EQ(Ini(file, "Settings", "POPAccount"), "jmiller@swamp.qualcomm.com");
  EXPECT_EQ(Ini(file, "Settings", "UsesPOP"), "1");
  EXPECT_EQ(Ini(file, "Settings", "Signature"), "<No Default>");
  EXPECT_EQ(Ini(file, "Personalities", "Persona0"), kMissing);
}

// The installer's default Eudora.ini has no account: its empty default
// personality is rewritten all the same.
TEST(EudoraSections, RealDefaultIniWithoutAccount) {
  UserEudoraFolder user;
  EudoraInstall install;
  const std::string file = install.Put("Data\\eudora.ini", Fixture("eudora.ini"));
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetEudora", kProxy), 255);
  EXPECT_EQ(Ini(file, "Settings", "LoginName"), "@");
  EXPECT_EQ(Ini(file, "Settings", "PopServer"), kProxy);
  EXPECT_EQ(Ini(file, "Settings", "NC"), "1");
}

// --- nickname export ---------------------------------------------------------

struct ImportResult {
  int code;
  std::string output;
  Lines log;
};

ImportResult Import(const std::string& output_path) {
  WriteFileBytes(output_path, "left over\r\n");
  LoggedConfig config;
  ImportResult result;
  result.code = config.Call("ImportEudoraWhiteList", output_path);
  result.log = LogLines();
  ReadFileBytes(output_path, result.output);
  return result;
}

TEST(EudoraNicknames, UserFileAndInstalledFilesInOrderEachAddressOnce) {
  TempFolder out("eudora-out");
  UserEudoraFolder user;
  EudoraInstall install;
  user.Put("NNdbase.txt",
           "alias ann ann@a.org\r\nnote ann <name:Ann>\r\nALIAS team bob@b.org, cy@c.org\r\n");
  install.Put("Nickname\\nndbase.TXT", "alias bob bob@b.org\r\nalias dee dee@d.org'x\r\n");
  const ImportResult result = Import(out.Join("white.txt"));
  EXPECT_EQ(result.code, 255);
  EXPECT_EQ(result.output, "ann@a.org\r\nbob@b.org\r\n cy@c.org\r\ndee@d.org\r\n");
  EXPECT_EQ(result.log, Lines());
}

TEST(EudoraNicknames, NoNicknameFileGivesAnEmptyList) {
  TempFolder out("eudora-out");
  UserEudoraFolder user;
  EudoraInstall install(false);
  const ImportResult result = Import(out.Join("white.txt"));
  EXPECT_EQ(result.code, 255);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.log, Lines());
}

TEST(EudoraNicknames, ReadOnlyUserFileIsNotRead) {
  TempFolder out("eudora-out");
  UserEudoraFolder user;
  EudoraInstall install(false);
  const std::string file = user.Put("NNdbase.txt", "alias ann ann@a.org\r\n");
  ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  const ImportResult result = Import(out.Join("white.txt"));
  EXPECT_EQ(result.code, 255);
  EXPECT_EQ(result.output, "");
}

// A file that cannot be opened ends the export with 1; what earlier files
// gave is not written.
TEST(EudoraNicknames, UnopenableFileGivesOneAndAnEmptyList) {
  TempFolder out("eudora-out");
  UserEudoraFolder user;
  EudoraInstall install;
  user.Put("NNdbase.txt", "alias ann ann@a.org\r\n");
  const std::string locked = install.Put("NNdbase.txt", "alias bob bob@b.org\r\n");
  HeldFile hold(locked);
  ASSERT_TRUE(hold.ok()) << locked;
  const ImportResult result = Import(out.Join("white.txt"));
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(result.log, Lines({"BaseException :Unable to open address book file."}));
}

TEST(EudoraNicknames, OutputThatCannotBeCreatedIsNotAnError) {
  TempFolder out("eudora-out");
  UserEudoraFolder user;
  EudoraInstall install;
  install.Put("NNdbase.txt", "alias bob bob@b.org\r\n");
  LoggedConfig config;
  EXPECT_EQ(config.Call("ImportEudoraWhiteList", out.Join("missing\\white.txt")), 255);
  EXPECT_EQ(LogLines(), Lines());
}

// --- listing ------------------------------------------------------------------

TEST(EudoraListAccounts, ListsWhatConfigureVisitsAndWritesNothing) {
  UserEudoraFolder user;
  EudoraInstall install;
  const std::string mine = user.Put("Eudora.ini", kTwoPersonalities);
  const std::string theirs = install.Put(
      "Data\\Eudora.ini", "[Settings]\r\nLoginName=dee@d.org\r\nPopServer=127.0.0.1\r\n"
                          "[Personalities]\r\nPersona1=Lost\r\n");
  RegisterEudora eudora;
  const AccountViews accounts = eudora.ListAccounts();
  struct Row {
    std::string store, user, server;
  };
  const Row expected[] = {
      {mine + " [Settings]", "ann", "pop.a.org"},
      {mine + " [Work]", "bob", "pop.b.org"},
      {mine + " [Home]", "cy", "Pop.C.org"},
      {theirs + " [Settings]", "dee@d.org", "127.0.0.1"},
  };
  ASSERT_EQ(accounts.size(), sizeof expected / sizeof expected[0]);
  for (size_t i = 0; i < accounts.size(); ++i) {
    EXPECT_EQ(accounts[i].store, expected[i].store);
    EXPECT_EQ(accounts[i].protocol, "POP3");
    EXPECT_EQ(accounts[i].user, expected[i].user);
    EXPECT_EQ(accounts[i].server, expected[i].server);
  }
  std::string after;
  ASSERT_TRUE(ReadFileBytes(mine, after));
  EXPECT_EQ(after, kTwoPersonalities);
}

TEST(EudoraListAccounts, NothingFoundIsAnEmptyList) {
  UserEudoraFolder user;
  EudoraInstall install(false);
  RegisterEudora eudora;
  EXPECT_TRUE(eudora.ListAccounts().empty());
}

// --- the host tool ------------------------------------------------------------

TEST(EudoraTool, SetResetAndImportFromTheCommandLine) {
  TempFolder out("eudora-out");
  UserEudoraFolder user;
  EudoraInstall install;
  const std::string ini = install.Put("Eudora.ini", Fixture("Eudora.adr"));
  install.Put("NNdbase.txt", Crlf(Fixture("eudora.txt")));
  const std::string tool = "\"" + ProgramFolder() + "\\corvane-config.exe\" ";
  std::string output;
  EXPECT_EQ(RunProgram(tool + "set eudora 127.0.0.1", output), 0) << output;
  EXPECT_EQ(Ini(ini, "Settings", "POPAccount"), "jmiller@swamp.qualcomm.com@127.0.0.1");
  EXPECT_EQ(RunProgram(tool + "reset eudora 127.0.0.1", output), 0) << output;
  EXPECT_EQ(Ini(ini, "Settings", "LoginName"), "jmiller");
  EXPECT_EQ(Ini(ini, "Settings", "PopServer"), "swamp.qualcomm.com");
  EXPECT_EQ(Ini(ini, "Settings", "POPAccount"), "jmiller@swamp.qualcomm.com");
  const std::string list = out.Join("white.txt");
  EXPECT_EQ(RunProgram(tool + "import eudora white \"" + list + "\"", output), 0) << output;
  std::string written;
  ASSERT_TRUE(ReadFileBytes(list, written));
  EXPECT_EQ(written, "foo@bar.com\r\n");
}

}  // namespace
