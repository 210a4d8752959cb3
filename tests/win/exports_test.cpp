// The exported functions seen from a host program: ordinals, the refusal of
// an empty proxy address, and the logging switch read at load time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestSupport.h"

using namespace wintest;

namespace {

struct ExportRow {
  int ordinal;
  const char* name;
};

const ExportRow kExportTable[] = {
    {1, "SetOutlook"},
    {2, "ResetOutlook"},
    {3, "SetOutlookExpress"},
    {4, "ResetOutlookExpress"},
    {5, "SetOpera"},
    {6, "ResetOpera"},
    {7, "SetNetscape"},
    {8, "ResetNetscape"},
    {9, "SetEudora"},
    {10, "ResetEudora"},
    {11, "ImportOutlookExpressBlackList"},
    {12, "ImportOutlookExpressWhiteList"},
    {13, "ImportEudoraWhiteList"},
    {14, "ImportOperaWhiteList"},
    {15, "ImportOutlookWhiteList"},
    {16, "ImportNetscapeWhiteList"},
};

TEST(Exports, EveryOrdinalResolvesToTheFunctionOfItsName) {
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const ExportRow& row : kExportTable) {
    FARPROC by_name = GetProcAddress(config.module(), row.name);
    FARPROC by_ordinal = GetProcAddress(config.module(), MAKEINTRESOURCEA(row.ordinal));
    ASSERT_NE(by_name, nullptr) << row.name;
    EXPECT_EQ(by_name, by_ordinal) << row.name << " @" << row.ordinal;
  }
  EXPECT_EQ(GetProcAddress(config.module(), MAKEINTRESOURCEA(17)), nullptr);
}

const char* const kSetAndReset[] = {"SetOutlook",    "ResetOutlook",    "SetOutlookExpress",
                                    "ResetOutlookExpress", "SetOpera", "ResetOpera",
                                    "SetNetscape",   "ResetNetscape",   "SetEudora",
                                    "ResetEudora"};

TEST(Exports, EmptyProxyAddressIsRefusedWithTwoAndLogged) {
  ClearLog();
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const char* name : kSetAndReset) {
    ClearLog();
    EXPECT_EQ(config.Call(name, ""), 2) << name;
    EXPECT_EQ(ReadLog(), "BaseException : Invalid IP Address specified.\r\n") << name;
  }
  ClearLog();
}

TEST(Exports, NullArgumentIsTakenAsEmpty) {
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  CorvaneConfigFunction set_opera =
      reinterpret_cast<CorvaneConfigFunction>(
          reinterpret_cast<void*>(GetProcAddress(config.module(), "SetOpera")));
  EXPECT_EQ(set_opera(nullptr), 2);
}

// The Logging value switches the log on by its existence alone, whatever
// its type or data; without it nothing touches the file system.
struct LoggingRow {
  const char* what;
  DWORD type;
  std::string data;  // empty type 0 = no value at all
  bool expect_log;
};

TEST(LoadHook, LoggingValueDecidesAtLoad) {
  const std::string key = "Software\\Vantrel\\Corvane";
  const LoggingRow rows[] = {
      {"REG_DWORD 0", REG_DWORD, std::string("\0\0\0\0", 4), true},
      {"REG_SZ empty", REG_SZ, std::string("\0", 1), true},
      {"REG_SZ text", REG_SZ, std::string("no\0", 3), true},
      {"REG_BINARY of no bytes", REG_BINARY, std::string(), true},
      {"no value", 0, std::string(), false},
  };
  LoggingValue restore(false);
  for (const LoggingRow& row : rows) {
    ClearLog();
    LoggingValue off(false);
    if (row.type != 0) {
      ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, key, "Logging", row.type, row.data.data(),
                         static_cast<DWORD>(row.data.size())));
    }
    {
      LoadedConfig config;
      ASSERT_TRUE(config.ok());
      EXPECT_EQ(config.Call("SetEudora", ""), 2);
    }
    EXPECT_EQ(FileExists(ConfigLogPath()), row.expect_log) << row.what;
  }
  ClearLog();
}

// The DACL of one registry key replaced, for the life of the object, by one
// that denies everybody the reading of values (and allows all else, so that
// the original can be put back); ok() is false when the key's security
// cannot be read or written.
class ValueReadDenied {
 public:
  ValueReadDenied(HKEY root, const std::string& key) : key_(nullptr) {
    if (RegOpenKeyExA(root, key.c_str(), 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    original_.resize(size);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    std::vector<BYTE> acl(256);
    SECURITY_DESCRIPTOR denying;
    const bool ready =
        size != 0 &&
        RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size) ==
            ERROR_SUCCESS &&
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone) &&
        InitializeAcl(reinterpret_cast<PACL>(acl.data()), static_cast<DWORD>(acl.size()),
                      ACL_REVISION) &&
        AddAccessDeniedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, KEY_QUERY_VALUE,
                           everyone) &&
        AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, KEY_ALL_ACCESS,
                            everyone) &&
        InitializeSecurityDescriptor(&denying, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&denying, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE) &&
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &denying) == ERROR_SUCCESS;
    if (everyone != nullptr) FreeSid(everyone);
    if (!ready) {
      RegCloseKey(key_);
      key_ = nullptr;
    }
  }
  ~ValueReadDenied() {
    if (key_ == nullptr) return;
    RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data());
    RegCloseKey(key_);
  }
  ValueReadDenied(const ValueReadDenied&) = delete;
  ValueReadDenied& operator=(const ValueReadDenied&) = delete;
  bool ok() const { return key_ != nullptr; }

 private:
  HKEY key_;
  std::vector<BYTE> original_;
};

// The product's key exists with a "Logging" value, but its values may not be
// read: logging stays off.
TEST(LoadHook, DeniedReadLeavesLoggingOff) {
  ClearLog();
  const std::string key = "Software\\Vantrel\\Corvane";
  LoggingValue on(true);
  {
    ValueReadDenied denied(HKEY_CURRENT_USER, key);
    ASSERT_TRUE(denied.ok());
    HKEY probe = nullptr;
    const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &probe);
    if (opened == ERROR_SUCCESS) RegCloseKey(probe);
    ASSERT_EQ(opened, ERROR_ACCESS_DENIED) << "the denying DACL is not enforced here";
    {
      LoadedConfig config;
      ASSERT_TRUE(config.ok());
      EXPECT_EQ(config.Call("SetEudora", ""), 2);
    }
    EXPECT_FALSE(FileExists(ConfigLogPath()));
  }
  {  // the same value, readable again: logging on
    LoadedConfig config;
    EXPECT_EQ(config.Call("SetEudora", ""), 2);
  }
  EXPECT_TRUE(FileExists(ConfigLogPath()));
  ClearLog();
}

TEST(LoadHook, LoggingValueUnderLocalMachineOnlyHasNoEffect) {
  ClearLog();
  LoggingValue off(false);
  const std::string key = "Software\\Vantrel\\Corvane";
  ASSERT_TRUE(SetDword(HKEY_LOCAL_MACHINE, key, "Logging", 1));
  {
    LoadedConfig config;
    EXPECT_EQ(config.Call("SetOpera", ""), 2);
  }
  DeleteTree(HKEY_LOCAL_MACHINE, key);
  EXPECT_FALSE(FileExists(ConfigLogPath()));
}

TEST(LoadHook, ValueChangedAfterLoadHasNoEffectUntilNextLoad) {
  ClearLog();
  LoggingValue off(false);
  LoadedConfig config;
  {
    LoggingValue on(true);
    EXPECT_EQ(config.Call("SetOpera", ""), 2);
  }
  EXPECT_FALSE(FileExists(ConfigLogPath()));
}

TEST(ConfigLogFile, IsAppendedAndNeverTruncated) {
  ASSERT_TRUE(WriteFileBytes(ConfigLogPath(), "earlier line\r\n"));
  {
    LoggingValue on(true);
    LoadedConfig config;
    EXPECT_EQ(config.Call("ResetNetscape", ""), 2);
    EXPECT_EQ(config.Call("SetNetscape", ""), 2);
  }
  EXPECT_EQ(ReadLog(),
            "earlier line\r\n"
            "BaseException : Invalid IP Address specified.\r\n"
            "BaseException : Invalid IP Address specified.\r\n");
  ClearLog();
}

}  // namespace
