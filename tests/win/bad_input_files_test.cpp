// Bad client files through the exports: junk, empty files, NUL bytes, values
// longer than the read buffers, files held or locked by another program,
// and output paths that cannot be created.  Each row states the result
// code, the log lines that must appear, and the client file's bytes after
// the call (most often the bytes before it); no other file may appear.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ClientFiles.h"
#include "WinTestSupport.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const char kSame[] = "\x01same";  // expected bytes: those written before the call

// What another program does to the client file during the call.
enum class Holder {
  kNone,
  kExclusive,     // open without any sharing
  kReadOnly,      // not held; the read-only attribute set
};

// Applies a Holder to a file for the life of the object.
class HeldClientFile {
 public:
  HeldClientFile(const std::string& path, Holder holder) : handle_(INVALID_HANDLE_VALUE) {
    if (holder == Holder::kExclusive) {
      handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << path;
    } else if (holder == Holder::kReadOnly) {
      EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << path;
    }
  }
  ~HeldClientFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);  // releases the lock too
  }
  HeldClientFile(const HeldClientFile&) = delete;
  HeldClientFile& operator=(const HeldClientFile&) = delete;

 private:
  HANDLE handle_;
};

// Deterministic junk: every byte value, NULs and line ends included.
std::string Junk(std::size_t size) {
  std::string bytes(size, '\0');
  unsigned state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  return bytes;
}

std::string Pref(int n, const std::string& name, const std::string& value) {
  return "user_pref(\"mail.server.server" + std::to_string(n) + "." + name + "\", \"" + value +
         "\");\r\n";
}

const std::string kPrefsHeader = "# Mozilla User Preferences\r\n\r\n";
const std::string kPrefsPop = kPrefsHeader + Pref(1, "hostname", "pop.example.com") +
                              Pref(1, "type", "pop3") + Pref(1, "userName", "joe");
const std::string kPrefsPopSet = kPrefsHeader + Pref(1, "hostname", kProxy) +
                                 Pref(1, "type", "pop3") +
                                 Pref(1, "userName", "joe@pop.example.com");
const std::string kNul(1, '\0');

const std::string kLongHost = std::string(3000, 'h') + ".example.com";
const std::string kLongUser = std::string(1500, 'u');

std::string Opera7(const std::string& user, const std::string& server) {
  return "Opera Preferences version 2.0\r\n\r\n[Accounts]\r\nCount=1\r\n\r\n[Account1]\r\n"
         "Incoming Servername=" + server + "\r\nIncoming Protocol=POP\r\n"
         "Incoming Username=" + user + "\r\n";
}

const char kPrefs[] = "Mozilla\\Profiles\\a.default\\prefs.js";
const char kAbook[] = "Mozilla\\Profiles\\a.default\\abook.mab";
const char kAccounts[] = "Opera\\Accounts.ini";
const char kContacts[] = "Opera\\contacts.adr";
const char kEudoraIni[] = "Qualcomm\\Eudora\\Eudora.ini";
const char kNicknames[] = "Qualcomm\\Eudora\\NNdbase.txt";

struct FileRow {
  const char* what;
  const char* file;  // below Application Data
  std::string bytes;
  Holder holder;
  const char* export_name;
  int result;
  std::vector<std::string> log_has;  // each must be a line of the log
  std::string after;                 // the file's bytes after the call, or kSame
  std::string output;                // the list written by an Import export
};

const std::string kMabHeader = "// <!-- <mdb:mork:z v=\"1.4\"/> -->\r\n";

const FileRow kFileTable[] = {
    // prefs.js
    {"prefs.js of junk", kPrefs, Junk(4096), Holder::kNone, "SetNetscape", 1,
     {"Preference file has no mail server settings."}, kSame, ""},
    {"prefs.js of 0 bytes", kPrefs, "", Holder::kNone, "SetNetscape", 1,
     {"Preference file has no mail server settings."}, kSame, ""},
    {"prefs.js with a NUL byte before the accounts (read up to it)", kPrefs,
     kPrefsHeader + "// a" + kNul + "b\r\n" + kPrefsPop.substr(kPrefsHeader.size()),
     Holder::kNone, "SetNetscape", 1, {"Preference file has no mail server settings."}, kSame,
     ""},
    {"prefs.js with a NUL byte after the accounts", kPrefs, kPrefsPop + "// a" + kNul + "b\r\n",
     Holder::kNone, "SetNetscape", 255, {"Mail server settings updated."},
     kPrefsPopSet + "// a" + kNul + "b\r\n", ""},
    {"prefs.js with a host name longer than the 1024-byte format", kPrefs,
     kPrefsHeader + Pref(1, "hostname", kLongHost) + Pref(1, "type", "pop3") +
         Pref(1, "userName", "joe"),
     Holder::kNone, "SetNetscape", 255, {"Mail server settings updated."},
     kPrefsHeader + Pref(1, "hostname", kProxy) + Pref(1, "type", "pop3") +
         Pref(1, "userName", "joe@" + kLongHost),
     ""},
    {"prefs.js held open exclusively", kPrefs, kPrefsPop, Holder::kExclusive, "SetNetscape", 4,
     {"BaseException : Unable to open perference file."}, kSame, ""},
    {"prefs.js read-only", kPrefs, kPrefsPop, Holder::kReadOnly, "SetNetscape", 5,
     {"Unable to write mail server settings back into file."}, kSame, ""},
    // abook.mab
    {"abook.mab of junk", kAbook, Junk(4096), Holder::kNone, "ImportNetscapeWhiteList", 255, {},
     kSame, ""},
    {"abook.mab of 0 bytes", kAbook, "", Holder::kNone, "ImportNetscapeWhiteList", 255, {},
     kSame, ""},
    {"abook.mab with a NUL byte", kAbook,
     kMabHeader + "(80=ann@example.com)" + kNul + "(81=bob@example.org)\r\n", Holder::kNone,
     "ImportNetscapeWhiteList", 255, {}, kSame, "ann@example.com\r\nbob@example.org\r\n"},
    {"abook.mab held open exclusively", kAbook, kMabHeader + "(80=ann@example.com)\r\n",
     Holder::kExclusive, "ImportNetscapeWhiteList", 1,
     {"BaseException :Unable to open address book file."}, kSame, ""},
    // Accounts.ini
    {"Accounts.ini of junk", kAccounts, Junk(4096), Holder::kNone, "SetOpera", 255,
     {"Opera 7 setting unchanged."}, kSame, ""},
    {"Accounts.ini of 0 bytes", kAccounts, "", Holder::kNone, "SetOpera", 255,
     {"Opera 7 setting unchanged."}, kSame, ""},
    {"Accounts.ini held open exclusively (its count reads as 0)", kAccounts,
     Opera7("joe", "pop.example.com"), Holder::kExclusive, "SetOpera", 255,
     {"Retrieve Opera 7 Sections", "Opera 7 setting unchanged."}, kSame, ""},
    // contacts.adr
    {"contacts.adr of junk", kContacts, Junk(4096), Holder::kNone, "ImportOperaWhiteList", 255,
     {}, kSame, ""},
    {"contacts.adr of 0 bytes", kContacts, "", Holder::kNone, "ImportOperaWhiteList", 255, {},
     kSame, ""},
    {"contacts.adr with a NUL byte", kContacts,
     "#CONTACT\r\n\tMAIL=ann@example.com\r\n" + kNul + "#CONTACT\r\n\tMAIL=bob@example.org\r\n",
     Holder::kNone, "ImportOperaWhiteList", 255, {}, kSame, "ann@example.com\r\n"},
    // Eudora.ini
    {"Eudora.ini held open exclusively", kEudoraIni,
     "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n", Holder::kExclusive, "SetEudora",
     255, {"Default sections updated successfully"}, kSame, ""},
    {"Eudora.ini read-only", kEudoraIni,
     "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n", Holder::kReadOnly, "SetEudora", 4,
     {"BaseException : No Eudora ini file found"}, kSame, ""},
    // NNdbase.txt
    {"NNdbase.txt of junk", kNicknames, Junk(4096), Holder::kNone, "ImportEudoraWhiteList", 255,
     {}, kSame, ""},
    {"NNdbase.txt of 0 bytes", kNicknames, "", Holder::kNone, "ImportEudoraWhiteList", 255, {},
     kSame, ""},
    {"NNdbase.txt with a NUL byte", kNicknames,
     "alias ann ann@example.com\r\n" + kNul + "alias bob bob@example.org\r\n", Holder::kNone,
     "ImportEudoraWhiteList", 255, {}, kSame, "ann@example.com\r\nbob@example.org\r\n"},
    {"NNdbase.txt held open exclusively", kNicknames, "alias ann ann@example.com\r\n",
     Holder::kExclusive, "ImportEudoraWhiteList", 1,
     {"BaseException :Unable to open address book file."}, kSame, ""},
};

std::string Printable(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line.substr(0, 200) + "\n";
  return text;
}

TEST(BadInputFiles, Table) {
  LoggingValue logging(true);
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  for (const FileRow& row : kFileTable) {
    SCOPED_TRACE(row.what);
    ClientFiles folders;
    TempFolder out("corvane-bad-input-out");
    const std::string path = ClientFiles::Path(row.file);
    ASSERT_TRUE(WriteFileBytes(path, row.bytes));
    const bool import = std::string(row.export_name).compare(0, 6, "Import") == 0;
    int result = 0;
    {
      HeldClientFile held(path, row.holder);
      ClearLog();
      result = config.Call(row.export_name, import ? out.Join("list.txt") : kProxy);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result, row.result);
    const std::vector<std::string> lines = LogLines();
    for (const std::string& line : row.log_has)
      EXPECT_TRUE(HasLine(lines, line)) << "missing \"" << line << "\" in\n" << Printable(lines);
    std::string after;
    EXPECT_TRUE(ReadFileBytes(path, after));
    if (row.after == kSame) {
      EXPECT_TRUE(after == row.bytes) << "the file changed";
    } else {
      EXPECT_TRUE(after == row.after) << "unexpected bytes:\n" << after.substr(0, 300);
    }
    const std::string top = std::string(row.file).substr(0, std::string(row.file).find('\\'));
    const std::string name = std::string(row.file).substr(top.size() + 1);
    EXPECT_EQ(FilesBelow(ClientFiles::Path(top)), std::vector<std::string>{name});
    if (import) {
      std::string list;
      EXPECT_TRUE(ReadFileBytes(out.Join("list.txt"), list));
      EXPECT_EQ(list, row.output);
    }
  }
  ClearLog();
}

std::string ProfileString(const std::string& file, const char* section, const char* key) {
  std::string value(8192, '\0');
  GetPrivateProfileStringA(section, key, "", &value[0], 8192, file.c_str());
  return value.c_str();
}

// Values longer than the read buffers are seen cut (1023 bytes of an Opera 7
// value, 259 of an Eudora value), and the cut value is what is written back.
TEST(BadInputFiles, ValuesLongerThanTheIniReadBuffersAreCut) {
  ClientFiles folders;
  LoadedConfig config;
  const std::string opera = ClientFiles::Path(kAccounts);
  ASSERT_TRUE(WriteFileBytes(opera, Opera7(kLongUser, "pop.example.com")));
  const std::string eudora = ClientFiles::Path(kEudoraIni);
  ASSERT_TRUE(WriteFileBytes(eudora, "[Settings]\r\nLoginName=" + std::string(400, 'l') +
                                         "\r\nPopServer=" + std::string(300, 's') + "\r\n"));
  EXPECT_EQ(config.Call("SetOpera", kProxy), 255);
  EXPECT_EQ(ProfileString(opera, "Account1", "Incoming Username"),
            kLongUser.substr(0, 1023) + "@pop.example.com");
  EXPECT_EQ(ProfileString(opera, "Account1", "Incoming Servername"), kProxy);
  EXPECT_EQ(config.Call("SetEudora", kProxy), 255);
  EXPECT_EQ(ProfileString(eudora, "Settings", "LoginName"),
            std::string(259, 'l') + "@" + std::string(259, 's'));
  EXPECT_EQ(ProfileString(eudora, "Settings", "PopServer"), kProxy);
}

}  // namespace
