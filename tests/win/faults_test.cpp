// Failures Wine cannot be made to produce by itself, injected into the built
// CONFIG.dll through its import table (PatchedImport): a client file whose
// read fails after a successful open, memory running out (the "any other
// exception" paths), the Application Data folder unknown, the log file
// unopenable or its folder unknown, both version queries failing, the folder
// queries failing, profile-string writes failing and each step of a whole-file
// rewrite failing.  Only CONFIG.dll's own calls reach the stubs; the test
// program and Wine keep the real functions.  Each row states the result code,
// the log lines and that nothing else changed.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ClientFiles.h"
#include "PatchedImport.h"
#include "WinTestSupport.h"
#include "support/WindowsVersion.h"

using namespace wintest;

namespace {

const char kProxy[] = "127.0.0.1";
const char kKernel32[] = "KERNEL32.dll";
const char kCrt[] = "msvcrt.dll";

// --------------------------------------------------------------- the stubs

// What the stubs do and count.  Test state only: reset by ArmedFaults.
struct FaultState {
  int whole_reads = 0;      // ReadFile calls passed on whole before the half read
  bool read_half = false;   // the next read gives half of what is asked, then reads fail
  int reads = 0;
  std::size_t malloc_limit = 0;  // allocations of at least this many bytes fail
  int failed_mallocs = 0;
  int writes = 0;                // WriteFile or WritePrivateProfileStringA calls
  int searches_opened = 0;       // FindFirstFileA calls that gave a handle
  int searches_closed = 0;       // FindClose calls
  std::vector<DWORD> version_sizes;  // dwOSVersionInfoSize of each version query
};

FaultState& State() {
  static FaultState state;
  return state;
}

// Resets the stubs' state when constructed and destroyed.
class ArmedFaults {
 public:
  ArmedFaults() { State() = FaultState(); }
  ~ArmedFaults() { State() = FaultState(); }
  FaultState& operator*() const { return State(); }
  FaultState* operator->() const { return &State(); }
};

// The stub's type must be the real function's: checked when compiling.
template <class Function>
const void* Stub(Function* /*real*/, Function* stub) {
  return reinterpret_cast<const void*>(stub);
}

BOOL WINAPI ReadFailingAfterOpen(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
                                 LPOVERLAPPED overlapped) {
  FaultState& state = State();
  ++state.reads;
  if (state.whole_reads > 0) {
    --state.whole_reads;
    return ReadFile(file, buffer, size, read, overlapped);
  }
  if (state.read_half && size > 1) {
    state.read_half = false;
    return ReadFile(file, buffer, size / 2, read, overlapped);
  }
  if (read != nullptr) *read = 0;
  SetLastError(ERROR_IO_DEVICE);
  return FALSE;
}

void* __cdecl MallocFailingLarge(size_t size) {
  FaultState& state = State();
  if (state.malloc_limit != 0 && size >= state.malloc_limit) {
    ++state.failed_mallocs;
    errno = ENOMEM;
    return nullptr;
  }
  return std::malloc(size);
}

HANDLE WINAPI CountedFindFirst(LPCSTR pattern, LPWIN32_FIND_DATAA entry) {
  HANDLE search = FindFirstFileA(pattern, entry);
  if (search != INVALID_HANDLE_VALUE) ++State().searches_opened;
  return search;
}

BOOL WINAPI CountedFindClose(HANDLE search) {
  ++State().searches_closed;
  return FindClose(search);
}

FILE* __cdecl FopenFailingAppend(const char* path, const char* mode) {
  if (mode != nullptr && mode[0] == 'a') {
    errno = EACCES;
    return nullptr;
  }
  return std::fopen(path, mode);
}

size_t __cdecl FwriteWritingNothing(const void*, size_t, size_t, FILE*) { return 0; }

DWORD WINAPI ModuleNameWithoutBackslash(HMODULE, LPSTR name, DWORD size) {
  const char kName[] = "CONFIG.dll";
  if (size < sizeof(kName)) return 0;
  std::memcpy(name, kName, sizeof(kName));
  return sizeof(kName) - 1;
}

DWORD WINAPI ModuleNameFailing(HMODULE, LPSTR name, DWORD size) {
  if (size > 0) name[0] = '\0';
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

// A name as long as the buffer: cut, answered with the buffer's size.
DWORD WINAPI ModuleNameCut(HMODULE, LPSTR name, DWORD size) {
  if (size == 0) return 0;
  std::string cut = "C:\\" + std::string(size, 'd');
  std::memcpy(name, cut.data(), size - 1);
  name[size - 1] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

HRESULT WINAPI SpecialFolderFailing(HWND, int, PIDLIST_ABSOLUTE* items) {
  if (items != nullptr) *items = nullptr;
  return E_FAIL;
}

BOOL WINAPI VersionQueryFailing(LPOSVERSIONINFOA record) {
  State().version_sizes.push_back(record != nullptr ? record->dwOSVersionInfoSize : 0);
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

UINT WINAPI WindowsFolderFailing(LPSTR, UINT) {
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

DWORD WINAPI CurrentFolderFailing(DWORD, LPSTR) {
  SetLastError(ERROR_ACCESS_DENIED);
  return 0;
}

BOOL WINAPI ProfileWriteFailing(LPCSTR, LPCSTR, LPCSTR, LPCSTR) {
  ++State().writes;
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

HANDLE WINAPI CreateForWritingFailing(LPCSTR path, DWORD access, DWORD share,
                                      LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                      DWORD flags, HANDLE templ) {
  if (access & GENERIC_WRITE) {
    SetLastError(ERROR_DISK_FULL);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(path, access, share, security, disposition, flags, templ);
}

// The first write gives half of its bytes to the file, every later one fails.
BOOL WINAPI WriteFailingHalfWay(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                                LPOVERLAPPED overlapped) {
  if (State().writes++ == 0 && size > 1) return WriteFile(file, data, size / 2, written, overlapped);
  if (written != nullptr) *written = 0;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

BOOL WINAPI FlushFailing(HANDLE) {
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

// --------------------------------------------------------------- arranging

std::string Fixture(const std::string& relative) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(std::string("Z:") + CORVANE_FIXTURES_DIR + "/" + relative, bytes))
      << relative;
  return bytes;
}

// CONFIG.dll loaded with logging on for the life of the object.  Call()
// starts from an empty log and answers the result; Log() is that call's
// lines.  The log is removed at the end.
class Config {
 public:
  Config() : logging_(true) { ClearLog(); }
  ~Config() { ClearLog(); }
  HMODULE module() const { return config_.module(); }
  bool ok() const { return config_.ok(); }
  int Call(const char* export_name, const std::string& argument) const {
    ClearLog();
    return config_.Call(export_name, argument);
  }
  static std::vector<std::string> Log() { return LogLines(); }

 private:
  LoggingValue logging_;
  LoadedConfig config_;
};

std::string Printable(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line.substr(0, 200) + "\n";
  return text;
}

std::vector<std::string> Tail(const std::vector<std::string>& lines, std::size_t count) {
  if (lines.size() <= count) return lines;
  return std::vector<std::string>(lines.end() - count, lines.end());
}

const char kPrefs[] = "Mozilla\\Profiles\\a.default\\prefs.js";
const char kAbook[] = "Mozilla\\Profiles\\a.default\\abook.mab";
const char kAccounts[] = "Opera\\Accounts.ini";
const char kContacts[] = "Opera\\contacts.adr";
const char kEudoraIni[] = "Qualcomm\\Eudora\\Eudora.ini";
const char kNicknames[] = "Qualcomm\\Eudora\\NNdbase.txt";

std::string PrefsFile() { return Fixture("netscape/mailnewsTestPrefs.js"); }
std::string AbookFile() { return Fixture("netscape/cardForEmail.mab"); }
std::string ContactsFile() { return Fixture("opera/contacts.adr"); }
std::string NicknamesFile() { return Fixture("eudora/eudora.txt"); }
std::string EudoraIniFile() { return Fixture("eudora/Eudora.adr"); }
std::string Opera7File() {
  return "Opera Preferences version 2.0\r\n\r\n[Accounts]\r\nCount=1\r\n\r\n[Account1]\r\n"
         "Incoming Servername=pop.example.com\r\nIncoming Protocol=POP\r\n"
         "Incoming Username=joe\r\n";
}
std::string Opera6File() {
  return "[INCOMING]\r\nAddress=pop.example.org\r\nLogin=ann\r\nPort=110\r\n";
}

// True when no handle of anyone holds the file open any more (an open
// without sharing succeeds).
bool Released(const std::string& path) {
  HeldFile alone(path, GENERIC_READ, 0);
  return alone.ok();
}

bool IsImport(const char* export_name) { return std::strncmp(export_name, "Import", 6) == 0; }

// One export call on one client file: the result, the log, and the output
// list of an import (pre-filled so that its emptying shows).
struct ExportRun {
  int result = -1;
  std::vector<std::string> log;
  bool output_exists = false;
  std::string output;
};

ExportRun CallOnce(const Config& config, const char* export_name) {
  TempFolder out("faults-out");
  const std::string list = out.Join("list.txt");
  if (IsImport(export_name)) WriteFileBytes(list, "stale@example.com\r\n");
  ExportRun run;
  run.result = config.Call(export_name, IsImport(export_name) ? list : kProxy);
  run.log = Config::Log();
  run.output_exists = ReadFileBytes(list, run.output);
  return run;
}

// ------------------------------------------------------- reads that fail

// A read that fails after the file was opened: the read error of the
// client, nothing rewritten, no temporary file, an emptied output list.
TEST(FaultsReadAfterOpen, EveryClientFileTable) {
  struct Row {
    const char* what;
    const char* file;
    std::string (*bytes)();
    int whole_reads;  // reads passed on before the failing one
    bool half;        // the failing read first gives half of what it asked
    const char* export_name;
    int result;
    std::vector<std::string> log_tail;
  };
  const std::string book_error = "BaseException :Unable to read address book file.";
  const std::string prefs_error = "BaseException : Unable to read perference file.";
  const Row rows[] = {
      {"contacts.adr, first read fails", kContacts, &ContactsFile, 0, false,
       "ImportOperaWhiteList", 1, {book_error}},
      {"contacts.adr, fails half-way", kContacts, &ContactsFile, 0, true, "ImportOperaWhiteList",
       1, {book_error}},
      {"abook.mab, first read fails", kAbook, &AbookFile, 0, false, "ImportNetscapeWhiteList", 1,
       {book_error}},
      {"abook.mab, fails half-way", kAbook, &AbookFile, 0, true, "ImportNetscapeWhiteList", 1,
       {book_error}},
      {"NNdbase.txt, first read fails", kNicknames, &NicknamesFile, 0, false,
       "ImportEudoraWhiteList", 1, {book_error}},
      {"NNdbase.txt, fails half-way", kNicknames, &NicknamesFile, 0, true,
       "ImportEudoraWhiteList", 1, {book_error}},
      {"prefs.js, first read fails (Set)", kPrefs, &PrefsFile, 0, false, "SetNetscape", 4,
       {"Reading preference file :" + ClientFiles::Path(kPrefs), prefs_error}},
      {"prefs.js, fails half-way (Reset)", kPrefs, &PrefsFile, 0, true, "ResetNetscape", 4,
       {"Reading preference file :" + ClientFiles::Path(kPrefs), prefs_error}},
      {"prefs.js, read whole, the reread before the rewrite fails half-way", kPrefs, &PrefsFile,
       1, true, "SetNetscape", 4,
       {"Mail server settings changed. Write back into preference file.", prefs_error}},
  };
  Config config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ClientFiles files;
    files.Put(row.file, row.bytes());
    ArmedFaults faults;
    faults->whole_reads = row.whole_reads;
    faults->read_half = row.half;
    ExportRun run;
    {
      PatchedImport read(config.module(), kKernel32, "ReadFile",
                         Stub(&ReadFile, &ReadFailingAfterOpen));
      ASSERT_TRUE(read.ok());
      run = CallOnce(config, row.export_name);
    }
    EXPECT_EQ(run.result, row.result);
    EXPECT_EQ(faults->reads, row.whole_reads + (row.half ? 2 : 1));
    if (IsImport(row.export_name)) {
      EXPECT_EQ(run.log, row.log_tail) << Printable(run.log);
      EXPECT_TRUE(run.output_exists);
      EXPECT_EQ(run.output, "");
    } else {
      EXPECT_EQ(Tail(run.log, row.log_tail.size()), row.log_tail) << Printable(run.log);
    }
    EXPECT_TRUE(Released(ClientFiles::Path(row.file))) << "left open";
    EXPECT_EQ(files.Changes(), "");
  }
}

// --------------------------------------------- memory: any other exception

std::string Padded(const std::string& bytes, const char* comment) {
  return bytes + comment + std::string(2 << 20, 'x') + "\r\n";
}

// Memory runs out inside the client code (allocations of 1 MB and more fail,
// so a 2 MB client file cannot be held): Set and Reset give 1 and
// "Unhandled Exception", the white-list exports 3 and "Unknow Exception in
// retrieveWhileListEmail" with an emptied list, the blocked-senders export 0
// with an emptied list.  Nothing is rewritten.
TEST(FaultsOutOfMemory, AnyOtherExceptionTable) {
  struct Row {
    const char* what;
    const char* file;  // nullptr: a blocked sender of 2 MB in the registry
    std::string bytes;
    const char* export_name;
    int result;
    std::vector<std::string> log_tail;
  };
  const std::vector<std::string> unknown = {"Unknow Exception in retrieveWhileListEmail"};
  const std::string reading = "Reading preference file :" + ClientFiles::Path(kPrefs);
  const Row rows[] = {
      {"SetNetscape", kPrefs, Padded(PrefsFile(), "// "), "SetNetscape", 1,
       {reading, "Unhandled Exception"}},
      {"ResetNetscape", kPrefs, Padded(PrefsFile(), "// "), "ResetNetscape", 1,
       {reading, "Unhandled Exception"}},
      {"ImportNetscapeWhiteList", kAbook, Padded(AbookFile(), "// "), "ImportNetscapeWhiteList",
       3, unknown},
      {"ImportOperaWhiteList", kContacts, Padded(ContactsFile(), "#NOTE "),
       "ImportOperaWhiteList", 3, unknown},
      {"ImportEudoraWhiteList", kNicknames, Padded(NicknamesFile(), "note x "),
       "ImportEudoraWhiteList", 3, unknown},
      {"ImportOutlookExpressBlackList", nullptr, "", "ImportOutlookExpressBlackList", 0, {}},
  };
  const std::string criteria =
      "Identities\\{1A2B3C4D-0000-0000-0000-00000000000A}\\Software\\Microsoft\\"
      "Outlook Express\\5.0\\Block Senders\\Mail\\Criteria\\000";
  Config config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ClientFiles files;
    ScratchKey identities("Identities");
    const std::string sender = std::string(2 << 20, 's') + "@example.com";
    if (row.file != nullptr)
      files.Put(row.file, row.bytes);
    else
      ASSERT_TRUE(SetText(HKEY_CURRENT_USER, criteria, "Value", sender));
    ArmedFaults faults;
    faults->malloc_limit = 1 << 20;
    ExportRun run;
    {
      PatchedImport malloc_import(config.module(), kCrt, "malloc",
                                  Stub(&std::malloc, &MallocFailingLarge));
      ASSERT_TRUE(malloc_import.ok());
      run = CallOnce(config, row.export_name);
    }
    EXPECT_EQ(run.result, row.result);
    EXPECT_GE(faults->failed_mallocs, 1);
    if (IsImport(row.export_name)) {
      EXPECT_EQ(run.log, row.log_tail) << Printable(run.log);
      EXPECT_TRUE(run.output_exists);
      EXPECT_EQ(run.output, "");
    } else {
      EXPECT_EQ(Tail(run.log, row.log_tail.size()), row.log_tail) << Printable(run.log);
    }
    if (row.file != nullptr) { EXPECT_TRUE(Released(ClientFiles::Path(row.file))) << "left open"; }
    EXPECT_EQ(files.Changes(), "");
    if (row.file == nullptr) { EXPECT_EQ(GetRaw(HKEY_CURRENT_USER, criteria, "Value").bytes, sender + '\0'); }
  }
}

// Memory runs out while the client's folders are being searched (the list of
// found files cannot grow past 16 entries): the export fails as above and
// every folder listing opened is closed again.
TEST(FaultsOutOfMemory, SearchStoppedHalfWayClosesEveryFolder) {
  struct Row {
    const char* folder;  // below Application Data; 40 sub folders with one file each
    const char* name;
    const char* export_name;
    int result;
    std::vector<std::string> log_tail;
  };
  const Row rows[] = {
      {"Mozilla\\Profiles", "prefs.js", "SetNetscape", 1, {"Unhandled Exception"}},
      {"Opera\\Contacts", "contacts.adr", "ImportOperaWhiteList", 3,
       {"Unknow Exception in retrieveWhileListEmail"}},
  };
  Config config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.export_name);
    ClientFiles files;
    for (int i = 0; i < 40; ++i)
      files.Put(std::string(row.folder) + "\\p" + std::to_string(i) + "\\" + row.name, "");
    ArmedFaults faults;
    faults->malloc_limit = 16 * sizeof(WIN32_FIND_DATAA);
    ExportRun run;
    {
      PatchedImport malloc_import(config.module(), kCrt, "malloc",
                                  Stub(&std::malloc, &MallocFailingLarge));
      PatchedImport find_first(config.module(), kKernel32, "FindFirstFileA",
                               Stub(&FindFirstFileA, &CountedFindFirst));
      PatchedImport find_close(config.module(), kKernel32, "FindClose",
                               Stub(&FindClose, &CountedFindClose));
      ASSERT_TRUE(malloc_import.ok() && find_first.ok() && find_close.ok());
      run = CallOnce(config, row.export_name);
    }
    EXPECT_EQ(run.result, row.result);
    EXPECT_GE(faults->failed_mallocs, 1);
    EXPECT_EQ(Tail(run.log, row.log_tail.size()), row.log_tail) << Printable(run.log);
    EXPECT_GE(faults->searches_opened, 3);
    EXPECT_EQ(faults->searches_closed, faults->searches_opened);
    EXPECT_EQ(files.Changes(), "");
  }
}

// ------------------------------------------- Application Data folder unknown

// The current folder of this process for the life of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& path) {
    char saved[MAX_PATH] = {0};
    GetCurrentDirectoryA(MAX_PATH, saved);
    saved_ = saved;
    EXPECT_TRUE(SetCurrentDirectoryA(path.c_str())) << path;
  }
  ~CurrentFolder() { SetCurrentDirectoryA(saved_.c_str()); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::string saved_;
};

// A folder removed with its content when constructed and destroyed.
class RemovedTree {
 public:
  explicit RemovedTree(const std::string& path) : path_(path) { RemoveTree(path_); }
  ~RemovedTree() { RemoveTree(path_); }
  RemovedTree(const RemovedTree&) = delete;
  RemovedTree& operator=(const RemovedTree&) = delete;

 private:
  std::string path_;
};

// The shell cannot name the Application Data folder: the clients' files
// there are not found (the searches start at "\Opera" and "\Mozilla" of the
// current drive, which hold nothing here) and nothing is touched.
TEST(FaultsAppDataUnknown, ClientFilesThereAreNotFound) {
  struct Row {
    const char* file;
    std::string bytes;
    const char* export_name;
    int result;
    std::vector<std::string> log_tail;
  };
  const Row rows[] = {
      {kPrefs, PrefsFile(), "SetNetscape", 4,
       {"BaseException : No Netscape preference files found"}},
      {kAbook, AbookFile(), "ImportNetscapeWhiteList", 255, {}},
      {kAccounts, Opera7File(), "SetOpera", 4, {"BaseException : No Opera Account found on PC."}},
      {kContacts, ContactsFile(), "ImportOperaWhiteList", 255, {}},
      {kEudoraIni, EudoraIniFile(), "SetEudora", 4, {"BaseException : No Eudora ini file found"}},
      {kNicknames, NicknamesFile(), "ImportEudoraWhiteList", 255, {}},
  };
  Config config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.export_name);
    ClientFiles files;
    files.Put(row.file, row.bytes);
    ExportRun run;
    {
      PatchedImport folder(config.module(), "SHELL32.dll", "SHGetSpecialFolderLocation",
                           Stub(&SHGetSpecialFolderLocation, &SpecialFolderFailing));
      ASSERT_TRUE(folder.ok());
      run = CallOnce(config, row.export_name);
    }
    EXPECT_EQ(run.result, row.result);
    EXPECT_EQ(Tail(run.log, row.log_tail.size()), row.log_tail) << Printable(run.log);
    if (IsImport(row.export_name)) {
      EXPECT_EQ(run.log, row.log_tail) << Printable(run.log);
      EXPECT_TRUE(run.output_exists);
      EXPECT_EQ(run.output, "");
    }
    EXPECT_EQ(files.Changes(), "");
  }
}

// Eudora's own file is then looked for at "\Qualcomm\Eudora\Eudora.ini", at
// the root of the current drive: the file there is the one configured.
TEST(FaultsAppDataUnknown, EudoraTakesTheFileAtTheRootOfTheCurrentDrive) {
  ClientFiles files;
  files.Put(kEudoraIni, EudoraIniFile());
  const std::string root_folder = "C:\\Qualcomm";
  RemovedTree removed(root_folder);
  ASSERT_TRUE(WriteFileBytes(root_folder + "\\Eudora\\Eudora.ini",
                             "[Settings]\r\nLoginName=ann\r\nPopServer=pop.a.org\r\n"));
  Config config;
  ASSERT_TRUE(config.ok());
  int result = 0;
  {
    CurrentFolder current("C:\\");
    PatchedImport folder(config.module(), "SHELL32.dll", "SHGetSpecialFolderLocation",
                         Stub(&SHGetSpecialFolderLocation, &SpecialFolderFailing));
    ASSERT_TRUE(folder.ok());
    result = config.Call("SetEudora", kProxy);
  }
  const std::vector<std::string> log = Config::Log();
  std::string rewritten;
  ReadFileBytes(root_folder + "\\Eudora\\Eudora.ini", rewritten);
  EXPECT_EQ(result, 255);
  EXPECT_TRUE(HasLine(log, "Configuring Ini File:\\Qualcomm\\Eudora\\Eudora.ini"))
      << Printable(log);
  EXPECT_TRUE(HasLine(log, "Default sections updated successfully")) << Printable(log);
  EXPECT_NE(rewritten.find("LoginName=ann@pop.a.org"), std::string::npos) << rewritten;
  EXPECT_NE(rewritten.find("PopServer=127.0.0.1"), std::string::npos) << rewritten;
  EXPECT_EQ(files.Changes(), "");
}

// ------------------------------------------------------------- the log

// The log cannot be written: the line is lost and nothing else changes (the
// export still answers 2 for an empty proxy address).
TEST(FaultsLog, LinesThatCannotBeWrittenAreLostSilently) {
  struct Row {
    const char* what;
    const char* dll;  // nullptr: nothing patched
    const char* function;
    const void* stub;
    bool log_file;  // the log file exists after the call
    std::vector<std::string> log;
  };
  const Row rows[] = {
      {"nothing fails", nullptr, nullptr, nullptr, true,
       {"BaseException : Invalid IP Address specified."}},
      {"module name without a backslash", kKernel32, "GetModuleFileNameA",
       Stub(&GetModuleFileNameA, &ModuleNameWithoutBackslash), false, {}},
      {"module name unknown", kKernel32, "GetModuleFileNameA",
       Stub(&GetModuleFileNameA, &ModuleNameFailing), false, {}},
      {"module name longer than the buffer", kKernel32, "GetModuleFileNameA",
       Stub(&GetModuleFileNameA, &ModuleNameCut), false, {}},
      {"log file cannot be opened", kCrt, "fopen", Stub(&std::fopen, &FopenFailingAppend), false,
       {}},
      {"log file takes no bytes", kCrt, "fwrite", Stub(&std::fwrite, &FwriteWritingNothing), true,
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // The log's path is worked out on the first line of a loaded DLL: a
    // fresh load per row.
    Config config;
    ASSERT_TRUE(config.ok());
    int result = 0;
    {
      std::unique_ptr<PatchedImport> patch;
      if (row.dll != nullptr) {
        patch.reset(new PatchedImport(config.module(), row.dll, row.function, row.stub));
        ASSERT_TRUE(patch->ok());
      }
      result = config.Call("SetOpera", "");
    }
    EXPECT_EQ(result, 2);
    EXPECT_EQ(FileExists(ConfigLogPath()), row.log_file);
    EXPECT_EQ(Config::Log(), row.log);
    EXPECT_FALSE(FileExists("ConfigLog.txt")) << "a log in the current folder";
  }
}

// ------------------------------------------------------ version queries

// Both version queries fail: the extended record is asked for, then the
// basic one, and every version test answers false.
TEST(FaultsWindowsVersion, BothQueriesFailingAnswerFalseEverywhere) {
  ArmedFaults faults;
  PatchedImport query(GetModuleHandleA(nullptr), kKernel32, "GetVersionExA",
                      Stub(&GetVersionExA, &VersionQueryFailing));
  ASSERT_TRUE(query.ok());
  WindowsVersion version;
  EXPECT_FALSE(version.Refresh());
  const std::vector<DWORD> sizes = {sizeof(OSVERSIONINFOEXA), sizeof(OSVERSIONINFOA),
                                    sizeof(OSVERSIONINFOEXA), sizeof(OSVERSIONINFOA)};
  EXPECT_EQ(faults->version_sizes, sizes);
  EXPECT_FALSE(version.IsWindows9x());
  EXPECT_FALSE(version.IsWindowsNTUpTo2003());
  EXPECT_FALSE(version.IsWindowsNT4OrOlder());
  EXPECT_FALSE(version.IsWindowsXP());
  EXPECT_FALSE(version.IsWindowsXPOr2003());
  EXPECT_FALSE(version.IsWindows2003());
}

// The folder queries answer "" when the system call fails.
TEST(FaultsWindowsVersion, FolderQueriesFailingAnswerEmpty) {
  WindowsVersion version;
  ASSERT_NE(version.GetWindowsFolder(), "");
  ASSERT_NE(version.GetCurrentFolder(), "");
  {
    PatchedImport windows(GetModuleHandleA(nullptr), kKernel32, "GetWindowsDirectoryA",
                          Stub(&GetWindowsDirectoryA, &WindowsFolderFailing));
    ASSERT_TRUE(windows.ok());
    EXPECT_EQ(version.GetWindowsFolder(), "");
  }
  {
    PatchedImport current(GetModuleHandleA(nullptr), kKernel32, "GetCurrentDirectoryA",
                          Stub(&GetCurrentDirectoryA, &CurrentFolderFailing));
    ASSERT_TRUE(current.ok());
    EXPECT_EQ(version.GetCurrentFolder(), "");
  }
}

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\faults_test.exe";

// Run only as a child of the test below, under the Windows version it sets.
TEST(FaultsVersionChild, DISABLED_SetOutlookWithoutVersion) {
  LoadedConfig config;
  ASSERT_TRUE(config.ok());
  ArmedFaults faults;
  PatchedImport query(config.module(), kKernel32, "GetVersionExA",
                      Stub(&GetVersionExA, &VersionQueryFailing));
  ASSERT_TRUE(query.ok());
  EXPECT_EQ(config.Call("SetOutlook", kProxy), 255);
  EXPECT_FALSE(faults->version_sizes.empty());
}

// Without a version record Outlook 2002 takes the NT profiles and Outlook
// 2003 is not tried, whatever Windows runs.
TEST(FaultsWindowsVersion, OutlookWithoutAVersionRecord) {
  ScratchKey office8("Software\\Microsoft\\Office\\8.0\\Outlook");
  ScratchKey office("Software\\Microsoft\\Office\\Outlook");
  ScratchKey messaging9x("Software\\Microsoft\\Windows Messaging Subsystem");
  ScratchKey messaging_nt(
      "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem");
  for (const char* wine_version : {"winxp", "win98"}) {
    SCOPED_TRACE(wine_version);
    ScratchKey app_defaults(kAppDefaults);
    SetText(HKEY_CURRENT_USER, kAppDefaults, "Version", wine_version);
    LoggingValue logging(true);
    ClearLog();
    char self[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string output;
    const int code = RunProgram(std::string("\"") + self +
                                    "\" --gtest_also_run_disabled_tests "
                                    "--gtest_filter=FaultsVersionChild.*",
                                output);
    EXPECT_EQ(code, 0) << output;
    const std::vector<std::string> log = LogLines();
    ClearLog();
    EXPECT_TRUE(HasLine(log, "Outlook 2002 is on NT+ platform")) << Printable(log);
    EXPECT_TRUE(HasLine(log, "Outlook 2003 is not supported in Win9X")) << Printable(log);
    EXPECT_FALSE(HasLine(log, "Outlook 2003 is on NT+ platform")) << Printable(log);
  }
}

// ------------------------------------------------ profile-string writes

// A profile-string write that fails is not noticed: the section counts as
// rewritten, the file keeps its bytes.
TEST(FaultsProfileWrite, FailedWritesCountAsDone) {
  struct Row {
    const char* what;
    const char* file;
    std::string (*bytes)();
    bool opera6;  // the file is found through "Last Directory"
    const char* export_name;
    int writes;
    const char* logged;
  };
  const Row rows[] = {
      {"Opera 7", kAccounts, &Opera7File, false, "SetOpera", 2, "Opera 7 section configured"},
      {"Opera 6", "Opera\\Mail\\Account1\\Account.ini", &Opera6File, true, "SetOpera", 2,
       "Opera 6 setting configured "},
      {"Eudora", kEudoraIni, &EudoraIniFile, false, "SetEudora", 3,
       "Default sections updated successfully"},
  };
  Config config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ClientFiles files;
    files.Put(row.file, row.bytes());
    if (row.opera6)
      SetText(HKEY_CURRENT_USER, "Software\\Opera Software", "Last Directory",
              ClientFiles::Path("Opera\\Mail"));
    ArmedFaults faults;
    ExportRun run;
    {
      PatchedImport write(config.module(), kKernel32, "WritePrivateProfileStringA",
                          Stub(&WritePrivateProfileStringA, &ProfileWriteFailing));
      ASSERT_TRUE(write.ok());
      run = CallOnce(config, row.export_name);
    }
    EXPECT_EQ(run.result, 255);
    EXPECT_EQ(faults->writes, row.writes);
    EXPECT_TRUE(HasLine(run.log, row.logged)) << Printable(run.log);
    EXPECT_EQ(files.Changes(), "");
  }
}

// ------------------------------------------------- whole-file rewrites

// Each step of the prefs.js rewrite failing: 5, the write-back message, the
// old bytes, and no temporary file left beside it.
TEST(FaultsWholeFileRewrite, EachFailingStepKeepsTheOldPreferenceFile) {
  struct Row {
    const char* what;
    const char* function;
    const void* stub;
  };
  const Row rows[] = {
      {"temporary file cannot be created", "CreateFileA",
       Stub(&CreateFileA, &CreateForWritingFailing)},
      {"write fails half-way", "WriteFile", Stub(&WriteFile, &WriteFailingHalfWay)},
      {"flush fails", "FlushFileBuffers", Stub(&FlushFileBuffers, &FlushFailing)},
  };
  Config config;
  ASSERT_TRUE(config.ok());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ClientFiles files;
    files.Put(kPrefs, PrefsFile());
    ArmedFaults faults;
    ExportRun run;
    {
      PatchedImport step(config.module(), kKernel32, row.function, row.stub);
      ASSERT_TRUE(step.ok());
      run = CallOnce(config, "SetNetscape");
    }
    EXPECT_EQ(run.result, 5);
    EXPECT_EQ(Tail(run.log, 2),
              (std::vector<std::string>{"Unable to write mail server settings back into file.",
                                        "---------- Configuring Netscape Completed -----------"}))
        << Printable(run.log);
    EXPECT_EQ(files.Changes(), "");
  }
}

}  // namespace

namespace {

BOOL WINAPI ReadRaisingAccessViolation(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
  RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  return FALSE;
}

BOOL WINAPI ReadWritingThroughNull(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) {
  *static_cast<volatile int*>(nullptr) = 1;
  return FALSE;
}

BOOL WINAPI ReadDividingByZero(HANDLE, LPVOID, DWORD, LPDWORD read, LPOVERLAPPED) {
  volatile int numerator = 100;  // both unknown to the compiler: a real division
  volatile int zero = 0;
  *read = static_cast<DWORD>(numerator / zero);
  return FALSE;
}

// A processor fault inside an export ends it with the export's own failure
// result: Set and Reset 1 and "Unhandled Exception", the file-based white
// lists 3 and "Unknow Exception in retrieveWhileListEmail", the address book
// of Outlook Express 255 with nothing logged; the output list is emptied,
// nothing is rewritten, and the host goes on.  (The abandoned call's files
// stay open in the host until it ends: a later rewrite of one fails with 5.)
TEST(FaultsProcessor, FaultInsideAnExportGivesItsFailureResult) {
  using ReadStub = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
  const char kWabPath[] = "Software\\Microsoft\\WAB\\DLLPath";
  const char kUnhandled[] = "Unhandled Exception";
  const struct {
    const char* name;
    const char* entry;
    ReadStub stub;      // CONFIG.dll's ReadFile (the address book export reads no file)
    const char* wab;    // the test address book's FailAt, nullptr: none
    int result;
    const char* log;    // the last log line; nullptr: nothing logged
  } rows[] = {
      {"access violation raised", "SetNetscape", &ReadRaisingAccessViolation, nullptr, 1,
       kUnhandled},
      {"write through a null pointer", "SetNetscape", &ReadWritingThroughNull, nullptr, 1,
       kUnhandled},
      {"integer division by zero", "SetNetscape", &ReadDividingByZero, nullptr, 1,
       kUnhandled},
      {"write through a null pointer", "ResetNetscape", &ReadWritingThroughNull, nullptr, 1,
       kUnhandled},
      {"write through a null pointer", "ImportNetscapeWhiteList", &ReadWritingThroughNull, nullptr,
       3, "Unknow Exception in retrieveWhileListEmail"},
      {"WABOpen writes through a null pointer", "ImportOutlookExpressWhiteList",
       &ReadWritingThroughNull, "WABOpenFault", 255, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.entry) + ": " + row.name);
    ClientFiles files;
    files.Put(kPrefs, PrefsFile());  // both in every row: the abandoned calls keep them open
    files.Put(kAbook, AbookFile());
    ScratchKey wab("Software\\Corvane Tests\\WAB");
    if (row.wab != nullptr) {
      SetText(HKEY_LOCAL_MACHINE, kWabPath, "", ProgramFolder() + "\\wab\\wabdouble.dll");
      SetText(HKEY_CURRENT_USER, wab.path(), "FailAt", row.wab);
    }
    Config config;
    ASSERT_TRUE(config.ok());
    ExportRun run;
    {
      PatchedImport read(config.module(), kKernel32, "ReadFile", Stub(&ReadFile, row.stub));
      ASSERT_TRUE(read.ok());
      run = CallOnce(config, row.entry);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kWabPath);
    EXPECT_EQ(run.result, row.result);
    if (row.log != nullptr)
      EXPECT_EQ(Tail(run.log, 1), std::vector<std::string>{row.log}) << Printable(run.log);
    else
      EXPECT_EQ(run.log, std::vector<std::string>{}) << Printable(run.log);
    if (IsImport(row.entry)) EXPECT_EQ(run.output, "");
    EXPECT_EQ(files.Changes(), "");
  }
}

}  // namespace
