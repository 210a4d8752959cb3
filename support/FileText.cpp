#include "support/FileText.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

bool ReadWholeFile(const std::string& path, std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) != FALSE && size.QuadPart < 0x7FFFFFFF;
  std::string data;
  if (ok) {
    data.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (ok && done < data.size()) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1 << 24));
      DWORD read = 0;
      ok = ReadFile(file, &data[done], chunk, &read, nullptr) != FALSE && read > 0;
      done += read;
    }
  }
  CloseHandle(file);
  if (!ok) return false;
  text.swap(data);
  return true;
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

bool ReplaceWholeFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".corvane-new";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, text) && FlushFileBuffers(file) != FALSE;
  CloseHandle(file);
  if (ok) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      ok = ReplaceFileA(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr) != FALSE;
    else
      ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (!ok) DeleteFileA(temp.c_str());
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
