#include "WinTestSupport.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

namespace wintest {

std::string ProgramFolder() {
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.rfind('\\'));
}

std::string ConfigDllPath() { return ProgramFolder() + "\\CONFIG.dll"; }
std::string ConfigLogPath() { return ProgramFolder() + "\\ConfigLog.txt"; }

void DeleteTree(HKEY root, const std::string& path) { SHDeleteKeyA(root, path.c_str()); }

ScratchKey::ScratchKey(const std::string& path) : path_(path) {
  DeleteTree(HKEY_CURRENT_USER, path_);
}
ScratchKey::~ScratchKey() { DeleteTree(HKEY_CURRENT_USER, path_); }

bool SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
            const void* data, DWORD size) {
  HKEY opened = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) !=
      ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(opened, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
            ERROR_SUCCESS;
  RegCloseKey(opened);
  return ok;
}

bool SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
            const std::string& bytes) {
  return SetRaw(root, key, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool SetText(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
  return SetRaw(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  return SetRaw(root, key, name, REG_DWORD, &value, sizeof(value));
}

RawValue GetRaw(HKEY root, const std::string& key, const std::string& name) {
  RawValue value;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  DWORD type = 0;
  if (RegQueryValueExA(opened, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string bytes(size, '\0');
    if (RegQueryValueExA(opened, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&bytes[0]), &size) == ERROR_SUCCESS) {
      value.exists = true;
      value.type = type;
      value.bytes = bytes.substr(0, size);
    }
  }
  RegCloseKey(opened);
  return value;
}

bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(full);
      else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(full.c_str());
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

TempFolder::TempFolder(const std::string& name) {
  char temp[MAX_PATH] = {0};
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + "corvane-test-" + name;
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::Join(const std::string& relative) const { return path_ + "\\" + relative; }

static void MakeParents(const std::string& path) {
  for (std::string::size_type slash = path.find('\\', 3); slash != std::string::npos;
       slash = path.find('\\', slash + 1))
    CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  MakeParents(path);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes.clear();
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return true;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FolderListing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

static void ListFiles(const std::string& folder, const std::string& prefix,
                      std::vector<std::string>& files) {
  for (const std::string& name : FolderListing(folder)) {
    const std::string path = folder + "\\" + name;
    if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(path, prefix + name + "\\", files);
    else
      files.push_back(prefix + name);
  }
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  ListFiles(folder, "", files);
  std::sort(files.begin(), files.end());
  return files;
}

static const char kProductKey[] = "Software\\Vantrel\\Corvane";

LoggingValue::LoggingValue(bool on) : saved_(GetRaw(HKEY_CURRENT_USER, kProductKey, "Logging")) {
  if (on) {
    SetDword(HKEY_CURRENT_USER, kProductKey, "Logging", 0);
  } else {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "Logging");
      RegCloseKey(key);
    }
  }
}

LoggingValue::~LoggingValue() {
  HKEY key = nullptr;
  if (saved_.exists) {
    SetRaw(HKEY_CURRENT_USER, kProductKey, "Logging", saved_.type, saved_.bytes.data(),
           static_cast<DWORD>(saved_.bytes.size()));
  } else if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "Logging");
    RegCloseKey(key);
  }
}

LoadedConfig::LoadedConfig() : module_(LoadLibraryA(ConfigDllPath().c_str())) {}
LoadedConfig::~LoadedConfig() {
  if (module_ != nullptr) FreeLibrary(module_);
}

int LoadedConfig::Call(const char* export_name, const std::string& argument) const {
  CorvaneConfigFunction function =
      reinterpret_cast<CorvaneConfigFunction>(
          reinterpret_cast<void*>(GetProcAddress(module_, export_name)));
  if (function == nullptr) return -1000;
  return function(argument.c_str());
}

LoggedConfig::LoggedConfig() : logging_(true) { ClearLog(); }
LoggedConfig::~LoggedConfig() { ClearLog(); }

int LoggedConfig::Call(const char* export_name, const std::string& argument) const {
  ClearLog();
  return config_.Call(export_name, argument);
}

HeldFile::HeldFile(const std::string& path, DWORD access, DWORD share)
    : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

std::string ReadLog() {
  std::string bytes;
  ReadFileBytes(ConfigLogPath(), bytes);
  return bytes;
}

void ClearLog() { DeleteFileA(ConfigLogPath().c_str()); }

std::vector<std::string> LogLines() {
  std::vector<std::string> lines;
  const std::string text = ReadLog();
  std::string::size_type start = 0;
  for (;;) {
    std::string::size_type end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

LoggedRun CallLogged(const char* export_name, const std::string& argument) {
  ClearLog();
  LoggedRun run;
  {
    LoggingValue logging(true);
    LoadedConfig config;
    if (config.ok()) run.result = config.Call(export_name, argument);
  }
  run.log = LogLines();
  ClearLog();
  return run;
}

std::string AppDataFolder() {
  char path[MAX_PATH] = {0};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path);
  return path;
}

std::string UnixPath(const std::string& windows_path) {
  typedef char*(CDECL * UnixNameFunction)(const WCHAR*);
  UnixNameFunction unix_name = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return std::string();
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH))
    return std::string();
  char* text = unix_name(wide);
  if (text == nullptr) return std::string();
  std::string result = text;
  HeapFree(GetProcessHeap(), 0, text);
  return result;
}

bool RunOnHost(const std::string& command_line, bool (*done)(const std::string&),
               const std::string& probe) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string line = command_line;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  if (process.hProcess) {
    WaitForSingleObject(process.hProcess, 20000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  for (int wait = 0; wait < 200 && !done(probe); ++wait) Sleep(100);
  return done(probe);
}

namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
bool Gone(const std::string& path) { return !Exists(path); }

}  // namespace

HostLink::HostLink(const std::string& target, const std::string& unix_link,
                   const std::string& seen_as)
    : unix_link_(unix_link), seen_as_(seen_as) {
  const std::string unix_target = UnixPath(target);
  made_ = !unix_target.empty() && !unix_link.empty() &&
          RunOnHost("Z:\\bin\\ln -s " + unix_target + " " + unix_link, Exists, seen_as);
}

HostLink::~HostLink() {
  if (made_) RunOnHost("Z:\\bin\\rm -f " + unix_link_, Gone, seen_as_);
}

int RunProgram(const std::string& command_line, std::string& output) {
  output.clear();
  SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &security, 0)) return -1;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::string line = command_line;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    CloseHandle(read_end);
    CloseHandle(write_end);
    return -1;
  }
  CloseHandle(write_end);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read_end, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    output.append(buffer, got);
  CloseHandle(read_end);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

}  // namespace wintest
