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
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file.get(), &size) != FALSE && size.QuadPart < 0x7FFFFFFF;
  std::string data;
  if (ok) {
    data.resize(static_cast<std::size_t>(size.QuadPart));
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
  if (ok)
    ok = MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
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
