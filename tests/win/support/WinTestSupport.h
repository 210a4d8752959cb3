// Helpers for the tests that run under Wine against the real registry,
// file system and the built CONFIG.dll.
#ifndef CORVANE_TESTS_WIN_WINTESTSUPPORT_H
#define CORVANE_TESTS_WIN_WINTESTSUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "corvane_config.h"

namespace wintest {

// Folder of the running test program (where CONFIG.dll and the tools are).
std::string ProgramFolder();
std::string ConfigDllPath();
std::string ConfigLogPath();

// Deletes a registry key of HKEY_CURRENT_USER with all its sub keys, when
// constructed and again when destroyed.
class ScratchKey {
 public:
  explicit ScratchKey(const std::string& path);
  ~ScratchKey();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
void DeleteTree(HKEY root, const std::string& path);

// Raw registry access for arranging and checking, independent of RegistryKey.
bool SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
            const void* data, DWORD size);
bool SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
            const std::string& bytes);
bool SetText(HKEY root, const std::string& key, const std::string& name, const std::string& text);
bool SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
struct RawValue {
  bool exists = false;
  DWORD type = 0;
  std::string bytes;
};
RawValue GetRaw(HKEY root, const std::string& key, const std::string& name);
bool KeyExists(HKEY root, const std::string& key);

// A fresh, empty folder below the system's temporary folder, removed with
// its content at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name);
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::string Join(const std::string& relative) const;

 private:
  std::string path_;
};
void RemoveTree(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);  // makes parent folders
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool FileExists(const std::string& path);
// The names in one folder in the order the file system lists them, without
// "." and "..".
std::vector<std::string> FolderListing(const std::string& folder);
// Every file below a folder, as paths relative to it ("a\\b.txt"), sorted;
// empty when the folder does not exist.
std::vector<std::string> FilesBelow(const std::string& folder);

// Sets the product's "Logging" value (or removes it) for the life of the
// object, restoring what was there.
class LoggingValue {
 public:
  explicit LoggingValue(bool on);
  ~LoggingValue();

 private:
  RawValue saved_;
};

// CONFIG.dll loaded for the life of the object.  The DLL decides about
// logging when it loads, so the Logging value must be set before.
class LoadedConfig {
 public:
  LoadedConfig();
  ~LoadedConfig();
  bool ok() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }
  int Call(const char* export_name, const std::string& argument) const;

 private:
  HMODULE module_;
};

// Logging switched on and CONFIG.dll loaded for the life of the object;
// every Call starts from an empty log, so ReadLog/LogLines show that call's
// lines.  The log is removed at the end.
class LoggedConfig {
 public:
  LoggedConfig();
  ~LoggedConfig();
  int Call(const char* export_name, const std::string& argument) const;

 private:
  LoggingValue logging_;
  LoadedConfig config_;
};

// A file held open by the test for the life of the object, with the given
// access and sharing (0: no other handle may open it; FILE_SHARE_READ:
// others may read it but neither write, rename nor delete it).
class HeldFile {
 public:
  explicit HeldFile(const std::string& path, DWORD access = GENERIC_READ | GENERIC_WRITE,
                    DWORD share = 0);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// The configuration log's bytes; ClearLog deletes the file.
std::string ReadLog();
void ClearLog();
// Lines of the log (split at CR LF).
std::vector<std::string> LogLines();
// Whether one of the lines is exactly this one.
bool HasLine(const std::vector<std::string>& lines, const std::string& line);

// One export called with logging on, on a freshly loaded CONFIG.dll: its
// result and the lines it logged.  The log is removed again.
struct LoggedRun {
  int result = -1;
  std::vector<std::string> log;
};
LoggedRun CallLogged(const char* export_name, const std::string& argument);

// The current user's Application Data folder, as the shell reports it.
std::string AppDataFolder();

// The host (Unix) path of a Windows path, through Wine's own conversion;
// "" when not running under Wine.
std::string UnixPath(const std::string& windows_path);

// Runs a host program (Wine starts ELF binaries through CreateProcess, but
// hands back no process to wait for), then waits up to 20 s for `done`.
bool RunOnHost(const std::string& command_line, bool (*done)(const std::string&),
               const std::string& probe);

// A host symbolic link at `link` (a Windows path) to `target`, made with the
// host's ln -s and removed again (only the link) at the end.  With a host
// path for the link, `seen_as` is the Windows path it shows as.
class HostLink {
 public:
  HostLink(const std::string& target, const std::string& link)
      : HostLink(target, UnixPath(link), link) {}
  HostLink(const std::string& target, const std::string& unix_link, const std::string& seen_as);
  ~HostLink();
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;
  bool made() const { return made_; }

 private:
  std::string unix_link_;
  std::string seen_as_;
  bool made_ = false;
};

// Runs a program of the build folder with arguments; returns its exit code
// and output (stdout and stderr together).
int RunProgram(const std::string& command_line, std::string& output);

}  // namespace wintest

#endif  // CORVANE_TESTS_WIN_WINTESTSUPPORT_H
