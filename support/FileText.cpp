#include "support/FileText.h"

// The library runs on Windows XP; GetFinalPathNameByHandleA (Vista) is bound
// at run time, with the declaration of the newer headers.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include <windows.h>
#include <fileapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "support/BaseException.h"

namespace {

// A file handle closed when the object goes, also when the buffer for the
// file's bytes cannot be had.
class OpenedFile {
 public:
  explicit OpenedFile(HANDLE handle) : handle_(handle) {}
  ~OpenedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

FileRead ReadWholeFile(const std::string& path, std::string& text) {
  OpenedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return FileRead::kCannotOpen;
  // GetFileSize, not GetFileSizeEx (Windows 98 and NT 4.0 lack it).  A failure
  // returns INVALID_FILE_SIZE, which like any size of 2 GB and more (a high
  // part other than 0 included) is refused.
  DWORD high = 0;
  const DWORD low = GetFileSize(file.get(), &high);
  bool ok = high == 0 && low < 0x7FFFFFFF;
  std::string data;
  if (ok) {
    data.resize(static_cast<std::size_t>(low));
    std::size_t done = 0;
    while (ok && done < data.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1 << 24));
      DWORD read = 0;
      ok = ReadFile(file.get(), &data[done], chunk, &read, nullptr) != FALSE && read > 0;
      done += read;
    }
  }
  if (!ok) return FileRead::kCannotRead;
  text.swap(data);
  return FileRead::kDone;
}

std::string ReadClientFile(const std::string& path, const char* open_error,
                           const char* read_error, int severity, const char* source_file,
                           int line) {
  std::string text;
  switch (ReadWholeFile(path, text)) {
    case FileRead::kCannotOpen:
      throw Tessaly::BaseException(source_file, line, open_error, severity);
    case FileRead::kCannotRead:
      throw Tessaly::BaseException(source_file, line, read_error, severity);
    case FileRead::kDone:
      break;
  }
  return text;
}

namespace {

bool WriteAll(HANDLE file, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 24));
    DWORD written = 0;
    if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// The plain write: the file created or cut to nothing, the whole text
// written, closed.  Opened as the C runtime opens a file for "wb" (sharing
// reading and writing, normal attributes), so a file another program holds
// open sharing writing is written, a link is written through to its target,
// and a hidden or system file is refused by the system as there.
bool WriteInPlace(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(file, text);
  return CloseHandle(file) != FALSE && written;
}

// The name of the file that `path` leads to, links followed (a "\\?\"
// path); `path` itself when it names no file or the system cannot tell
// (before Windows Vista, which has no links to files).
std::string FileLedTo(const std::string& path) {
  using FinalName = decltype(&::GetFinalPathNameByHandleA);
  const FinalName final_name = reinterpret_cast<FinalName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  if (final_name == nullptr) return path;
  HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  std::string name(MAX_PATH, '\0');
  DWORD length = final_name(file, &name[0], static_cast<DWORD>(name.size()), 0);
  if (length >= name.size()) {
    name.resize(length + 1);
    length = final_name(file, &name[0], static_cast<DWORD>(name.size()), 0);
  }
  CloseHandle(file);
  if (length == 0 || length >= name.size()) return path;
  name.resize(length);
  return name;
}

}  // namespace

// Where it can, the rewrite goes to a temporary file in the same folder that
// is then swapped for the target in one rename (MoveFileExA with
// MOVEFILE_REPLACE_EXISTING), so a writer killed half-way leaves the old
// bytes.  ReplaceFileA is not used: Wine's moves the target aside first, so a
// writer killed between its two steps leaves no target at all.
// A name that is a link is followed first: the temporary file goes beside
// the file the link leads to and replaces that one, so the link stays.
// Where the rename cannot give what the plain write gives, the plain write is
// made: a folder where no new file may be created, a target the rename may
// not replace because another program holds it open sharing writing.  A
// target the plain write would be refused (read-only, hidden, system, a
// folder) is refused here too, before anything is written.
bool ReplaceWholeFile(const std::string& name, const std::string& text) {
  const std::string path = FileLedTo(name);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  // Root under Wine would not be stopped by the read-only attribute itself.
  const DWORD refused = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY |
                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & refused) != 0) return false;
  const std::string temp = path + ".corvane-new";
  // A temporary file left by a writer that was killed is overwritten.
  const DWORD stale = GetFileAttributesA(temp.c_str());
  if (stale != INVALID_FILE_ATTRIBUTES && (stale & FILE_ATTRIBUTE_DIRECTORY) == 0)
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return WriteInPlace(path, text);
  bool ok = WriteAll(file, text) && FlushFileBuffers(file) != FALSE;
  CloseHandle(file);
  bool swapped = ok && MoveFileExA(temp.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  // Windows 95/98/ME export MoveFileExA but do not implement it: there the
  // target is deleted and the new file renamed, two steps, so a kill in
  // between leaves only prefs.js.corvane-new.
  if (ok && !swapped && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
    swapped = (DeleteFileA(path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND) &&
              MoveFileA(temp.c_str(), path.c_str()) != FALSE;
  // A temporary file that could not be written whole says the disk would
  // not take the plain write either: the target keeps its old bytes.
  if (!swapped) DeleteFileA(temp.c_str());
  if (ok && !swapped) swapped = WriteInPlace(path, text);
  return swapped;
}

OutputFile::OutputFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(static_cast<FILE*>(file_));
}

bool OutputFile::Write(const std::string& bytes) {
  if (file_ == nullptr) return false;
  return std::fwrite(bytes.data(), 1, bytes.size(), static_cast<FILE*>(file_)) == bytes.size();
}
