// Bad registry data through the exports: values of the wrong type, UTF-16
// values without their zero unit or of odd length, key names of the
// registry's full length, and ten thousand accounts.  Each row states the
// result code, the log lines that must appear, and every value afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const std::string kSharedAccounts = "Software\\Microsoft\\Internet Account Manager\\Accounts";
const std::string kProfilesNT =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
const std::string kSection = "9375CFF0413111d3B88A00104B2A6676";

// Every account store of Outlook Express and Outlook removed when
// constructed and again when destroyed.
class NoAccountKeys {
 public:
  NoAccountKeys()
      : shared_("Software\\Microsoft\\Internet Account Manager"),
        identities_("Identities"),
        office8_("Software\\Microsoft\\Office\\8.0\\Outlook"),
        office_("Software\\Microsoft\\Office\\Outlook"),
        messaging9x_("Software\\Microsoft\\Windows Messaging Subsystem"),
        messagingNT_("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem") {}

 private:
  ScratchKey shared_, identities_, office8_, office_, messaging9x_, messagingNT_;
};

struct Value {
  DWORD type;
  std::string bytes;
};
Value Sz(const std::string& text) { return {REG_SZ, text}; }
// A text as the library writes it: Wine's RegSetValueExA adds the NUL.
Value Written(const std::string& text) { return {REG_SZ, text + '\0'}; }
Value Binary(const std::string& bytes) { return {REG_BINARY, bytes}; }
Value Dword(DWORD number) { return {REG_DWORD, std::string(reinterpret_cast<char*>(&number), 4)}; }
std::string Utf16(const std::string& text) {
  std::string bytes;
  for (char c : text) bytes += std::string(1, c) + '\0';
  return bytes;
}
const std::string kZeroUnit(2, '\0');

void Put(const std::string& key, const std::string& name, const Value& value) {
  ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, key, name, value.type, value.bytes.data(),
                     static_cast<DWORD>(value.bytes.size())));
}

void ExpectValue(const std::string& key, const std::string& name, const Value& expected) {
  const RawValue now = GetRaw(HKEY_CURRENT_USER, key, name);
  ASSERT_TRUE(now.exists) << name;
  EXPECT_EQ(now.type, expected.type) << name;
  EXPECT_TRUE(now.bytes == expected.bytes) << name << ": \"" << now.bytes << "\"";
}

// One account with a user name and a server value, before and after a call.
struct AccountRow {
  const char* what;
  const char* export_name;
  const char* user_name;    // value names
  const char* server_name;
  Value user;
  Value server;
  int result;
  std::string log_line;     // must be in the log
  Value user_after;
  Value server_after;
};

// Outlook Express accounts (REG_SZ texts, read with the registry's text
// reading: a REG_DWORD gives its bytes up to the first NUL).
const AccountRow kOutlookExpressTable[] = {
    {"server stored as REG_DWORD 49 reads as \"1\"", "SetOutlookExpress", "POP3 User Name",
     "POP3 Server", Sz("joe"), Dword(49), 255, "POP3 OE profile settings updated",
     Written("joe@1"), Written(kProxy)},
    {"user name stored as REG_DWORD 0 reads as empty", "SetOutlookExpress", "POP3 User Name",
     "POP3 Server", Dword(0), Sz("pop.example.com"), 255, "POP3 OE profile settings updated",
     Written("@pop.example.com"), Written(kProxy)},
    {"user name stored as REG_BINARY without a NUL", "SetOutlookExpress", "POP3 User Name",
     "POP3 Server", Binary("joe"), Sz("pop.example.com"), 255,
     "POP3 OE profile settings updated", Written("joe@pop.example.com"), Written(kProxy)},
    {"user name of 4000 characters", "SetOutlookExpress", "POP3 User Name", "POP3 Server",
     Sz(std::string(4000, 'j')), Sz("pop.example.com"), 255, "POP3 OE profile settings updated",
     Written(std::string(4000, 'j') + "@pop.example.com"), Written(kProxy)},
    {"restore of a REG_DWORD user name without \"@\"", "ResetOutlookExpress", "POP3 User Name",
     "POP3 Server", Dword(0x41), Sz(kProxy), 255,
     "POP3 OE profile settings unchanged(may already be restored)", Dword(0x41), Written(kProxy)},
    {"restore of a REG_DWORD user name that reads \"@\"", "ResetOutlookExpress",
     "POP3 User Name", "POP3 Server", Dword(0x40), Sz(kProxy), 255,
     "POP3 OE profile settings updated", Sz(""), Sz("")},
};

TEST(BadInputRegistry, OutlookExpressValuesOfTheWrongType) {
  for (const AccountRow& row : kOutlookExpressTable) {
    SCOPED_TRACE(row.what);
    NoAccountKeys clean;
    const std::string key = kSharedAccounts + "\\00000001";
    Put(key, row.user_name, row.user);
    Put(key, row.server_name, row.server);
    const LoggedRun run = CallLogged(row.export_name, kProxy);
    EXPECT_EQ(run.result, row.result);
    EXPECT_TRUE(HasLine(run.log, row.log_line)) << row.log_line;
    ExpectValue(key, row.user_name, row.user_after);
    ExpectValue(key, row.server_name, row.server_after);
  }
}

// Outlook profile accounts (REG_BINARY UTF-16 texts with a zero unit).
const AccountRow kOutlookProfileTable[] = {
    {"server without its zero unit", "SetOutlook", "POP3 User", "POP3 Server",
     Binary(Utf16("joe") + kZeroUnit), Binary(Utf16("pop.example.com")), 255,
     "Outlook Profile changed", Binary(Utf16("joe@pop.example.com") + kZeroUnit),
     Binary(Utf16(kProxy) + kZeroUnit)},
    {"server of odd length", "SetOutlook", "POP3 User", "POP3 Server",
     Binary(Utf16("joe") + kZeroUnit), Binary(Utf16("pop.example.com") + "x"), 255,
     "Outlook Profile changed", Binary(Utf16("joe@pop.example.com") + kZeroUnit),
     Binary(Utf16(kProxy) + kZeroUnit)},
    {"server of one byte", "SetOutlook", "POP3 User", "POP3 Server",
     Binary(Utf16("joe") + kZeroUnit), Binary("p"), 255, "Unable to read ProfileServerName",
     Binary(Utf16("joe") + kZeroUnit), Binary("p")},
    {"server stored as 8-bit REG_SZ", "SetOutlook", "POP3 User", "POP3 Server",
     Binary(Utf16("joe") + kZeroUnit), Sz("pop.example.com"), 255, "Outlook Profile changed",
     Binary(Utf16("joe@") + kZeroUnit), Binary(Utf16(kProxy) + kZeroUnit)},
    {"user name stored as REG_DWORD (first unit above 255: empty)", "SetOutlook", "POP3 User", "POP3 Server", Dword(0x6f6a),
     Binary(Utf16("pop.example.com") + kZeroUnit), 255, "Outlook Profile changed",
     Binary(Utf16("@pop.example.com") + kZeroUnit), Binary(Utf16(kProxy) + kZeroUnit)},
    {"user name that begins with a zero unit", "SetOutlook", "POP3 User", "POP3 Server",
     Binary(kZeroUnit + Utf16("joe")), Binary(Utf16("pop.example.com") + kZeroUnit), 255,
     "Outlook Profile unchanged(may already be configured.)", Binary(kZeroUnit + Utf16("joe")),
     Binary(Utf16("pop.example.com") + kZeroUnit)},
};

TEST(BadInputRegistry, OutlookProfileValuesOfTheWrongTypeOrShape) {
  for (const AccountRow& row : kOutlookProfileTable) {
    SCOPED_TRACE(row.what);
    NoAccountKeys clean;
    const std::string key = kProfilesNT + "\\Outlook\\" + kSection + "\\00000002";
    Put(key, row.user_name, row.user);
    Put(key, row.server_name, row.server);
    const LoggedRun run = CallLogged(row.export_name, kProxy);
    EXPECT_EQ(run.result, row.result);
    EXPECT_TRUE(HasLine(run.log, row.log_line)) << row.log_line;
    ExpectValue(key, row.user_name, row.user_after);
    ExpectValue(key, row.server_name, row.server_after);
  }
}

// Key names as long as the path allows, for an account and for an identity:
// found, rewritten and restored.  The registry takes names of 255
// characters, but Wine's ANSI registry functions (which the library uses)
// take paths of at most 260 characters, so the names fill the path to 260.
TEST(BadInputRegistry, KeyNamesOfFullLength) {
  NoAccountKeys clean;
  const std::size_t kPath = 260;
  const std::string tail = "\\" + kSharedAccounts + "\\00000001";
  const std::string keys[] = {
      kSharedAccounts + "\\" + std::string(kPath - kSharedAccounts.size() - 1, 'a'),
      "Identities\\{" + std::string(kPath - 13 - tail.size(), 'i') + "}" + tail,
  };
  for (const std::string& key : keys) ASSERT_EQ(key.size(), kPath);
  for (const std::string& key : keys) {
    Put(key, "POP3 User Name", Sz("joe"));
    Put(key, "POP3 Server", Sz("pop.example.com"));
  }
  EXPECT_EQ(CallLogged("SetOutlookExpress", kProxy).result, 255);
  for (const std::string& key : keys) {
    ExpectValue(key, "POP3 User Name", Written("joe@pop.example.com"));
    ExpectValue(key, "POP3 Server", Written(kProxy));
  }
  EXPECT_EQ(CallLogged("ResetOutlookExpress", kProxy).result, 255);
  for (const std::string& key : keys) {
    ExpectValue(key, "POP3 User Name", Written("joe"));
    ExpectValue(key, "POP3 Server", Written("pop.example.com"));
  }
}

// Ten thousand Outlook Express accounts are all rewritten and restored.
TEST(BadInputRegistry, TenThousandAccounts) {
  NoAccountKeys clean;
  const int kAccounts = 10000;
  char name[16];
  for (int i = 0; i < kAccounts; ++i) {
    std::snprintf(name, sizeof name, "%08d", i);
    const std::string key = kSharedAccounts + "\\" + name;
    Put(key, "POP3 User Name", Sz("user" + std::to_string(i)));
    Put(key, "POP3 Server", Sz("pop" + std::to_string(i) + ".example.com"));
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CallLogged("SetOutlookExpress", kProxy).result, 255);
  const auto set_done = std::chrono::steady_clock::now();
  for (int i = 0; i < kAccounts; i += 997) {
    std::snprintf(name, sizeof name, "%08d", i);
    const std::string key = kSharedAccounts + "\\" + name;
    ExpectValue(key, "POP3 User Name",
                Written("user" + std::to_string(i) + "@pop" + std::to_string(i) + ".example.com"));
    ExpectValue(key, "POP3 Server", Written(kProxy));
  }
  EXPECT_EQ(CallLogged("ResetOutlookExpress", kProxy).result, 255);
  const auto reset_done = std::chrono::steady_clock::now();
  for (int i = 0; i < kAccounts; ++i) {
    std::snprintf(name, sizeof name, "%08d", i);
    const std::string key = kSharedAccounts + "\\" + name;
    ExpectValue(key, "POP3 User Name", Written("user" + std::to_string(i)));
    ExpectValue(key, "POP3 Server", Written("pop" + std::to_string(i) + ".example.com"));
  }
  using std::chrono::milliseconds;
  std::printf("10000 accounts: set %lld ms, reset %lld ms (logging on)\n",
              static_cast<long long>(
                  std::chrono::duration_cast<milliseconds>(set_done - start).count()),
              static_cast<long long>(
                  std::chrono::duration_cast<milliseconds>(reset_done - set_done).count()));
}

}  // namespace
