// cases: runs one case file of tests/data/cases against the CONFIG.dll
// beside this program and compares what it saw with the case's expected
// report.
//
// A case file is a list of lines, each a directive and its fields (fields
// after the first are separated by "|"; in data fields \r \n \0 \\ and \xHH
// are escapes, \*N:C is the character C N times; paths are taken as they
// stand).  Paths may use <appdata> (the user's Application Data folder),
// <sample> (a scratch folder of the case) and <bin> (this program's folder);
// the environment variable CORVANE_BUILD holds the folder above <bin> (whose
// bin\wab has the address-book doubles), for texts that only expanding them
// would make a path.
//   windows VERSION          run the case in a child process that Wine shows
//                            that Windows version (win98, winxp, ...)
//   logging off              load the library without the Logging value
//   own ROOT\KEY | PATH      one more registry key or folder that the case
//                            owns: cleared before and after, and reported
//   reg ROOT\KEY|NAME|TYPE|DATA   a registry value (TYPE sz, expand, multi,
//                            bin, dword, utf16 = text as UTF-16 with its zero)
//   key ROOT\KEY             an empty registry key
//   deny ROOT\KEY            a key whose values nobody may read
//   file PATH|DATA           a file with these bytes (folders made)
//   copy PATH|FIXTURE        a file of tests/data
//   dir PATH                 an empty folder
//   attrib PATH|ATTRIBUTES   a file's attributes set (a number: 1 read-only,
//                            2 hidden, 32 archive)
//   link PATH|TARGET         a symbolic link (to a folder when TARGET is one;
//                            under Wine a host link, made with ln -s)
//   hold PATH|SHARE          the file held open (SHARE: none, read, write,
//                            readwrite, all) until "release"
//   patch DLL!FUNCTION|RESULT[|AFTER[|TIMES[|LEAST]]]   CONFIG.dll's import of
//                            FUNCTION made to return RESULT (error 5 set), or
//                            to fault (RESULT "fault"), or to do its work and
//                            then answer N (RESULT "=N"), from its AFTER+1-th
//                            call on (for TIMES calls, then it works again;
//                            -1: all), and only for calls whose first argument
//                            is at least LEAST (a size: large allocations);
//                            "unpatch" puts every import back
//   call EXPORT|ARGUMENT     an export called ("(null)": a null pointer)
//   tool ARGUMENTS           the host tool of the build (bin\corvane-config.exe
//                            beside this program's folder) run with them: its
//                            exit status and every line it printed
//   set ROOT\KEY|NAME|TYPE|DATA   a registry value written now, between calls
//                            (not reported as a change)
//   reload                   the library unloaded and loaded again (the load
//                            hook runs anew)
//   log DATA                 the log file holds these bytes before the next call
//   cd PATH                  this process's current folder from now on
//   com enter | com leave    the runner's thread enters the multithreaded
//                            apartment (its HRESULT is reported) or leaves it
// The report holds, per call, its result, the lines it logged and every
// owned registry value and file that changed ("back as loaded" when all is
// as the profile was put in place).  With CORVANE_UPDATE set the expected
// report is written instead of compared.
//
// Usage: cases.exe CASE_FILE    exit status 0 when the report is as expected
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ImportSlot.h"
#include "../Escapes.h"

namespace {

using Strings = std::vector<std::string>;
using State = std::map<std::string, std::string>;
using Function = int(__cdecl*)(const char*);

const char* const kOwnedKeys[] = {
    "HKCU\\Software\\Microsoft\\Office", "HKCU\\Software\\Microsoft\\Windows Messaging Subsystem",
    "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem",
    "HKCU\\Software\\Microsoft\\Internet Account Manager", "HKCU\\Identities",
    "HKCU\\Software\\Opera Software", "HKCU\\Software\\Corvane Tests", "HKCU\\Software\\Vantrel",
    "HKLM\\Software\\Vantrel", "HKLM\\Software\\Microsoft\\WAB",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Opera.exe",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe"};
const char* const kOwnedFolders[] = {"<appdata>\\Opera", "<appdata>\\Mozilla",
                                     "<appdata>\\Netscape", "<appdata>\\Qualcomm", "<sample>"};

Strings Split(const std::string& text, char separator) {
  Strings parts;
  std::string::size_type start = 0, end;
  while ((end = text.find(separator, start)) != std::string::npos) {
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/")); }

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return FolderOf(path);
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  bytes = text.str();
  return static_cast<bool>(file);
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  SHCreateDirectoryExA(nullptr, FolderOf(path).c_str(), nullptr);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  return static_cast<bool>(file.write(bytes.data(), bytes.size()));
}

// Under Wine: the host's name of a path ("" elsewhere), and a host command
// run to its end.  Wine's CreateSymbolicLinkA answers TRUE and makes nothing,
// and its RemoveDirectoryA and DeleteFileA cannot remove a host link to a
// folder: links are made and removed by the host's ln and rm.
std::string HostPath(const std::string& path) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  WCHAR wide[MAX_PATH] = L"";
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  char* name = unix_name != nullptr ? unix_name(wide) : nullptr;
  const std::string text = name != nullptr ? name : "";
  if (name != nullptr) HeapFree(GetProcessHeap(), 0, name);
  return text;
}

// Runs the host command, then waits up to 20 s until `path` exists (or not).
bool RunOnHost(std::string command, const std::string& path, bool exists) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process) && process.hProcess != nullptr) {
    WaitForSingleObject(process.hProcess, 20000);  // Wine hands back none for a host program
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  for (int wait = 0; wait < 200; ++wait, Sleep(100))
    if ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == exists) return true;
  return false;
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
      if (std::strcmp(found.cFileName, ".") && std::strcmp(found.cFileName, ".."))
        RemoveTree(path + "\\" + found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }
  if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
}

HKEY RootOf(const std::string& path, std::string& key) {
  key = path.substr(5);
  return path.compare(0, 4, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "sz";
    case REG_EXPAND_SZ: return "expand";
    case REG_MULTI_SZ: return "multi";
    case REG_DWORD: return "dword";
    case REG_BINARY: return "bin";
  }
  return "other";
}

// Every value below a key, and every file below a folder, as item -> text.
void ReadKey(const std::string& path, State& state) {
  std::string name;
  HKEY key = nullptr;
  const HKEY root = RootOf(path, name);
  if (RegOpenKeyExA(root, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  char value[16384];
  BYTE data[65536];
  for (DWORD i = 0;; ++i) {
    DWORD value_size = sizeof value, data_size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, value, &value_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS)
      break;
    state[path + " [" + value + "]"] =
        std::string(TypeName(type)) + " \"" + Escape(std::string(reinterpret_cast<char*>(data), data_size)) + "\"";
  }
  for (DWORD i = 0; RegEnumKeyA(key, i, value, sizeof value) == ERROR_SUCCESS; ++i)
    ReadKey(path + "\\" + value, state);
  RegCloseKey(key);
}

void ReadFolder(const std::string& path, State& state) {
  WIN32_FIND_DATAA found;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool file = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  HANDLE search = FindFirstFileA(file ? path.c_str() : (path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string full = file ? path : path + "\\" + found.cFileName;
    if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      state[full] = "link";
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ReadFolder(full, state);
    } else {
      std::string bytes;
      state[full] = ReadBytes(full, bytes) ? "\"" + Escape(bytes) + "\"" : "<unreadable>";
      if (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        state[full] += " hidden/system";
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// Redirected imports of CONFIG.dll.  Each stub serves one slot; x86_64 passes
// the first four arguments in registers and the rest on the stack, so a
// stub with more parameters than any Windows function hands every argument
// of the real call on unchanged.
struct Patch {
  void** slot = nullptr;
  void* original = nullptr;
  INT_PTR result = 0;
  bool fault = false;
  bool works = false;  // the real function runs, its answer is replaced
  long after = 0;
  long times = -1;  // failing calls left; -1: all of them
  INT_PTR least = 0;
};
Patch g_patches[4];

using Real = INT_PTR(__stdcall*)(INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR, INT_PTR,
                                 INT_PTR, INT_PTR, INT_PTR, INT_PTR);
template <int I>
INT_PTR __stdcall Stub(INT_PTR a, INT_PTR b, INT_PTR c, INT_PTR d, INT_PTR e, INT_PTR f, INT_PTR g,
                       INT_PTR h, INT_PTR i, INT_PTR j, INT_PTR k, INT_PTR l) {
  Patch& patch = g_patches[I];
  const Real real = reinterpret_cast<Real>(patch.original);
  if (a < patch.least) return real(a, b, c, d, e, f, g, h, i, j, k, l);
  const bool passes = patch.after > 0 || patch.times == 0;
  if (patch.after > 0) --patch.after;
  else if (patch.times > 0) --patch.times;
  if (passes || patch.works) {
    const INT_PTR answer = real(a, b, c, d, e, f, g, h, i, j, k, l);
    return passes ? answer : patch.result;
  }
  if (patch.fault) *static_cast<volatile int*>(nullptr) = 1;
  SetLastError(ERROR_ACCESS_DENIED);
  return patch.result;
}
void* const kStubs[] = {reinterpret_cast<void*>(&Stub<0>), reinterpret_cast<void*>(&Stub<1>),
                        reinterpret_cast<void*>(&Stub<2>), reinterpret_cast<void*>(&Stub<3>)};

class Case {
 public:
  Case(const std::string& file, const std::string& data)
      : data_(data), bin_(ProgramFolder()), appdata_(ShellFolder(CSIDL_APPDATA)),
        sample_(ShellFolder(CSIDL_LOCAL_APPDATA) + "\\corvane-case"), local_(FolderOf(sample_)),
        profile_(ShellFolder(CSIDL_PROFILE)) {
    std::string text;
    if (!ReadBytes(file, text)) Fail("cannot read " + file);
    for (const std::string& line : Split(text, '\n')) {
      std::string trimmed = line.substr(0, line.find_last_not_of("\r \t") + 1);
      if (trimmed.empty() || trimmed[0] == '#') continue;
      const std::string::size_type blank = trimmed.find(' ');
      lines_.push_back({trimmed.substr(0, blank),
                        blank == std::string::npos ? Strings{""} : Split(trimmed.substr(blank + 1), '|')});
      const std::string known =
          " windows logging own reg set key deny file copy dir link attrib hold release patch unpatch call tool reload log cd com ";
      if (known.find(" " + lines_.back().first + " ") == std::string::npos) Fail("unknown directive: " + trimmed);
      if (lines_.back().first == "own") owned_.push_back(lines_.back().second[0]);
      linked_ = linked_ || lines_.back().first == "link";
    }
    for (const char* key : kOwnedKeys) owned_.push_back(key);
    SetEnvironmentVariableA("CORVANE_BUILD", FolderOf(bin_).c_str());
    for (const char* folder : kOwnedFolders) owned_.push_back(folder);
  }
  ~Case() {
    Release();
    Clear();
  }

  std::string Setting(const std::string& directive) const {
    for (const auto& line : lines_)
      if (line.first == directive) return line.second[0];
    return "";
  }

  // Puts the profile in place, loads the library, makes the calls.
  std::string Run() {
    Clear();
    for (const auto& line : lines_) Arrange(line.first, line.second);
    if (Setting("logging") != "off")
      Arrange("reg", {"HKCU\\Software\\Vantrel\\Corvane", "Logging", "dword", "1"});
    const State loaded = Snapshot();
    State before = loaded;
    HMODULE config = LoadLibraryA((bin_ + "\\CONFIG.dll").c_str());
    if (config == nullptr) Fail("CONFIG.dll does not load");
    for (const auto& line : lines_) {
      const Strings& f = line.second;
      if (line.first == "hold") {
        const std::map<std::string, DWORD> shares = {
            {"read", FILE_SHARE_READ}, {"write", FILE_SHARE_WRITE}, {"readwrite", FILE_SHARE_READ | FILE_SHARE_WRITE},
            {"all", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}};
        const DWORD share = f.size() > 1 && shares.count(f[1]) ? shares.at(f[1]) : 0;
        held_.push_back(CreateFileA(Path(f[0]).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (held_.back() == INVALID_HANDLE_VALUE) Fail("cannot hold " + f[0]);
      } else if (line.first == "release") {
        Release();
      } else if (line.first == "patch") {
        PatchImport(config, f);
      } else if (line.first == "unpatch") {
        Unpatch();
      } else if (line.first == "set") {
        Arrange("reg", f);
        before = Snapshot();
      } else if (line.first == "com" && f[0] == "leave") {
        CoUninitialize();
      } else if (line.first == "com") {
        char status[16];
        std::snprintf(status, sizeof status, "0x%08lX",
                      static_cast<unsigned long>(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        Line(std::string("com enter = ") + status);
      } else if (line.first == "reload") {
        FreeLibrary(config);
        config = LoadLibraryA((bin_ + "\\CONFIG.dll").c_str());
        if (config == nullptr) Fail("CONFIG.dll does not load again");
      } else if (line.first == "log") {
        preset_log_ = Unescape(f[0]);
      } else if (line.first == "cd") {
        if (!SetCurrentDirectoryA(Path(f[0]).c_str())) Fail("cannot enter " + f[0]);
      } else if (line.first == "call" || line.first == "tool") {
        if (line.first == "tool") Tool(f[0]);
        else Call(config, f[0], f.size() > 1 ? f[1] : "");
        const State after = Snapshot();
        if (after == loaded && after != before) Line("  back as loaded");
        else
          for (const auto& item : after)
            if (before.count(item.first) == 0 || before.at(item.first) != item.second)
              Line("  now " + item.first + " = " + item.second);
        for (const auto& item : before)
          if (after.count(item.first) == 0) Line("  gone " + item.first);
        before = after;
      }
    }
    Unpatch();
    FreeLibrary(config);
    return report_;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "cases: %s\n", why.c_str());
    std::exit(2);
  }

  // A case's path with its folders filled in, and a report line with them named.
  std::string Path(std::string text) const {
    for (const auto& name : Names()) text = Replaced(text, name.second, name.first);
    return text;
  }
  void Line(std::string text) {
    for (const auto& name : Names()) text = Replaced(text, name.first, name.second);
    report_ += text + "\n";
  }
  std::vector<std::pair<std::string, std::string>> Names() const {
    return {{sample_, "<sample>"}, {local_, "<sample>\\.."}, {appdata_, "<appdata>"}, {bin_, "<bin>"},
            {profile_, "<profile>"}};
  }

  void Arrange(const std::string& directive, const Strings& f) {
    bool ok = true;
    std::string key;
    if (directive == "reg" && f.size() == 4) {
      HKEY root = RootOf(f[0], key), opened = nullptr;
      std::string data = Path(Unescape(f[3]));
      DWORD type = f[2] == "dword" ? REG_DWORD : f[2] == "bin" || f[2] == "utf16" ? REG_BINARY
                 : f[2] == "multi" ? REG_MULTI_SZ : f[2] == "expand" ? REG_EXPAND_SZ : REG_SZ;
      if (type == REG_DWORD) {
        const DWORD number = std::strtoul(data.c_str(), nullptr, 0);
        data.assign(reinterpret_cast<const char*>(&number), sizeof number);
      } else if (f[2] == "utf16") {
        std::string wide;
        for (char c : data + '\0') wide += std::string(1, c) + '\0';
        data = wide;
      } else if (type != REG_BINARY && type != REG_MULTI_SZ) {
        data += '\0';
      }
      ok = RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) ==
               ERROR_SUCCESS &&
           RegSetValueExA(opened, f[1] == "(default)" ? "" : f[1].c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.data()), data.size()) == ERROR_SUCCESS;
      RegCloseKey(opened);
    } else if (directive == "key" || directive == "deny") {
      HKEY opened = nullptr;
      const HKEY root = RootOf(f[0], key);
      ok = RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &opened, nullptr) == ERROR_SUCCESS;
      if (ok && directive == "deny") {
        // A DACL with one entry: reading values is denied to everybody.
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        BYTE acl_bytes[256];
        PACL acl = reinterpret_cast<PACL>(acl_bytes);
        SECURITY_DESCRIPTOR descriptor;
        ok = AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone) &&
             InitializeAcl(acl, sizeof acl_bytes, ACL_REVISION) &&
             AddAccessDeniedAce(acl, ACL_REVISION, KEY_QUERY_VALUE, everyone) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS & ~KEY_QUERY_VALUE, everyone) &&
             InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
             RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        if (everyone != nullptr) FreeSid(everyone);
      }
      RegCloseKey(opened);
    } else if (directive == "file" && f.size() == 2) {
      ok = WriteBytes(Path(f[0]), Unescape(f[1]));
    } else if (directive == "copy" && f.size() == 2) {
      std::string bytes;
      ok = ReadBytes(data_ + "\\" + f[1], bytes) && WriteBytes(Path(f[0]), bytes);
    } else if (directive == "attrib" && f.size() == 2) {
      ok = SetFileAttributesA(Path(f[0]).c_str(), std::strtoul(f[1].c_str(), nullptr, 0)) != FALSE;
    } else if (directive == "dir") {
      ok = SHCreateDirectoryExA(nullptr, Path(f[0]).c_str(), nullptr) == ERROR_SUCCESS;
    } else if (directive == "link" && f.size() == 2) {
      const std::string link = Path(f[0]), target = Path(f[1]);
      SHCreateDirectoryExA(nullptr, FolderOf(link).c_str(), nullptr);
      if (!HostPath(link).empty()) {
        ok = RunOnHost("Z:\\bin\\ln -s \"" + HostPath(target) + "\" \"" + HostPath(link) + "\"", link, true);
      } else {
        using LinkFunction = BOOLEAN(WINAPI*)(const char*, const char*, DWORD);
        const auto make = reinterpret_cast<LinkFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
        ok = make != nullptr &&
             make(link.c_str(), target.c_str(), GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY ? 1 : 0);
      }
    } else if (std::string(" reg file copy attrib link ").find(" " + directive + " ") != std::string::npos) {
      ok = false;  // a field too many or too few (a "|" in data is written \x7C)
    }
    if (!ok) Fail("cannot arrange: " + directive + " " + f[0]);
  }

  void PatchImport(HMODULE config, const Strings& f) {
    const std::string::size_type bang = f[0].find('!');
    for (int i = 0; i < 4; ++i) {
      Patch& patch = g_patches[i];
      if (patch.slot != nullptr) continue;
      patch.slot = wintest::FindImportSlot(config, f[0].substr(0, bang), f[0].substr(bang + 1));
      if (patch.slot == nullptr) Fail("CONFIG.dll does not import " + f[0]);
      patch.original = *patch.slot;
      patch.fault = f.size() > 1 && f[1] == "fault";
      patch.works = f.size() > 1 && f[1].compare(0, 1, "=") == 0;
      patch.result = f.size() > 1 ? std::strtoll(f[1].c_str() + patch.works, nullptr, 0) : 0;
      patch.after = f.size() > 2 ? std::strtol(f[2].c_str(), nullptr, 0) : 0;
      patch.times = f.size() > 3 ? std::strtol(f[3].c_str(), nullptr, 0) : -1;
      patch.least = f.size() > 4 ? std::strtoll(f[4].c_str(), nullptr, 0) : 0;
      if (sizeof(void*) == 4 && (!patch.fault || patch.after > 0)) Fail("i686 takes faulting patches only");
      wintest::WriteSlot(patch.slot, kStubs[i]);
      return;
    }
    Fail("more than four patches");
  }

  void Unpatch() {
    for (Patch& patch : g_patches)
      if (patch.slot != nullptr) wintest::WriteSlot(patch.slot, patch.original);
    for (Patch& patch : g_patches) patch = Patch();
  }

  void Call(HMODULE config, const std::string& name, const std::string& argument) {
    const Function function =
        reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(config, name.c_str())));
    if (function == nullptr) Fail(name + " is not exported");
    const std::string log_path = bin_ + "\\ConfigLog.txt";
    DeleteFileA(log_path.c_str());
    if (!preset_log_.empty()) WriteBytes(log_path, preset_log_);
    preset_log_.clear();
    const std::string path = Path(argument);
    const int result = function(argument == "(null)" ? nullptr : path.c_str());
    Line("call " + name + "(" + argument + ") = " + std::to_string(result));
    std::string log;
    ReadBytes(log_path, log);
    const Strings lines = Split(log, '\n');
    for (std::string::size_type i = 0; i + 1 < lines.size(); ++i)
      Line("  log " + lines[i].substr(0, lines[i].size() - (lines[i].back() == '\r')) +
           (lines[i].back() == '\r' ? "" : " <no CR>"));
    if (!lines.back().empty()) Line("  log " + lines.back() + " <no line end>");
  }

  void Tool(const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + FolderOf(bin_) + "\\bin\\corvane-config.exe\" " + Path(arguments);
    DWORD status = 999;
    std::string output;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
      CloseHandle(write);
      char buffer[4096];
      for (DWORD got; ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0;) output.append(buffer, got);
      WaitForSingleObject(process.hProcess, INFINITE);
      GetExitCodeProcess(process.hProcess, &status);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    } else {
      CloseHandle(write);
    }
    CloseHandle(read);
    Line("tool " + arguments + " = " + std::to_string(status));
    for (std::string text : Split(output, '\n')) {
      if (text.empty()) continue;
      text.erase(text.size() - (text.back() == '\r'));
      // The folders by name, as printed and as JSON writes them.
      for (const auto& name : Names())
        for (const std::string& form : {name.first, Replaced(name.first, "\\", "\\\\")})
          text = Replaced(text, form, name.second);
      Line("  out " + Escape(text));
    }
  }

  static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::string::size_type at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  }

  State Snapshot() const {
    State state;
    for (const std::string& owned : owned_) {
      if (owned.compare(0, 2, "HK") == 0) ReadKey(owned, state);
      else ReadFolder(Path(owned), state);
    }
    State named;
    for (const auto& item : state) {
      std::string line = item.first;
      for (const auto& name : Names())
        if (line.compare(0, name.first.size(), name.first) == 0) line = name.second + line.substr(name.first.size());
      named[line] = item.second;
    }
    return named;
  }

  void Release() {
    for (HANDLE handle : held_) CloseHandle(handle);
    held_.clear();
  }

  // Removes everything the case owns.
  void Clear() const {
    for (const std::string& owned : owned_) {
      // Wine cannot remove every link, nor one whose target is gone: the host does.
      const std::string host = HostPath(Path(owned)), done = Path(owned) + "\\links-gone";
      if (!linked_ || owned.compare(0, 2, "HK") == 0 || host.empty() ||
          GetFileAttributesA(Path(owned).c_str()) == INVALID_FILE_ATTRIBUTES)
        continue;
      RunOnHost("Z:\\bin\\sh -c \"find '" + host + "' -type l -delete; touch '" + host + "/links-gone'\"", done, true);
    }
    for (const std::string& owned : owned_) {
      std::string key;
      if (owned.compare(0, 2, "HK") == 0) {
        const HKEY root = RootOf(owned, key);
        SHDeleteKeyA(root, key.c_str());
      } else {
        RemoveTree(Path(owned));
      }
    }
    DeleteFileA((bin_ + "\\ConfigLog.txt").c_str());
  }

  std::string data_, bin_, appdata_, sample_, local_, profile_, report_, preset_log_;
  std::vector<std::pair<std::string, Strings>> lines_;
  bool linked_ = false;
  Strings owned_;
  std::vector<HANDLE> held_;
};

// Runs the case in a child process that Wine shows another Windows version.
int RunAsChild(const std::string& version) {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const std::string defaults = std::string("Software\\Wine\\AppDefaults\\") + PathFindFileNameA(program);
  SHSetValueA(HKEY_CURRENT_USER, defaults.c_str(), "Version", REG_SZ, version.c_str(), version.size() + 1);
  SetEnvironmentVariableA("CORVANE_CASE_CHILD", "1");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = GetCommandLineA();
  DWORD status = 2;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  SHDeleteKeyA(HKEY_CURRENT_USER, defaults.c_str());
  return static_cast<int>(status);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cases CASE_FILE\n");
    return 2;
  }
  const std::string file = argv[1];
  const std::string data = FolderOf(FolderOf(file));  // tests/data
  std::string report;
  {
    Case run(file, data);
    const std::string version = run.Setting("windows");
    if (!version.empty() && std::getenv("CORVANE_CASE_CHILD") == nullptr) return RunAsChild(version);
    report = run.Run();
  }
  const std::string expected_path = file.substr(0, file.rfind('.')) + ".expected";
  std::string expected;
  if (std::getenv("CORVANE_UPDATE") != nullptr) {
    WriteBytes(expected_path, report);
    std::printf("%s", report.c_str());
    return 0;
  }
  if (ReadBytes(expected_path, expected) && expected == report) return 0;
  std::printf("--- expected (%s)\n%s--- actual\n%s", expected_path.c_str(), expected.c_str(),
              report.c_str());
  const Strings want = Split(expected, '\n'), got = Split(report, '\n');
  for (std::size_t i = 0; i < want.size() || i < got.size(); ++i) {
    if (i < want.size() && i < got.size() && want[i] == got[i]) continue;
    std::printf("first difference, line %zu:\n- %s\n+ %s\n", i + 1, i < want.size() ? want[i].c_str() : "",
                i < got.size() ? got[i].c_str() : "");
    break;
  }
  return 1;
}
