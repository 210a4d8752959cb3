// sixteen_exports: one process that puts a small sample profile of all five
// mail clients in place, calls the sixteen exports of the CONFIG.dll beside
// it in ordinal order, and writes a report of everything it saw: each
// result code, the log lines of each call, and after each call the registry
// values and files of the client it touched, plus the traces of the test
// MAPI (mapi32.dll beside this program) and the test address book
// (wabdouble.dll in the folder "wab" beside it).
//
// Contract: the same source is built for i686 and for x86_64; run under the
// two Wines on the same sample profile, the two reports are identical byte
// for byte (paths of this program and of the profile folders are written as
// <bin>, <sample> and <appdata>).  Exit status: 0 when every call gave its
// expected result and every client's settings came back after its Reset;
// otherwise the number of rows that did not, or 100 when the sample profile
// could not be put in place.  The profile is removed again at the end, and
// the one value of the system it replaces (the address book's DLLPath) is
// put back.
//
// Usage: sixteen_exports.exe REPORT_PATH
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <mapix.h>
#include <mapiutil.h>
#include <wabdefs.h>
#include <wabcode.h>
#include <wabiab.h>
#include <wabapi.h>

#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Config/MapiLibrary.h"
#include "ImportSlot.h"
#include "WinTestSupport.h"
#include "corvane_config.h"

// The run-time bound functions are called through the SDK's own declarations:
// the binder's accessors must have exactly the type of the declared function
// (calling convention included, which on i686 is part of the type).
static_assert(std::is_same<decltype(std::declval<MapiLibrary&>().MAPIInitialize()),
                           decltype(&::MAPIInitialize)>::value, "MAPIInitialize");
static_assert(std::is_same<decltype(std::declval<MapiLibrary&>().MAPILogonEx()),
                           decltype(&::MAPILogonEx)>::value, "MAPILogonEx");
static_assert(std::is_same<decltype(std::declval<MapiLibrary&>().FreeProws()),
                           decltype(&::FreeProws)>::value, "FreeProws");
static_assert(std::is_same<decltype(std::declval<MapiLibrary&>().MAPIFreeBuffer()),
                           decltype(&::MAPIFreeBuffer)>::value, "MAPIFreeBuffer");
static_assert(std::is_same<decltype(std::declval<MapiLibrary&>().MAPIUninitialize()),
                           decltype(&::MAPIUninitialize)>::value, "MAPIUninitialize");
static_assert(std::is_same<LPWABOPEN, decltype(&::WABOpen)>::value, "WABOpen");
#if defined(_M_IX86) || defined(__i386__)
// On i686 a __cdecl pointer of the same signature is a different type: the
// assertions above would catch a binder that dropped WINAPI.
static_assert(!std::is_same<LPMAPIINITIALIZE, HRESULT(__cdecl*)(LPVOID)>::value,
              "calling convention is part of the type");
#endif

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const char kLoggingKey[] = "Software\\Vantrel\\Corvane";
const char kWabPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";
const char kMapiDoubleKey[] = "Software\\Corvane Tests\\MapiDouble";
const char kWabDoubleKey[] = "Software\\Corvane Tests\\WAB";
const char kProfileAccount[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\"
    "Outlook\\9375CFF0413111d3B88A00104B2A6676\\00000002";
const char kSharedAccount[] = "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001";
const char kIdentity[] = "Identities\\{1A2B3C4D-0000-0000-0000-00000000000A}";
const char kIdentityAccount[] =
    "Identities\\{1A2B3C4D-0000-0000-0000-00000000000A}\\Software\\Microsoft\\"
    "Internet Account Manager\\Accounts\\00000002";
const char kBlockedRule[] =
    "Identities\\{1A2B3C4D-0000-0000-0000-00000000000A}\\Software\\Microsoft\\Outlook Express\\"
    "5.0\\Block Senders\\Mail\\Criteria\\000";

// Keys of HKEY_CURRENT_USER that the sample profile owns: removed before
// and after the run (the client stores as a whole, so that nothing the
// prefix held before changes what the exports find).
const char* const kOwnedUserKeys[] = {
    "Software\\Microsoft\\Office\\8.0\\Outlook",
    "Software\\Microsoft\\Office\\Outlook",
    "Software\\Microsoft\\Windows Messaging Subsystem",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem",
    "Software\\Microsoft\\Internet Account Manager",
    "Identities",
    "Software\\Opera Software",
    "Software\\Corvane Tests\\MapiDouble",
    "Software\\Corvane Tests\\WAB",
};
const char* const kOwnedMachineKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe",
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Opera.exe",
};
// Folders below Application Data that the sample profile owns.
const char* const kOwnedAppDataFolders[] = {"Opera", "Mozilla", "Qualcomm"};

// ------------------------------------------------------------------ helpers

std::string TempRoot() {
  char path[MAX_PATH] = {0};
  GetTempPathA(MAX_PATH, path);
  std::string root = path;
  if (!root.empty() && root.back() == '\\') root.pop_back();
  return root + "\\corvane-sixteen-exports";
}

// Text with every byte outside printable ASCII written as \r, \n, \0 or \xHH.
std::string Escape(const std::string& bytes) {
  std::string text;
  char hex[8];
  for (unsigned char c : bytes) {
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\0') {
      text += "\\0";
    } else if (c == '\\') {
      text += "\\\\";
    } else if (c < 0x20 || c > 0x7e) {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

std::string Utf16(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    bytes += c;
    bytes += '\0';
  }
  return bytes + std::string(2, '\0');
}

// The report, with this machine's folders written as placeholders.
class Report {
 public:
  Report(std::vector<std::pair<std::string, std::string>> placeholders)
      : placeholders_(std::move(placeholders)) {}
  void Line(const std::string& line) {
    std::string text = line;
    for (const auto& placeholder : placeholders_) {
      for (std::string::size_type at = text.find(placeholder.first); at != std::string::npos;
           at = text.find(placeholder.first, at + placeholder.second.size()))
        text.replace(at, placeholder.first.size(), placeholder.second);
    }
    text_ += text + "\n";
  }
  void Mismatch(const std::string& what) {
    ++mismatches_;
    Line("MISMATCH " + what);
  }
  const std::string& text() const { return text_; }
  int mismatches() const { return mismatches_; }

 private:
  std::vector<std::pair<std::string, std::string>> placeholders_;
  std::string text_;
  int mismatches_ = 0;
};

// What one client keeps, read back for the report: registry values and
// whole files, each as one line.
struct Item {
  HKEY root;  // nullptr: a file
  std::string where;
  std::string name;
};

std::string Describe(const Item& item) {
  if (item.root == nullptr) {
    std::string bytes;
    if (!ReadFileBytes(item.where, bytes)) return "file " + item.where + " <missing>";
    return "file " + item.where + " = \"" + Escape(bytes) + "\"";
  }
  const RawValue value = GetRaw(item.root, item.where, item.name);
  const std::string head = std::string(item.root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") +
                           item.where + " [" + item.name + "]";
  if (!value.exists) return head + " <missing>";
  return head + " type " + std::to_string(value.type) + " = \"" + Escape(value.bytes) + "\"";
}

std::vector<std::string> Snapshot(const std::vector<Item>& items) {
  std::vector<std::string> lines;
  for (const Item& item : items) lines.push_back(Describe(item));
  return lines;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start) + " <no CR LF>");
  return lines;
}

// ------------------------------------------------------------ the profile

// The sample profile of all five clients, put in place when constructed and
// removed when destroyed; the address book's DLLPath is saved and put back.
class SampleProfile {
 public:
  SampleProfile(const std::string& bin, const std::string& root, const std::string& appdata)
      : bin_(bin), root_(root), appdata_(appdata),
        saved_wab_path_(GetRaw(HKEY_LOCAL_MACHINE, kWabPathKey, "")) {
    Clean();
    ok_ = Build();
  }
  ~SampleProfile() {
    Clean();
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kWabPathKey);
    if (saved_wab_path_.exists)
      SetRaw(HKEY_LOCAL_MACHINE, kWabPathKey, "", saved_wab_path_.type, saved_wab_path_.bytes);
    SHDeleteKeyA(HKEY_CURRENT_USER, kLoggingKey);
  }
  SampleProfile(const SampleProfile&) = delete;
  SampleProfile& operator=(const SampleProfile&) = delete;
  bool ok() const { return ok_; }

  std::string Opera7() const { return appdata_ + "\\Opera\\Opera7\\profile\\mail\\Accounts.ini"; }
  std::string Prefs() const { return appdata_ + "\\Mozilla\\Profiles\\s.default\\prefs.js"; }
  std::string EudoraIni() const { return appdata_ + "\\Qualcomm\\Eudora\\Eudora.ini"; }
  std::string Out(const char* name) const { return root_ + "\\out\\" + name + ".txt"; }
  std::string WabTrace() const { return root_ + "\\wab-trace.txt"; }

 private:
  void Clean() const {
    for (const char* key : kOwnedUserKeys) SHDeleteKeyA(HKEY_CURRENT_USER, key);
    for (const char* key : kOwnedMachineKeys) SHDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    for (const char* folder : kOwnedAppDataFolders) RemoveTree(appdata_ + "\\" + folder);
    RemoveTree(root_);
    DeleteFileA((bin_ + "\\ConfigLog.txt").c_str());
  }

  bool Build() const {
    bool ok = true;
    ok &= SetDword(HKEY_CURRENT_USER, kLoggingKey, "Logging", 1);
    // Outlook 2002/2003: one POP3 account of a profile, UTF-16 values.
    ok &= SetRaw(HKEY_CURRENT_USER, kProfileAccount, "POP3 User", REG_BINARY, Utf16("john"));
    ok &= SetRaw(HKEY_CURRENT_USER, kProfileAccount, "POP3 Server", REG_BINARY,
                   Utf16("pop.example.com"));
    // Outlook's address book: the test MAPI's entries (one missing a
    // property, one that cannot be opened, one duplicate).
    const std::string entries = std::string("ann@example.com") + '\0' + "!missing@example.com" +
                                '\0' + "#closed@example.com" + '\0' + "Bob@Example.org" + '\0' +
                                "ann@example.com" + '\0' + '\0';
    ok &= SetRaw(HKEY_CURRENT_USER, kMapiDoubleKey, "Entries", REG_MULTI_SZ, entries);
    // Outlook Express: a shared POP3 account, an identity's IMAP account and
    // one blocked sender of that identity.
    ok &= SetText(HKEY_CURRENT_USER, kSharedAccount, "POP3 User Name", "ann");
    ok &= SetText(HKEY_CURRENT_USER, kSharedAccount, "POP3 Server", "pop.example.com");
    ok &= SetText(HKEY_CURRENT_USER, kIdentityAccount, "IMAP User Name", "bob");
    ok &= SetText(HKEY_CURRENT_USER, kIdentityAccount, "IMAP Server", "imap.example.org");
    ok &= SetText(HKEY_CURRENT_USER, kBlockedRule, "Value", "spam@bad.example");
    // Outlook Express's address book: the test library with three contacts.
    ok &= SetText(HKEY_LOCAL_MACHINE, kWabPathKey, "", bin_ + "\\wab\\wabdouble.dll");
    ok &= SetText(HKEY_CURRENT_USER, kWabDoubleKey, "Trace", WabTrace());
    ok &= SetText(HKEY_CURRENT_USER, kWabDoubleKey, "Contacts", root_ + "\\contacts.txt");
    ok &= WriteFileBytes(root_ + "\\contacts.txt",
                     "3001001E=Ann|3003001E=ann@example.com\r\n"
                     "3003001E=no-at-sign.example.com\r\n"
                     "3003001E=bo@example.org|3003001E=second@example.org\r\n");
    // INI files are written as Wine's profile functions write them back
    // (CR LF, no blank lines), so that a Reset gives back the same bytes.
    // Opera 7: one POP account and a contacts file.
    ok &= WriteFileBytes(Opera7(),
                     "Opera Preferences version 2.0\r\n[Accounts]\r\nCount=1\r\n"
                     "[Account1]\r\nIncoming Servername=pop.example.se\r\n"
                     "Incoming Protocol=POP\r\nIncoming Username=anna\r\n");
    ok &= WriteFileBytes(appdata_ + "\\Opera\\Opera7\\profile\\contacts.adr",
                     "Opera Hotlist version 2.0\r\n\r\n"
                     "#CONTACT\r\n\tNAME=Anna\r\n\tMAIL=anna@example.se\r\n\r\n"
                     "#CONTACT\r\n\tNAME=Tomas\r\n\tMAIL=tomas@example.org\x02\x02t.berg@example.com"
                     "\r\n");
    // Netscape/Mozilla: one profile with a POP3 server and its address book.
    ok &= WriteFileBytes(Prefs(),
                     "# Mozilla User Preferences\r\n\r\n"
                     "user_pref(\"mail.server.server2.hostname\", \"pop.example.com\");\r\n"
                     "user_pref(\"mail.server.server2.type\", \"pop3\");\r\n"
                     "user_pref(\"mail.server.server2.userName\", \"joe\");\r\n");
    std::string mab;
    ok &= ReadFileBytes(std::string("Z:") + CORVANE_FIXTURES_DIR + "/netscape/mork-parser_abook.mab",
                    mab);
    ok &= WriteFileBytes(appdata_ + "\\Mozilla\\Profiles\\s.default\\abook.mab", mab);
    // Eudora: the user's Eudora.ini and nickname file.
    ok &= WriteFileBytes(EudoraIni(), "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\nPOPAccount=ann@pop.a.org\r\n");
    ok &= WriteFileBytes(appdata_ + "\\Qualcomm\\Eudora\\NNdbase.txt",
                     "alias ann ann@a.org\r\nALIAS team bob@b.org, cy@c.org\r\n");
    CreateDirectoryA((root_ + "\\out").c_str(), nullptr);
    return ok;
  }

  std::string bin_, root_, appdata_;
  RawValue saved_wab_path_;
  bool ok_ = false;
};

// One row of the run: an export, its argument, the result it must give, and
// what to read back after it.
struct Call {
  const char* name;
  bool import;  // the argument is an output file rather than the proxy
  int expected;
  std::vector<Item> state;
  const char* round_trip_of;  // for a Reset: the Set whose earlier state must return
};

}  // namespace

BOOL WINAPI ReadWritingThroughNull(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
  *static_cast<volatile int*>(nullptr) = 1;
  return FALSE;
}

// A processor fault inside Set (CONFIG.dll's reads redirected to a function
// that writes through a null pointer): the library's frame-based handler
// differs between the two architectures, the outcome must not: 1,
// "Unhandled Exception", the preference file untouched, and the next call
// answering alike (the abandoned call's file is still open: its rewrite
// fails).
void FaultInsideSet(HMODULE config, const std::string& log_path, const std::vector<Item>& state,
                    Report& report) {
  CorvaneConfigFunction set = reinterpret_cast<CorvaneConfigFunction>(
      reinterpret_cast<void*>(GetProcAddress(config, "SetNetscape")));
  void** slot = wintest::FindImportSlot(config, "KERNEL32.dll", "ReadFile");
  if (set == nullptr || slot == nullptr) {
    report.Mismatch("SetNetscape or CONFIG.dll's import of ReadFile not found");
    return;
  }
  const std::vector<std::string> before = Snapshot(state);
  void* const original = *slot;
  DeleteFileA(log_path.c_str());
  int result = -1;
  if (wintest::WriteSlot(slot, reinterpret_cast<const void*>(&ReadWritingThroughNull))) {
    result = set(kProxy);
    wintest::WriteSlot(slot, original);
  }
  report.Line("call SetNetscape(" + std::string(kProxy) + ") with a faulting read = " +
              std::to_string(result));
  if (result != 1) report.Mismatch("SetNetscape with a faulting read expected 1");
  std::string log;
  ReadFileBytes(log_path, log);
  for (const std::string& line : SplitLines(log)) report.Line("  log " + line);
  if (Snapshot(state) == before)
    report.Line("  settings as before the call");
  else
    report.Mismatch("SetNetscape with a faulting read changed the settings");
  CorvaneConfigFunction reset = reinterpret_cast<CorvaneConfigFunction>(
      reinterpret_cast<void*>(GetProcAddress(config, "ResetNetscape")));
  const int next = reset == nullptr ? -1 : reset(kProxy);
  report.Line("call ResetNetscape(" + std::string(kProxy) + ") after it = " + std::to_string(next));
  if (Snapshot(state) != before) report.Mismatch("ResetNetscape after the fault changed the settings");
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sixteen_exports REPORT_PATH\n");
    return 100;
  }
  const std::string bin = ProgramFolder();
  const std::string root = TempRoot();
  const std::string appdata = AppDataFolder();
  Report report({{root, "<sample>"}, {bin, "<bin>"}, {appdata, "<appdata>"}});
  int status = 0;
  {
    SampleProfile profile(bin, root, appdata);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    report.Line("windows " + std::to_string(version.dwMajorVersion) + "." +
                std::to_string(version.dwMinorVersion) + " platform " +
                std::to_string(version.dwPlatformId));
    if (!profile.ok()) {
      report.Line("the sample profile could not be put in place");
      status = 100;
    }

    const std::vector<Item> outlook = {
        {HKEY_CURRENT_USER, kProfileAccount, "POP3 User"},
        {HKEY_CURRENT_USER, kProfileAccount, "POP3 Server"}};
    const std::vector<Item> express = {
        {HKEY_CURRENT_USER, kSharedAccount, "POP3 User Name"},
        {HKEY_CURRENT_USER, kSharedAccount, "POP3 Server"},
        {HKEY_CURRENT_USER, kIdentityAccount, "IMAP User Name"},
        {HKEY_CURRENT_USER, kIdentityAccount, "IMAP Server"}};
    const std::vector<Item> opera = {{nullptr, profile.Opera7(), ""}};
    const std::vector<Item> netscape = {{nullptr, profile.Prefs(), ""}};
    const std::vector<Item> eudora = {{nullptr, profile.EudoraIni(), ""}};
    const std::vector<Item> wab_trace = {{nullptr, profile.WabTrace(), ""}};
    const std::vector<Item> mapi_trace = {{HKEY_CURRENT_USER, kMapiDoubleKey, "Calls"}};
    const std::vector<Item> none;

    const Call calls[] = {
        {"SetOutlook", false, 255, outlook, nullptr},
        {"ResetOutlook", false, 255, outlook, "SetOutlook"},
        {"SetOutlookExpress", false, 255, express, nullptr},
        {"ResetOutlookExpress", false, 255, express, "SetOutlookExpress"},
        {"SetOpera", false, 255, opera, nullptr},
        {"ResetOpera", false, 255, opera, "SetOpera"},
        {"SetNetscape", false, 255, netscape, nullptr},
        {"ResetNetscape", false, 255, netscape, "SetNetscape"},
        {"SetEudora", false, 255, eudora, nullptr},
        {"ResetEudora", false, 255, eudora, "SetEudora"},
        {"ImportOutlookExpressBlackList", true, 1, none, nullptr},
        {"ImportOutlookExpressWhiteList", true, 255, wab_trace, nullptr},
        {"ImportEudoraWhiteList", true, 255, none, nullptr},
        {"ImportOperaWhiteList", true, 255, none, nullptr},
        {"ImportOutlookWhiteList", true, 255, mapi_trace, nullptr},
        {"ImportNetscapeWhiteList", true, 255, none, nullptr},
    };

    // The library decides about logging when it loads: after the profile.
    HMODULE config = status == 0 ? LoadLibraryA((bin + "\\CONFIG.dll").c_str()) : nullptr;
    if (status == 0 && config == nullptr) {
      report.Line("CONFIG.dll did not load: error " + std::to_string(GetLastError()));
      status = 100;
    }
    const std::string log_path = bin + "\\ConfigLog.txt";
    std::vector<std::pair<const char*, std::vector<std::string>>> before_set;
    for (const Call& call : calls) {
      if (config == nullptr) break;
      CorvaneConfigFunction function =
          reinterpret_cast<CorvaneConfigFunction>(
              reinterpret_cast<void*>(GetProcAddress(config, call.name)));
      if (function == nullptr) {
        report.Mismatch(std::string(call.name) + " is not exported");
        continue;
      }
      if (!call.import && call.round_trip_of == nullptr)
        before_set.emplace_back(call.name, Snapshot(call.state));
      const std::string argument = call.import ? profile.Out(call.name) : kProxy;
      if (call.import) WriteFileBytes(argument, "stale line\r\n");
      DeleteFileA(log_path.c_str());
      const int result = function(argument.c_str());
      report.Line(std::string("call ") + call.name + "(" + argument + ") = " +
                  std::to_string(result));
      if (result != call.expected)
        report.Mismatch(std::string(call.name) + " expected " + std::to_string(call.expected));
      std::string log;
      ReadFileBytes(log_path, log);
      for (const std::string& line : SplitLines(log)) report.Line("  log " + line);
      if (call.import) report.Line("  " + Describe({nullptr, argument, ""}));
      const std::vector<std::string> after = Snapshot(call.state);
      for (const std::string& line : after) report.Line("  " + line);
      if (call.round_trip_of != nullptr) {
        for (const auto& earlier : before_set) {
          if (std::string(earlier.first) != call.round_trip_of) continue;
          if (earlier.second == after)
            report.Line(std::string("  settings as before ") + call.round_trip_of);
          else
            report.Mismatch(std::string(call.name) + " did not bring back the settings");
        }
      }
    }
    if (config != nullptr) FaultInsideSet(config, log_path, netscape, report);
    for (const char* folder : kOwnedAppDataFolders)
      for (const std::string& name : FilesBelow(appdata + "\\" + folder))
        report.Line(std::string("file in profile: ") + folder + "\\" + name);
    if (config != nullptr) FreeLibrary(config);
  }
  report.Line(std::to_string(report.mismatches()) + " mismatches");
  if (status == 0) status = report.mismatches();
  if (!WriteFileBytes(argv[1], report.text())) {
    std::fprintf(stderr, "sixteen_exports: cannot write %s\n", argv[1]);
    return 100;
  }
  std::fputs(report.text().c_str(), stdout);
  return status;
}
