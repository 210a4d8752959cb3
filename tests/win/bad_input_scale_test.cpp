// Size and shape through the exports: a 50 MB address book, ten thousand
// accounts in one client file, a folder tree that loops back on itself, and
// output paths that cannot be created.  The times are printed.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";


// A folder below Application Data ("Mozilla", "Opera"...), removed when
// constructed and again when destroyed.
class ClientFolder {
 public:
  explicit ClientFolder(const std::string& name) : path_(AppDataFolder() + "\\" + name) {
    RemoveTree(path_);
  }
  ~ClientFolder() { RemoveTree(path_); }
  ClientFolder(const ClientFolder&) = delete;
  ClientFolder& operator=(const ClientFolder&) = delete;
  std::string Join(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

// Milliseconds since construction.
class Stopwatch {
 public:
  long long Ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now() - start_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::string Numbered(const char* format, int n) {
  char text[64];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

std::string Read(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

// 50 MB of Mork rows: 20 000 address cells (fixed width, so no address is
// part of another) among filler cells without dots.
TEST(BadInputScale, FiftyMegabyteAddressBook) {
  ClientFolder mozilla("Mozilla");
  TempFolder out("corvane-scale-out");
  const std::string book = mozilla.Join("Profiles\\a.default\\abook.mab");
  const int kAddresses = 20000;
  const std::size_t kSize = 50u << 20;
  std::string bytes = "// <!-- <mdb:mork:z v=\"1.4\"/> -->\r\n";
  std::string expected;
  const std::string filler = "(A1=" + std::string(2500, 'f') + ")\r\n";
  const std::size_t step = kSize / kAddresses;
  bytes.reserve(kSize + 4096);
  for (int i = 0; i < kAddresses; ++i) {
    const std::string address = Numbered("user%06d@example.com", i);
    expected += address + "\r\n";
    bytes += "[" + Numbered("%X", i) + "(^81=" + address + ")]\r\n";
    while (bytes.size() < step * (i + 1)) bytes += filler;
  }
  while (bytes.size() < kSize) bytes += filler;
  ASSERT_GE(bytes.size(), kSize);
  ASSERT_TRUE(WriteFileBytes(book, bytes));
  bytes.clear();
  bytes.shrink_to_fit();

  LoadedConfig config;
  const Stopwatch watch;
  EXPECT_EQ(config.Call("ImportNetscapeWhiteList", out.Join("list.txt")), 255);
  const long long ms = watch.Ms();
  const std::string list = Read(out.Join("list.txt"));
  EXPECT_EQ(list.size(), expected.size());
  EXPECT_TRUE(list == expected);
  std::printf("50 MB address book, 20000 addresses: %lld ms\n", ms);
  DeleteFileA(book.c_str());
}

// prefs.js with 1 000 POP3 accounts: all rewritten, and restored to the
// original bytes.  Not 10 000: every account's preferences are looked up with
// a pattern over the whole file, so the time grows with the square of the
// accounts (10 000 took more than four minutes).
TEST(BadInputScale, AThousandAccountsInOnePreferenceFile) {
  ClientFolder mozilla("Mozilla");
  const std::string file = mozilla.Join("Profiles\\a.default\\prefs.js");
  const int kAccounts = 1000;
  std::string original = "# Mozilla User Preferences\r\n\r\n";
  for (int i = 1; i <= kAccounts; ++i) {
    const std::string prefix = "user_pref(\"mail.server.server" + std::to_string(i) + ".";
    original += prefix + "hostname\", \"pop" + std::to_string(i) + ".example.com\");\r\n";
    original += prefix + "type\", \"pop3\");\r\n";
    original += prefix + "userName\", \"user" + std::to_string(i) + "\");\r\n";
  }
  ASSERT_TRUE(WriteFileBytes(file, original));
  LoadedConfig config;
  const Stopwatch watch;
  EXPECT_EQ(config.Call("SetNetscape", kProxy), 255);
  const long long set_ms = watch.Ms();
  const std::string configured = Read(file);
  EXPECT_NE(configured.find("user_pref(\"mail.server.server1000.userName\", "
                            "\"user1000@pop1000.example.com\");"),
            std::string::npos);
  EXPECT_EQ(configured.find("example.com\");\r\nuser_pref(\"mail.server.server1000.type"),
            std::string::npos);  // the last hostname is the proxy now
  EXPECT_EQ(config.Call("ResetNetscape", kProxy), 255);
  const long long both_ms = watch.Ms();
  EXPECT_TRUE(Read(file) == original);
  std::printf("prefs.js with 1000 accounts: set %lld ms, reset %lld ms\n", set_ms,
              both_ms - set_ms);
}

// Accounts.ini with "Count" 300 and as many sections: all rewritten.  Not
// 10 000: every profile-string write makes Wine write the whole file again
// and the next read parse it again, so the time grows with the square of the
// sections (2 000 took well over a minute, 10 000 over five).
TEST(BadInputScale, ThreeHundredOpera7Sections) {
  ClientFolder opera("Opera");
  const std::string file = opera.Join("Accounts.ini");
  const int kAccounts = 300;
  std::string text = "Opera Preferences version 2.0\r\n\r\n[Accounts]\r\nCount=" +
                     std::to_string(kAccounts) + "\r\n\r\n";
  for (int i = 1; i <= kAccounts; ++i)
    text += "[Account" + std::to_string(i) + "]\r\nIncoming Servername=pop" + std::to_string(i) +
            ".example.com\r\nIncoming Protocol=POP\r\nIncoming Username=user" +
            std::to_string(i) + "\r\n\r\n";
  ASSERT_TRUE(WriteFileBytes(file, text));
  LoadedConfig config;
  const Stopwatch watch;
  EXPECT_EQ(config.Call("SetOpera", kProxy), 255);
  const long long ms = watch.Ms();
  char value[256];
  for (int i = 1; i <= kAccounts; i += 37) {
    const std::string section = "Account" + std::to_string(i);
    GetPrivateProfileStringA(section.c_str(), "Incoming Username", "", value, sizeof value,
                             file.c_str());
    EXPECT_EQ(std::string(value),
              "user" + std::to_string(i) + "@pop" + std::to_string(i) + ".example.com");
  }
  std::printf("Accounts.ini with 300 sections: set %lld ms\n", ms);
}

// ---------------------------------------------------------- folder loop


// A host symbolic link `link` -> `target` (both Windows paths), made with the
// host's ln -s (Wine starts ELF programs but hands back no process, so the
// link is awaited), removed with rm at the end.
class HostLink {
 public:
  HostLink(const std::string& target, const std::string& link) : link_(link) {
    made_ = Run("Z:\\bin\\ln -s " + UnixPath(target) + " " + UnixPath(link), true);
  }
  ~HostLink() {
    if (made_) Run("Z:\\bin\\rm -f " + UnixPath(link_), false);
  }
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;
  bool made() const { return made_; }

 private:
  bool Run(const std::string& command, bool want_link) const {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
      return false;
    if (process.hProcess) {
      WaitForSingleObject(process.hProcess, 20000);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
    for (int wait = 0; wait < 200; ++wait) {
      if (FileExists(link_) == want_link) return true;
      Sleep(100);
    }
    return false;
  }
  std::string link_;
  bool made_ = false;
};

// Opera\profile\loop -> Opera: every export that searches the folder tree
// ends, and the account file is rewritten once.
TEST(BadInputScale, FolderTreeLoopEnds) {
  ClientFolder opera("Opera");
  TempFolder out("corvane-scale-out");
  const std::string file = opera.Join("profile\\Accounts.ini");
  ASSERT_TRUE(WriteFileBytes(
      file, "[Accounts]\r\nCount=1\r\n[Account1]\r\nIncoming Servername=pop.example.com\r\n"
            "Incoming Protocol=POP\r\nIncoming Username=joe\r\n"));
  ASSERT_TRUE(WriteFileBytes(opera.Join("profile\\contacts.adr"),
                             "#CONTACT\r\n\tMAIL=ann@example.com\r\n"));
  HostLink link(opera.Join(""), opera.Join("profile\\loop"));
  ASSERT_TRUE(link.made());
  ASSERT_TRUE(FileExists(opera.Join("profile\\loop\\profile\\Accounts.ini")));  // a real loop
  LoadedConfig config;
  EXPECT_EQ(config.Call("SetOpera", kProxy), 255);
  char value[256];
  GetPrivateProfileStringA("Account1", "Incoming Username", "", value, sizeof value,
                           file.c_str());
  EXPECT_EQ(std::string(value), "joe@pop.example.com");
  EXPECT_EQ(config.Call("ImportOperaWhiteList", out.Join("list.txt")), 255);
  EXPECT_EQ(Read(out.Join("list.txt")), "ann@example.com\r\n");
}

// ---------------------------------------------------------- output paths

struct OutputRow {
  const char* export_name;
  int result;  // with no client data at all
};

// Codes with no client data present: the lists are empty, and a path that
// cannot be created is not reported.
const OutputRow kOutputTable[] = {
    {"ImportOperaWhiteList", 255},
    {"ImportNetscapeWhiteList", 255},
    {"ImportEudoraWhiteList", 255},
    {"ImportOutlookExpressBlackList", 1},
};

TEST(BadInputScale, OutputPathsThatCannotBeCreated) {
  ClientFolder opera("Opera");
  ClientFolder mozilla("Mozilla");
  ClientFolder eudora("Qualcomm\\Eudora");
  TempFolder out("corvane-scale-out");
  ASSERT_TRUE(CreateDirectoryA(out.Join("a folder").c_str(), nullptr));
  const std::string paths[] = {out.Join("missing\\list.txt"), out.Join("a folder"),
                               out.Join("bad\x01name?.txt"), ""};
  LoadedConfig config;
  for (const OutputRow& row : kOutputTable) {
    for (const std::string& path : paths) {
      SCOPED_TRACE(std::string(row.export_name) + " -> " + path);
      EXPECT_EQ(config.Call(row.export_name, path), row.result);
    }
  }
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(out.Join("*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..")
      names.push_back(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  EXPECT_EQ(names, std::vector<std::string>{"a folder"});
  EXPECT_FALSE(FileExists(out.Join("a folder\\list.txt")));
}

}  // namespace
