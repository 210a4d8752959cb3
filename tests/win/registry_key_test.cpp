// RegistryKey against Wine's real registry: each row is one observable
// behaviour of one operation.
#include <gtest/gtest.h>

#include <algorithm>

#include "WinTestSupport.h"
#include "support/RegistryKey.h"

using namespace wintest;

namespace {

const char kBase[] = "Software\\CorvaneTest\\RegistryKey";

class RegistryKeyTest : public ::testing::Test {
 protected:
  RegistryKeyTest() : scratch_(kBase), user_(HKEY_CURRENT_USER) {}
  ScratchKey scratch_;
  RegistryKey user_;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

struct ReadRow {
  const char* what;
  DWORD type;
  std::string data;
  bool expect_ok;
  std::string expect_text;
};

TEST_F(RegistryKeyTest, ReadStringTakesBytesUpToFirstNulWhateverTheType) {
  const ReadRow rows[] = {
      {"REG_SZ with NUL", REG_SZ, std::string("pop.example.com\0", 16), true, "pop.example.com"},
      {"REG_SZ without NUL", REG_SZ, "abc", true, "abc"},
      {"REG_SZ empty", REG_SZ, std::string(), true, ""},
      {"REG_DWORD 49", REG_DWORD, Bytes({49, 0, 0, 0}), true, "1"},
      {"REG_DWORD 0", REG_DWORD, Bytes({0, 0, 0, 0}), true, ""},
      {"REG_BINARY UTF-16", REG_BINARY, Bytes({'a', 0, 'b', 0}), true, "a"},
      {"REG_EXPAND_SZ", REG_EXPAND_SZ, std::string("%TEMP%\0", 7), true, "%TEMP%"},
      {"REG_MULTI_SZ", REG_MULTI_SZ, std::string("one\0two\0\0", 9), true, "one"},
  };
  for (const ReadRow& row : rows) {
    ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, kBase, "v", row.type, row.data.data(),
                       static_cast<DWORD>(row.data.size())));
    std::string text = "untouched";
    EXPECT_EQ(user_.ReadString(kBase, "v", text), row.expect_ok) << row.what;
    EXPECT_EQ(text, row.expect_text) << row.what;
  }
}

TEST_F(RegistryKeyTest, ReadFailuresLeaveTheOutArgumentAlone) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kBase, "present", "x"));
  std::string text = "untouched";
  EXPECT_FALSE(user_.ReadString(kBase, "missing", text));
  EXPECT_FALSE(user_.ReadString(std::string(kBase) + "\\NoSuchKey", "present", text));
  EXPECT_FALSE(user_.ReadBinaryString(kBase, "missing", text));
  EXPECT_FALSE(user_.ReadBinaryString(std::string(kBase) + "\\NoSuchKey", "present", text));
  EXPECT_EQ(text, "untouched");
}

TEST_F(RegistryKeyTest, EmptyValueNameReadsTheDefaultValue) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kBase, "", "default text"));
  std::string text;
  EXPECT_TRUE(user_.ReadString(kBase, "", text));
  EXPECT_EQ(text, "default text");
}

TEST_F(RegistryKeyTest, ReadBinaryStringNarrowsUtf16) {
  const ReadRow rows[] = {
      {"text and zero unit", REG_BINARY, Bytes({'j', 0, 'o', 0, 'e', 0, 0, 0}), true, "joe"},
      {"no zero unit", REG_BINARY, Bytes({'j', 0, 'o', 0}), true, "jo"},
      {"odd length", REG_BINARY, Bytes({'j', 0, 'o', 0, 'e'}), true, "jo"},
      {"starts with zero unit", REG_BINARY, Bytes({0, 0, 'x', 0}), false, "untouched"},
      {"empty data", REG_BINARY, std::string(), false, "untouched"},
      {"first unit above 255", REG_BINARY, Bytes({0xAC, 0x20, 'a', 0}), true, ""},
      {"unit above 255 ends it", REG_BINARY, Bytes({'a', 0, 0xAC, 0x20, 'b', 0}), true, "a"},
      {"Latin-1 unit kept", REG_BINARY, Bytes({0xE9, 0, 0, 0}), true, "\xE9"},
      {"type not examined", REG_SZ, Bytes({'h', 0, 'i', 0, 0, 0}), true, "hi"},
  };
  for (const ReadRow& row : rows) {
    ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, kBase, "b", row.type, row.data.data(),
                       static_cast<DWORD>(row.data.size())));
    std::string text = "untouched";
    EXPECT_EQ(user_.ReadBinaryString(kBase, "b", text), row.expect_ok) << row.what;
    EXPECT_EQ(text, row.expect_text) << row.what;
  }
}

// The size passed is the text's length without a NUL; Windows NT's
// RegSetValueExA (and Wine's) then counts the NUL that follows the data
// itself, so what is stored is the text and one NUL; an empty text stays
// empty.
TEST_F(RegistryKeyTest, WriteStringStoresRegSz) {
  const struct {
    const char* text;
    std::string stored;
  } rows[] = {
      {"abc", std::string("abc\0", 4)},
      {"", ""},
      {"user@pop.example.com", std::string("user@pop.example.com\0", 21)},
  };
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kBase, "seed", "x"));
  for (const auto& row : rows) {
    EXPECT_TRUE(user_.WriteString(kBase, "w", row.text, false)) << row.text;
    RawValue raw = GetRaw(HKEY_CURRENT_USER, kBase, "w");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.bytes, row.stored) << row.text;
  }
}

TEST_F(RegistryKeyTest, WriteBinaryStringStoresUtf16AndOneZeroUnit) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kBase, "seed", "x"));
  EXPECT_TRUE(user_.WriteBinaryString(kBase, "w", "abc", false));
  RawValue raw = GetRaw(HKEY_CURRENT_USER, kBase, "w");
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(raw.bytes, Bytes({'a', 0, 'b', 0, 'c', 0, 0, 0}));

  // An empty text is not written at all.
  EXPECT_FALSE(user_.WriteBinaryString(kBase, "empty", "", false));
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, kBase, "empty").exists);

  // Every byte counts, an embedded NUL included.
  EXPECT_TRUE(user_.WriteBinaryString(kBase, "nul", std::string("a\0b", 3), false));
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, kBase, "nul").bytes, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}));
}

TEST_F(RegistryKeyTest, BinaryRoundTripStopsAtCharactersMappedAbove255) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kBase, "seed", "x"));
  const UINT code_page = GetACP();
  const struct {
    std::string written;
    std::string read;
  } rows[] = {
      {"joe@pop.example.com", "joe@pop.example.com"},
      {"caf\xE9", "caf\xE9"},                         // 0xE9 maps to U+00E9 in 1252
      {"ab\x80" "cd", code_page == 1252 ? "ab" : ""}, // 0x80 maps to U+20AC in 1252
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(user_.WriteBinaryString(kBase, "rt", row.written, false));
    std::string text = "untouched";
    ASSERT_TRUE(user_.ReadBinaryString(kBase, "rt", text));
    if (code_page == 1252 || row.read != "") { EXPECT_EQ(text, row.read) << row.written; }
  }
}

TEST_F(RegistryKeyTest, CreateFlagDecidesWhetherMissingKeysAreMade) {
  const std::string deep = std::string(kBase) + "\\Parent\\Child";
  EXPECT_FALSE(user_.WriteString(deep, "v", "x", false));
  EXPECT_FALSE(user_.WriteBinaryString(deep, "v", "x", false));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(kBase) + "\\Parent"));

  EXPECT_TRUE(user_.WriteString(deep, "v", "x", true));
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, deep, "v").bytes, std::string("x\0", 2));
  EXPECT_TRUE(user_.WriteBinaryString(deep + "\\Binary", "v", "x", true));
  EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, deep + "\\Binary", "v").bytes, Bytes({'x', 0, 0, 0}));
}

TEST_F(RegistryKeyTest, EnumerateSubKeys) {
  std::vector<std::string> names = {"stale"};
  // A missing key: false, and the list is left as it was.
  EXPECT_FALSE(user_.EnumerateSubKeys(kBase, names));
  EXPECT_EQ(names, std::vector<std::string>{"stale"});

  // A key without sub keys: true and empty.
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kBase, "v", "x"));
  EXPECT_TRUE(user_.EnumerateSubKeys(kBase, names));
  EXPECT_TRUE(names.empty());

  // Every sub key, by name.
  const std::string long_name(200, 'k');
  for (const std::string& sub : {std::string("00000001"), std::string("00000002"), long_name})
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, std::string(kBase) + "\\" + sub, "v", "x"));
  EXPECT_TRUE(user_.EnumerateSubKeys(kBase, names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"00000001", "00000002", long_name}));
}

TEST_F(RegistryKeyTest, RootItselfIsTheEmptyPath) {
  RegistryKey base_key(HKEY_CURRENT_USER);
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &opened, nullptr),
            ERROR_SUCCESS);
  RegistryKey rooted(opened);
  EXPECT_TRUE(rooted.WriteString("", "at-root", "yes", false));
  std::string text;
  EXPECT_TRUE(rooted.ReadString("", "at-root", text));
  EXPECT_EQ(text, "yes");
  RegCloseKey(opened);
}

}  // namespace
