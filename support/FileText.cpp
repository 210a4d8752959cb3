#include "support/FileText.h"

#include <windows.h>

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

}  // namespace

// The swap is one rename over the target (MoveFileExA with
// MOVEFILE_REPLACE_EXISTING), so there is no moment at which the target is
// missing or partly written.  ReplaceFileA is not used: Wine's moves the
// target aside first, so a writer killed between its two steps leaves no
// target at all, a failure leaves an empty "rf*.tmp" beside it, and it drops
// the target's attributes and replaces a folder of the target's name.
bool ReplaceWholeFile(const std::string& path, const std::string& text) {
  const DWORD kept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD target = GetFileAttributesA(path.c_str());
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (target != INVALID_FILE_ATTRIBUTES) {
    // A read-only file is not replaced (root under Wine would not be stopped
    // by the attribute itself), nor is a folder.
    if ((target & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;
    if ((target & kept) != 0) attributes = target & kept;
  }
  const std::string temp = path + ".corvane-new";
  // A temporary file left by a writer that was killed is overwritten.
  const DWORD stale = GetFileAttributesA(temp.c_str());
  if (stale != INVALID_FILE_ATTRIBUTES && (stale & FILE_ATTRIBUTE_DIRECTORY) == 0)
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, text) && FlushFileBuffers(file) != FALSE;
  CloseHandle(file);
  if (ok && attributes != FILE_ATTRIBUTE_NORMAL)
    ok = SetFileAttributesA(temp.c_str(), attributes) != FALSE;
  if (ok) {
    ok = MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    // Windows 95/98/ME export MoveFileExA but do not implement it: there the
    // target is deleted and the new file renamed, two steps, so a kill in
    // between leaves only prefs.js.corvane-new.
    if (!ok && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
      ok = (DeleteFileA(path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND) &&
           MoveFileA(temp.c_str(), path.c_str()) != FALSE;
  }
  if (!ok) {
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(temp.c_str());
  }
  return ok;
}

OutputFile::OutputFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(static_cast<FILE*>(file_));
}

bool OutputFile::Write(const std::string& bytes) {
  if (file_ == nullptr) return false;
  return std::fwrite(bytes.data(), 1, bytes.size(), static_cast<FILE*>(file_)) == bytes.size();
}
