#include "ClientFiles.h"

#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "WinTestSupport.h"

namespace wintest {

namespace {

const char* const kClientFolders[] = {"Mozilla", "Opera", "Qualcomm\\Eudora"};

}  // namespace

ClientFiles::ClientFiles() { Clean(); }

ClientFiles::~ClientFiles() { Clean(); }

std::string ClientFiles::Path(const std::string& relative) {
  return AppDataFolder() + "\\" + relative;
}

std::string ClientFiles::Put(const std::string& relative, const std::string& bytes) {
  EXPECT_TRUE(WriteFileBytes(Path(relative), bytes)) << relative;
  files_.push_back({relative, bytes});
  return Path(relative);
}

std::string ClientFiles::Changes() const {
  std::string changes;
  for (const File& file : files_) {
    std::string now;
    if (!ReadFileBytes(Path(file.relative), now))
      changes += file.relative + " is gone\n";
    else if (now != file.bytes)
      changes += file.relative + " changed\n";
  }
  for (const char* folder : kClientFolders) {
    for (const std::string& name : FilesBelow(Path(folder))) {
      const std::string relative = std::string(folder) + "\\" + name;
      const bool put = std::any_of(files_.begin(), files_.end(),
                                   [&](const File& file) { return file.relative == relative; });
      if (!put) changes += relative + " appeared\n";
    }
  }
  return changes;
}

void ClientFiles::Clean() {
  for (const char* folder : kClientFolders) RemoveTree(Path(folder));
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Opera.exe");
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe");
  DeleteTree(HKEY_CURRENT_USER, "Software\\Opera Software");
}

}  // namespace wintest
