// Outlook Express seen from a host program: account rewriting of the shared
// and per-identity accounts, the Windows Address Book export (through the
// tests' own address book library, loaded as the system's one would be) and
// the blocked senders export.
#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Config/RegisterOutlookExpress.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const char kManagerKey[] = "Software\\Microsoft\\Internet Account Manager";
const char kSharedAccounts[] = "Software\\Microsoft\\Internet Account Manager\\Accounts";

std::string IdentityAccounts(const std::string& identity) {
  return "Identities\\" + identity + "\\" + kSharedAccounts;
}

std::string AccountKey(const char* identity, const std::string& account) {
  return (identity == nullptr ? std::string(kSharedAccounts) : IdentityAccounts(identity)) + "\\" +
         account;
}

using Values = std::vector<std::pair<std::string, std::string>>;

// The current user's Outlook Express stores (account manager and identities)
// are empty while the object lives and removed with whatever was put there.
class OutlookExpressStores {
 public:
  OutlookExpressStores() : manager_(kManagerKey), identities_("Identities") {}
  void Put(const char* identity, const std::string& account, const Values& values) const {
    for (const auto& value : values)
      ASSERT_TRUE(
          SetText(HKEY_CURRENT_USER, AccountKey(identity, account), value.first, value.second));
  }

 private:
  ScratchKey manager_;
  ScratchKey identities_;
};

void CreateKey(HKEY root, const std::string& path) {
  HKEY created = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) ==
      ERROR_SUCCESS)
    RegCloseKey(created);
}

// A text value of the current user up to its first NUL.  The library writes
// REG_SZ data without counting a NUL, but the system stores one all the same
// when the byte after the data is zero (NT does; so does Wine), so the
// stored size says nothing about the call.
std::string Bytes(const std::string& key, const std::string& name) {
  const RawValue value = GetRaw(HKEY_CURRENT_USER, key, name);
  if (!value.exists) return "<no value>";
  return value.bytes.substr(0, value.bytes.find('\0'));
}

// ---------------------------------------------------------------------------
// Account rewriting

struct AccountRow {
  const char* what;
  const char* identity;  // nullptr: an account shared by all identities
  const char* account;
  Values before;
  Values configured;  // the values that SetOutlookExpress rewrites, and to what
};

const char kIdentityA[] = "{1A2B3C4D-0000-0000-0000-00000000000A}";
const char kIdentityB[] = "{1A2B3C4D-0000-0000-0000-00000000000B}";

const AccountRow kAccountRows[] = {
    {"shared POP3 account",
     nullptr,
     "00000001",
     {{"POP3 User Name", "alice"}, {"POP3 Server", "pop.example.com"}},
     {{"POP3 User Name", "alice@pop.example.com"}, {"POP3 Server", kProxy}}},
    {"shared IMAP account",
     nullptr,
     "00000002",
     {{"IMAP User Name", "bob"}, {"IMAP Server", "imap.example.org"}},
     {{"IMAP User Name", "bob@imap.example.org"}, {"IMAP Server", kProxy}}},
    {"POP3 preferred over IMAP",
     nullptr,
     "00000003",
     {{"POP3 User Name", "cat"},
      {"POP3 Server", "pop.cat.net"},
      {"IMAP User Name", "cat-imap"},
      {"IMAP Server", "imap.cat.net"}},
     {{"POP3 User Name", "cat@pop.cat.net"}, {"POP3 Server", kProxy}}},
    {"POP3 user name without server falls through to IMAP",
     nullptr,
     "00000004",
     {{"POP3 User Name", "dan"}, {"IMAP User Name", "dan"}, {"IMAP Server", "imap.dan.net"}},
     {{"IMAP User Name", "dan@imap.dan.net"}, {"IMAP Server", kProxy}}},
    {"POP3 server without user name falls through to IMAP",
     nullptr,
     "00000005",
     {{"POP3 Server", "pop.eve.net"}, {"IMAP User Name", "eve"}, {"IMAP Server", "imap.eve.net"}},
     {{"IMAP User Name", "eve@imap.eve.net"}, {"IMAP Server", kProxy}}},
    {"directory account without mail servers",
     nullptr,
     "00000006",
     {{"Account Name", "Directory"}, {"LDAP Server", "ldap.example.com"}},
     {}},
    {"news account without mail servers",
     kIdentityA,
     "00000002",
     {{"NNTP User Name", "don"}, {"NNTP Server", "news.wingtiptoys.invalid"}},
     {}},
    {"server already localhost",
     nullptr,
     "00000007",
     {{"POP3 User Name", "fay"}, {"POP3 Server", "LocalHost"}},
     {}},
    {"server already holding the proxy address",
     nullptr,
     "00000008",
     {{"POP3 User Name", "gil"}, {"POP3 Server", "127.0.0.1"}},
     {}},
    {"same account name under an identity",
     kIdentityA,
     "00000001",
     {{"POP3 User Name", "hal"}, {"POP3 Server", "pop.hal.net"}},
     {{"POP3 User Name", "hal@pop.hal.net"}, {"POP3 Server", kProxy}}},
    {"IMAP account of a second identity",
     kIdentityB,
     "00000001",
     {{"IMAP User Name", "ivy"}, {"IMAP Server", "imap.ivy.net"}},
     {{"IMAP User Name", "ivy@imap.ivy.net"}, {"IMAP Server", kProxy}}},
    {"user name holding an @ is split at the last one",
     kIdentityB,
     "00000002",
     {{"POP3 User Name", "jo@home"}, {"POP3 Server", "pop.jo.net"}},
     {{"POP3 User Name", "jo@home@pop.jo.net"}, {"POP3 Server", kProxy}}},
};

// Every value of every row after a Set (configured = true) or a Reset.
// Rewritten values are REG_SZ without a terminating NUL; the others keep
// their bytes.
void ExpectAccountValues(bool configured, const std::map<std::string, std::string>& snapshot) {
  for (const AccountRow& row : kAccountRows) {
    const std::string key = AccountKey(row.identity, row.account);
    for (const auto& value : row.before) {
      std::string expected = snapshot.at(key + "|" + value.first);
      for (const auto& rewritten : row.configured)
        if (rewritten.first == value.first) expected = configured ? rewritten.second : value.second;
      EXPECT_EQ(Bytes(key, value.first), expected)
          << row.what << ": " << value.first << (configured ? " after Set" : " after Reset");
      EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, key, value.first).type, static_cast<DWORD>(REG_SZ))
          << row.what << ": " << value.first;
    }
  }
}

TEST(OutlookExpressAccounts, SetRewritesEveryAccountAndResetRestoresIt) {
  OutlookExpressStores stores;
  std::map<std::string, std::string> snapshot;
  for (const AccountRow& row : kAccountRows) {
    stores.Put(row.identity, row.account, row.before);
    for (const auto& value : row.before)
      snapshot[AccountKey(row.identity, row.account) + "|" + value.first] =
          Bytes(AccountKey(row.identity, row.account), value.first);
  }
  LoadedConfig config;
  ASSERT_TRUE(config.ok());

  EXPECT_EQ(config.Call("SetOutlookExpress", kProxy), 255);
  ExpectAccountValues(true, snapshot);

  EXPECT_EQ(config.Call("ResetOutlookExpress", kProxy), 255);
  ExpectAccountValues(false, snapshot);
  // Nothing else appeared in any account key.
  for (const AccountRow& row : kAccountRows) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, AccountKey(row.identity, row.account).c_str(), 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(count, row.before.size()) << row.what;
  }
}

// A small store whose every log line is known: a shared POP3 account, a
// shared directory account and an identity's IMAP account.
void PutLoggedStore(const OutlookExpressStores& stores) {
  stores.Put(nullptr, "00000001", {{"POP3 User Name", "alice"}, {"POP3 Server", "pop.a.com"}});
  stores.Put(nullptr, "00000002", {{"LDAP Server", "ldap.a.com"}});
  stores.Put(kIdentityA, "00000001", {{"IMAP User Name", "bob"}, {"IMAP Server", "imap.b.org"}});
}

const std::string kSharedFirst = std::string("OE profile:") + kSharedAccounts + "\\00000001";
const std::string kSharedSecond = std::string("OE profile:") + kSharedAccounts + "\\00000002";
const std::string kIdentityFirst = "OE profile:" + IdentityAccounts(kIdentityA) + "\\00000001";

struct LogRow {
  const char* export_name;
  std::vector<std::string> lines;
};

TEST(OutlookExpressAccounts, EveryStepIsLoggedInOrderAndRepeatsChangeNothing) {
  const LogRow rows[] = {
      {"SetOutlookExpress",
       {"-------------- Configuring Outlook Express -----------------", kSharedFirst,
        "POP3 user name=alice", "POP3 server name=pop.a.com", "POP3 OE profile settings updated",
        kSharedSecond, "Unable to read OE profile Mail Server settings", kIdentityFirst,
        "IMAP user name=bob", "IMAP server name=imap.b.org", "IMAP4 OE profile settings updated",
        "-------- Configuring Outlook Express Completed --------------"}},
      {"SetOutlookExpress",
       {"-------------- Configuring Outlook Express -----------------", kSharedFirst,
        "POP3 user name=alice@pop.a.com", "POP3 server name=127.0.0.1",
        "POP3 OE profile settings unchanged(may already be configured)", kSharedSecond,
        "Unable to read OE profile Mail Server settings", kIdentityFirst,
        "IMAP user name=bob@imap.b.org", "IMAP server name=127.0.0.1",
        "IMAP4 OE profile settings unchanged(may already be configured)",
        "-------- Configuring Outlook Express Completed --------------"}},
      {"ResetOutlookExpress",
       {"-------------- Restoring Outlook Express -----------------", kSharedFirst,
        "POP3 user name=alice@pop.a.com", "POP3 server name=127.0.0.1",
        "POP3 OE profile settings updated", kSharedSecond, "Unable to read OE profile settings.",
        kIdentityFirst, "IMAP user name=bob@imap.b.org", "IMAP server name=127.0.0.1",
        "IMAP4 OE profile settings updated",
        "-------- Restoring Outlook Express Completed --------------"}},
      {"ResetOutlookExpress",
       {"-------------- Restoring Outlook Express -----------------", kSharedFirst,
        "POP3 user name=alice", "POP3 server name=pop.a.com",
        "POP3 OE profile settings unchanged(may already be restored)", kSharedSecond,
        "Unable to read OE profile settings.", kIdentityFirst, "IMAP user name=bob",
        "IMAP server name=imap.b.org",
        "IMAP4 OE profile settings unchanged(may already be restored)",
        "-------- Restoring Outlook Express Completed --------------"}},
  };
  OutlookExpressStores stores;
  PutLoggedStore(stores);
  ClearLog();
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  int step = 0;
  for (const LogRow& row : rows) {
    ClearLog();
    EXPECT_EQ(config.Call(row.export_name, kProxy), 255) << "step " << step;
    EXPECT_EQ(LogLines(), row.lines) << "step " << step;
    ++step;
  }
  ClearLog();
}

// Without any account both operations raise severity 4 and write nothing.
struct NoAccountRow {
  const char* what;
  std::vector<std::string> empty_keys;  // keys that exist without accounts
};

TEST(OutlookExpressAccounts, NoAccountGivesFourAndWritesNothing) {
  const NoAccountRow rows[] = {
      {"no stores at all", {}},
      {"empty shared accounts key", {kSharedAccounts}},
      {"identity without accounts", {"Identities\\" + std::string(kIdentityA)}},
      {"identity with an empty accounts key", {IdentityAccounts(kIdentityA)}},
  };
  const struct {
    const char* export_name;
    const char* banner;
  } operations[] = {
      {"SetOutlookExpress", "-------------- Configuring Outlook Express -----------------"},
      {"ResetOutlookExpress", "-------------- Restoring Outlook Express -----------------"}};
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const NoAccountRow& row : rows) {
    for (const auto& operation : operations) {
      OutlookExpressStores stores;
      for (const std::string& key : row.empty_keys) CreateKey(HKEY_CURRENT_USER, key);
      ClearLog();
      EXPECT_EQ(config.Call(operation.export_name, kProxy), 4) << row.what;
      EXPECT_EQ(LogLines(),
                (std::vector<std::string>{operation.banner,
                                          "BaseException : No Outlook Express Accounts found."}))
          << row.what;
      if (row.empty_keys.empty()) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kManagerKey)) << row.what;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Identities")) << row.what;
      }
    }
  }
  ClearLog();
}

// A registrar whose account rule refuses the user names it is given.
class RefusingRegistrar : public RegisterOutlookExpress {
 public:
  explicit RefusingRegistrar(std::string refused) : refused_(std::move(refused)) {}
  bool ConfigureAccount(const std::string& proxy, std::string& user,
                        std::string& server) const override {
    return user != refused_ && RegisterOutlookExpress::ConfigureAccount(proxy, user, server);
  }
  bool RestoreAccount(const std::string& proxy, std::string& user,
                      std::string& server) const override {
    return user.rfind(refused_, 0) != 0 &&
           RegisterOutlookExpress::RestoreAccount(proxy, user, server);
  }

 private:
  std::string refused_;
};

// A refused rewrite leaves the account alone and makes the result 5 unless
// a later account is rewritten; Restore never reports it.
TEST(OutlookExpressAccounts, RefusedRewriteGivesFiveUnlessALaterAccountSucceeds) {
  const struct {
    const char* refused;
    bool configure;
    int result;
    bool returned;
  } rows[] = {
      {"zed", true, 255, true},   // the last account is rewritten after the refusal
      {"amy", true, 5, true},     // the last account is the refused one
      {"amy", false, 255, true},  // restoring: result untouched
      {"nobody", true, 255, true},
  };
  for (const auto& row : rows) {
    OutlookExpressStores stores;
    stores.Put(nullptr, "00000001", {{"POP3 User Name", "zed"}, {"POP3 Server", "pop.z.com"}});
    stores.Put(nullptr, "00000002", {{"POP3 User Name", "amy"}, {"POP3 Server", "pop.a.com"}});
    if (!row.configure) {
      RegisterOutlookExpress plain;
      ASSERT_TRUE(plain.Configure(kProxy));
    }
    RefusingRegistrar registrar(row.refused);
    const bool rewritten = row.configure ? registrar.Configure(kProxy) : registrar.Restore(kProxy);
    EXPECT_EQ(rewritten, row.returned) << row.refused;
    EXPECT_EQ(registrar.GetResult(), row.result) << row.refused << " configure=" << row.configure;
    const std::string refused_key =
        std::string(kSharedAccounts) +
        (std::string(row.refused) == "zed" ? "\\00000001" : "\\00000002");
    if (std::string(row.refused) != "nobody" && row.configure) {
      EXPECT_EQ(Bytes(refused_key, "POP3 User Name"), row.refused);
    }
  }
}

// ListAccounts shows what Configure would visit and writes nothing.
TEST(OutlookExpressAccounts, ListAccountsShowsTheAccountsConfigureVisits) {
  {
    OutlookExpressStores stores;
    EXPECT_TRUE(RegisterOutlookExpress().ListAccounts().empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kManagerKey));
  }
  OutlookExpressStores stores;
  PutLoggedStore(stores);
  stores.Put(nullptr, "00000003",
             {{"POP3 User Name", "cy"},
              {"POP3 Server", "pop.c.com"},
              {"IMAP User Name", "cy"},
              {"IMAP Server", "imap.c.com"}});
  const std::string before = Bytes(AccountKey(nullptr, "00000001"), "POP3 User Name");
  const AccountViews views = RegisterOutlookExpress().ListAccounts();
  const struct {
    std::string store, protocol, user, server;
  } expected[] = {
      {AccountKey(nullptr, "00000001"), "POP3", "alice", "pop.a.com"},
      {AccountKey(nullptr, "00000003"), "POP3", "cy", "pop.c.com"},
      {AccountKey(kIdentityA, "00000001"), "IMAP", "bob", "imap.b.org"},
  };
  ASSERT_EQ(views.size(), 3u);
  for (std::size_t i = 0; i < views.size(); ++i) {
    EXPECT_EQ(views[i].store, expected[i].store) << i;
    EXPECT_EQ(views[i].protocol, expected[i].protocol) << i;
    EXPECT_EQ(views[i].user, expected[i].user) << i;
    EXPECT_EQ(views[i].server, expected[i].server) << i;
  }
  EXPECT_EQ(Bytes(AccountKey(nullptr, "00000001"), "POP3 User Name"), before);
}

// ---------------------------------------------------------------------------
// Windows Address Book export

// Object types that OpenEntry reports.
const DWORD kAddressBookContainer = 4;
const DWORD kMailUser = 6;

const char kWabPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";
const char kDoubleKey[] = "Software\\Corvane Tests\\WAB";

std::string DoublePath() { return ProgramFolder() + "\\wab\\wabdouble.dll"; }

// Points the system's Windows Address Book path (HKLM, default value) at a
// library, or removes it (nullptr), and puts back what was there.
class WabPathValue {
 public:
  explicit WabPathValue(const char* path)
      : saved_(GetRaw(HKEY_LOCAL_MACHINE, kWabPathKey, "")),
        key_existed_(KeyExists(HKEY_LOCAL_MACHINE, kWabPathKey)) {
    if (path == nullptr)
      DeleteTree(HKEY_LOCAL_MACHINE, kWabPathKey);
    else
      SetText(HKEY_LOCAL_MACHINE, kWabPathKey, "", path);
  }
  ~WabPathValue() {
    DeleteTree(HKEY_LOCAL_MACHINE, kWabPathKey);
    if (saved_.exists)
      SetRaw(HKEY_LOCAL_MACHINE, kWabPathKey, "", saved_.type, saved_.bytes.data(),
             static_cast<DWORD>(saved_.bytes.size()));
    else if (key_existed_)
      CreateKey(HKEY_LOCAL_MACHINE, kWabPathKey);
  }

 private:
  RawValue saved_;
  bool key_existed_;
};

// The test address book's instructions (see tests/doubles/addressbook),
// with its contacts file and call trace in a folder of their own.
class WabDouble {
 public:
  WabDouble() : settings_(kDoubleKey), folder_("corvane-wab") {
    SetText(HKEY_CURRENT_USER, kDoubleKey, "Trace", folder_.Join("trace.txt"));
    SetText(HKEY_CURRENT_USER, kDoubleKey, "Contacts", folder_.Join("contacts.txt"));
  }
  void Contacts(const std::string& lines) const {
    WriteFileBytes(folder_.Join("contacts.txt"), lines);
  }
  void FailAt(const std::string& step) const {
    if (!step.empty()) SetText(HKEY_CURRENT_USER, kDoubleKey, "FailAt", step);
  }
  void ObjectType(DWORD type) const { SetDword(HKEY_CURRENT_USER, kDoubleKey, "ObjectType", type); }
  std::vector<std::string> Trace() const {
    std::string text;
    ReadFileBytes(folder_.Join("trace.txt"), text);
    std::vector<std::string> lines;
    for (std::string::size_type start = 0, end;
         (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }
  std::string Output() const { return folder_.Join("white.txt"); }

 private:
  ScratchKey settings_;
  TempFolder folder_;
};

const char kContacts[] =
    "3001001E=Ann|3003001E=ann@example.com\r\n"
    "3001001E=Ann twice|3003001E=ann@example.com\r\n"
    "3003001E=no-at-sign.example.com\r\n"
    "3003001F=wide@example.com\r\n"
    "3001001E=name@looks.like.mail\r\n"
    "3003001E=bo@example.org|3003001E=second@example.org\r\n"
    "3001001E=Nobody without address\r\n"
    "3003001E=nn@example.com\r\n";

enum class Library { kNoValue, kEmpty, kUnexpanded, kMissingFile, kWithoutWabOpen, kDouble };

struct WhiteListRow {
  const char* what;
  Library library;
  const char* fail_at;
  DWORD object_type;
  int result;
};

const WhiteListRow kWhiteListFailures[] = {
    {"no DLLPath value", Library::kNoValue, "", kAddressBookContainer, 2},
    {"empty DLLPath value", Library::kEmpty, "", kAddressBookContainer, 2},
    {"environment reference left unexpanded", Library::kUnexpanded, "", kAddressBookContainer, 2},
    {"library file missing", Library::kMissingFile, "", kAddressBookContainer, 2},
    {"library without WABOpen", Library::kWithoutWabOpen, "", kAddressBookContainer, 255},
    {"WABOpen fails", Library::kDouble, "WABOpen", kAddressBookContainer, 2},
    {"GetPAB fails", Library::kDouble, "GetPAB", kAddressBookContainer, 2},
    {"OpenEntry fails", Library::kDouble, "OpenEntry", kAddressBookContainer, 2},
    {"entry is a mail user, not a container", Library::kDouble, "", kMailUser, 255},
    {"GetContentsTable fails", Library::kDouble, "GetContentsTable", kAddressBookContainer, 2},
    {"GetContentsTable yields no table", Library::kDouble, "NoTable", kAddressBookContainer, 2},
    {"GetRowCount fails", Library::kDouble, "GetRowCount", kAddressBookContainer, 2},
    {"QueryRows fails", Library::kDouble, "QueryRows", kAddressBookContainer, 2},
};

std::string LibraryPath(Library library) {
  switch (library) {
    case Library::kEmpty:
      return "";
    case Library::kUnexpanded:
      return "%CORVANE_WAB_FOLDER%\\wabdouble.dll";
    case Library::kMissingFile:
      return ProgramFolder() + "\\wab\\missing.dll";
    case Library::kWithoutWabOpen:
      return ProgramFolder() + "\\wab\\nowabopen.dll";
    default:
      return DoublePath();
  }
}

TEST(OutlookExpressWhiteList, EveryFailureLeavesAnEmptyFileAndLogsNothing) {
  SetEnvironmentVariableA("CORVANE_WAB_FOLDER", (ProgramFolder() + "\\wab").c_str());
  ClearLog();
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const WhiteListRow& row : kWhiteListFailures) {
    const std::string path = LibraryPath(row.library);
    WabPathValue value(row.library == Library::kNoValue ? nullptr : path.c_str());
    WabDouble wab;
    wab.Contacts(kContacts);
    wab.FailAt(row.fail_at);
    wab.ObjectType(row.object_type);
    ASSERT_TRUE(WriteFileBytes(wab.Output(), "old@list.example\r\n"));

    EXPECT_EQ(config.Call("ImportOutlookExpressWhiteList", wab.Output()), row.result) << row.what;
    std::string written = "unread";
    EXPECT_TRUE(ReadFileBytes(wab.Output(), written)) << row.what;
    EXPECT_EQ(written, "") << row.what;
    EXPECT_EQ(ReadLog(), "") << row.what;
    const std::vector<std::string> trace = wab.Trace();
    if (row.library == Library::kDouble) {
      // Whatever step failed, everything obtained was given back.
      ASSERT_FALSE(trace.empty()) << row.what;
      EXPECT_EQ(trace.back(), "unload objects=0 buffers=0") << row.what;
    } else {
      EXPECT_TRUE(trace.empty()) << row.what;
    }
  }
  ClearLog();
}

TEST(OutlookExpressWhiteList, ExportsEachEightBitAddressOnceWithTheCallsInOrder) {
  WabPathValue value(DoublePath().c_str());
  WabDouble wab;
  wab.Contacts(kContacts);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  EXPECT_EQ(config.Call("ImportOutlookExpressWhiteList", wab.Output()), 255);
  std::string written;
  ASSERT_TRUE(ReadFileBytes(wab.Output(), written));
  EXPECT_EQ(written, "ann@example.com\r\nbo@example.org\r\nsecond@example.org\r\n");
  EXPECT_EQ(wab.Trace(), (std::vector<std::string>{
                             "WABOpen parameters=null reserved=0", "GetPAB",
                             "OpenEntry entry=pab iid=null flags=16", "GetContentsTable flags=0",
                             "GetRowCount flags=0", "QueryRows count=8 flags=0", "destroyed table",
                             "destroyed container", "destroyed address book",
                             "destroyed WAB object", "unload objects=0 buffers=0"}));
}

TEST(OutlookExpressWhiteList, EmptyBookAndUnreachableOutputStillSucceed) {
  WabPathValue value(DoublePath().c_str());
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  {
    WabDouble wab;
    wab.Contacts("");
    EXPECT_EQ(config.Call("ImportOutlookExpressWhiteList", wab.Output()), 255);
    std::string written = "unread";
    EXPECT_TRUE(ReadFileBytes(wab.Output(), written));
    EXPECT_EQ(written, "");
    const std::vector<std::string> trace = wab.Trace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "GetRowCount flags=0"), 1);
    for (const std::string& line : trace) EXPECT_EQ(line.find("QueryRows"), std::string::npos);
  }
  {
    WabDouble wab;
    wab.Contacts(kContacts);
    TempFolder folder("corvane-wab-out");
    const std::string missing = folder.Join("no such folder\\white.txt");
    EXPECT_EQ(config.Call("ImportOutlookExpressWhiteList", missing), 255);
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(FileExists(folder.Join("no such folder")));
    EXPECT_EQ(wab.Trace().back(), "unload objects=0 buffers=0");
  }
}

// The export enters COM for its own duration only: a thread that was not in
// an apartment is left outside, one already in another apartment stays in.
TEST(OutlookExpressWhiteList, CallersApartmentIsLeftAsFound) {
  WabPathValue value(DoublePath().c_str());
  WabDouble wab;
  wab.Contacts(kContacts);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());

  EXPECT_EQ(config.Call("ImportOutlookExpressWhiteList", wab.Output()), 255);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "thread left in COM";
  EXPECT_EQ(config.Call("ImportOutlookExpressWhiteList", wab.Output()), 255);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "caller's COM undone";
  CoUninitialize();
  CoUninitialize();
  std::string written;
  ASSERT_TRUE(ReadFileBytes(wab.Output(), written));
  EXPECT_EQ(written, "ann@example.com\r\nbo@example.org\r\nsecond@example.org\r\n");
}

// ---------------------------------------------------------------------------
// Blocked senders export

std::string CriteriaKey(const std::string& identity, const char* kind = "Mail") {
  return "Identities\\" + identity +
         "\\Software\\Microsoft\\Outlook Express\\5.0\\Block Senders\\" + kind + "\\Criteria";
}

struct BlackListRow {
  const char* what;
  std::vector<std::pair<std::string, std::string>> rules;  // criteria key + rule, Value
  std::string expected;
};

TEST(OutlookExpressBlackList, WritesEachIdentitysBlockedSendersOnce) {
  const std::string a = CriteriaKey(kIdentityA);
  const std::string b = CriteriaKey(kIdentityB);
  const BlackListRow rows[] = {
      {"no identities", {}, ""},
      {"two identities blocking the same sender",
       {{a + "\\000", "spam@bad.example"},
        {b + "\\000", "spam@bad.example"},
        {b + "\\001", "junk@bad.example"}},
       "spam@bad.example\r\njunk@bad.example\r\n"},
      {"rule without @ is dropped",
       {{a + "\\000", "bad.example"}, {a + "\\001", "x@y.z"}},
       "x@y.z\r\n"},
      {"tail of an earlier address is dropped",
       {{a + "\\000", "spam@bad.example"}, {a + "\\001", "m@bad.example"}},
       "spam@bad.example\r\n"},
      {"only mail rules count",
       {{CriteriaKey(kIdentityA, "News") + "\\000", "news@bad.example"}},
       ""},
      {"rule without Value is skipped",
       {{a + "\\000|Other", "no@value.example"}, {a + "\\001", "ok@bad.example"}},
       "ok@bad.example\r\n"},
  };
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const BlackListRow& row : rows) {
    ScratchKey identities("Identities");
    for (const auto& rule : row.rules) {
      const std::string::size_type bar = rule.first.find('|');
      const std::string key = rule.first.substr(0, bar);
      const std::string name = bar == std::string::npos ? "Value" : rule.first.substr(bar + 1);
      ASSERT_TRUE(SetText(HKEY_CURRENT_USER, key, name, rule.second));
    }
    TempFolder folder("corvane-black");
    const std::string output = folder.Join("black.txt");
    ASSERT_TRUE(WriteFileBytes(output, "old@list.example\r\n"));
    ClearLog();
    EXPECT_EQ(config.Call("ImportOutlookExpressBlackList", output), 1) << row.what;
    std::string written;
    EXPECT_TRUE(ReadFileBytes(output, written)) << row.what;
    EXPECT_EQ(written, row.expected) << row.what;
    EXPECT_EQ(ReadLog(), "") << row.what;
  }
  ClearLog();
}

TEST(OutlookExpressBlackList, OutputInAMissingFolderStillReturnsOne) {
  ScratchKey identities("Identities");
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, CriteriaKey(kIdentityA) + "\\000", "Value", "a@b.c"));
  TempFolder folder("corvane-black");
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  const std::string missing = folder.Join("gone\\black.txt");
  EXPECT_EQ(config.Call("ImportOutlookExpressBlackList", missing), 1);
  EXPECT_FALSE(FileExists(missing));
}

// The host tool end to end: set and reset, then both lists through the test
// address book and the identities' rules.
TEST(OutlookExpressHostTool, SetsResetsAndExportsBothLists) {
  OutlookExpressStores stores;
  PutLoggedStore(stores);
  ASSERT_TRUE(
      SetText(HKEY_CURRENT_USER, CriteriaKey(kIdentityA) + "\\000", "Value", "spam@bad.example"));
  WabPathValue value(DoublePath().c_str());
  WabDouble wab;
  wab.Contacts(kContacts);
  const std::string tool = "\"" + ProgramFolder() + "\\corvane-config.exe\" ";
  std::string output;

  RunProgram(tool + "set outlook-express 127.0.0.1", output);
  EXPECT_NE(output.find("= 255"), std::string::npos) << output;
  EXPECT_EQ(Bytes(AccountKey(kIdentityA, "00000001"), "IMAP User Name"), "bob@imap.b.org");
  EXPECT_EQ(Bytes(AccountKey(kIdentityA, "00000001"), "IMAP Server"), "127.0.0.1");
  EXPECT_EQ(Bytes(AccountKey(nullptr, "00000001"), "POP3 User Name"), "alice@pop.a.com");

  RunProgram(tool + "reset outlook-express 127.0.0.1", output);
  EXPECT_NE(output.find("= 255"), std::string::npos) << output;
  EXPECT_EQ(Bytes(AccountKey(nullptr, "00000001"), "POP3 User Name"), "alice");
  EXPECT_EQ(Bytes(AccountKey(nullptr, "00000001"), "POP3 Server"), "pop.a.com");
  EXPECT_EQ(Bytes(AccountKey(kIdentityA, "00000001"), "IMAP Server"), "imap.b.org");

  RunProgram(tool + "import outlook-express white \"" + wab.Output() + "\"", output);
  EXPECT_NE(output.find("= 255"), std::string::npos) << output;
  std::string written;
  EXPECT_TRUE(ReadFileBytes(wab.Output(), written));
  EXPECT_EQ(written, "ann@example.com\r\nbo@example.org\r\nsecond@example.org\r\n");

  TempFolder folder("corvane-black");
  RunProgram(tool + "import outlook-express black \"" + folder.Join("black.txt") + "\"", output);
  EXPECT_NE(output.find("= 1"), std::string::npos) << output;
  EXPECT_TRUE(ReadFileBytes(folder.Join("black.txt"), written));
  EXPECT_EQ(written, "spam@bad.example\r\n");
}

}  // namespace
