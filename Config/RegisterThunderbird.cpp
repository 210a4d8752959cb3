#include "Config/RegisterThunderbird.h"

#include <algorithm>

#include "Config/ThunderbirdBook.h"
#include "support/FileFinder.h"
#include "support/FileText.h"
#include "support/text/PathMatch.h"

namespace {

const char kSourceFile[] = "Config\\RegisterThunderbird";
const char kNoProfiles[] = "No Thunderbird profiles found.";
const char kProfileList[] = "profiles.ini";

// The address books in the order they are read: the personal books (the
// first and those the user made), then the collected addresses; Mork before
// SQLite.
struct BookGroup {
  const char* names;
  bool mork;
};
const BookGroup kBookGroups[] = {{"abook.mab;abook-*.mab", true},
                                 {"history.mab", true},
                                 {"abook.sqlite;abook-*.sqlite", false},
                                 {"history.sqlite", false}};

// Section names and values of profiles.ini, read through the profile-string
// functions.  A value longer than the buffer is cut; a path is far shorter.
const DWORD kValueBuffer = 1024;

std::string ReadProfileValue(const std::string& file, const char* section, const char* key) {
  std::string buffer(kValueBuffer, '\0');
  GetPrivateProfileStringA(section, key, "", &buffer[0], kValueBuffer, file.c_str());
  return std::string(buffer.c_str());
}

// Every section name of the INI file (none when it does not exist).
std::vector<std::string> SectionNames(const std::string& file) {
  for (DWORD size = 4096;; size *= 2) {
    std::string buffer(size, '\0');
    const DWORD length =
        GetPrivateProfileStringA(nullptr, nullptr, "", &buffer[0], size, file.c_str());
    if (length + 2 < size || size >= (1u << 24)) {
      std::vector<std::string> names;
      for (std::string::size_type at = 0; at < length && buffer[at] != '\0';) {
        names.push_back(std::string(buffer.c_str() + at));
        at += names.back().size() + 1;
      }
      return names;
    }
  }
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True for a file inside an add-on's folder ("\extensions\" below the
// Profiles folder): the defaults an add-on ships, a "prefs.js" among them,
// are not the profile's own files.
bool InAddOn(const std::string& below_profiles) {
  return corvane::LowerAscii(below_profiles).find("\\extensions\\") != std::string::npos;
}

}  // namespace

std::vector<std::string> RegisterThunderbird::PreferenceFiles(int line) const {
  std::vector<std::string> files;
  FindProfileFiles("prefs.js", files);
  if (files.empty()) throw Tessaly::BaseException(kSourceFile, line, kNoProfiles, 4);
  return files;
}

bool RegisterThunderbird::Configure(const std::string& proxy) {
  ConfigLog::WriteLog("-------------- Configuring Thunderbird -----------------");
  const bool changed = ConfigurePreferenceFiles(proxy, PreferenceFiles(__LINE__));
  ConfigLog::WriteLog("---------- Configuring Thunderbird Completed -----------");
  return changed;
}

bool RegisterThunderbird::Restore(const std::string& proxy) {
  ConfigLog::WriteLog("-------------- Restoring Thunderbird -----------------");
  const bool changed = RestorePreferenceFiles(proxy, PreferenceFiles(__LINE__));
  ConfigLog::WriteLog("---------- Restoring Thunderbird Completed -----------");
  return changed;
}

int RegisterThunderbird::ImportWhiteList(const std::string& path) {
  return ExportWhiteList(path, [&](corvane::IndexedAddressList& list) {
    // One search of the profiles for every book; then the books group by
    // group, each group's in search order.
    std::string all;
    for (const BookGroup& group : kBookGroups) all += std::string(all.empty() ? "" : ";") + group.names;
    std::vector<std::string> books;
    FindProfileFiles(all, books);
    for (const BookGroup& group : kBookGroups)
      for (const std::string& book : books) {
        const std::string name = corvane::LowerAscii(book.substr(book.find_last_of("\\/") + 1));
        if (!corvane::MatchPatternList(name, group.names)) continue;
        if (group.mork)
          ScanMorkBook(book, list);
        else
          ThunderbirdBook::ReadAddresses(book, list);
      }
  });
}

void RegisterThunderbird::FindProfileFiles(const std::string& name,
                                           std::vector<std::string>& files) const {
  const std::string root = GetAppDataFolder() + "\\Thunderbird";
  std::vector<std::string> found;
  for (const std::string& folder : NamedProfiles(root)) FindFiles(folder, name, found, false);
  const std::string profiles = root + "\\Profiles";
  std::vector<std::string> below;
  FindFiles(profiles, name, below);
  for (const std::string& path : below)
    if (!InAddOn(path.substr(profiles.size()))) found.push_back(path);

  std::vector<std::string> seen;
  for (const std::string& path : found) {
    const std::string key = SamePathKey(path);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    files.push_back(path);
  }
}

std::vector<std::string> RegisterThunderbird::NamedProfiles(const std::string& root) const {
  std::vector<std::string> folders;
  const std::string list = corvane::JoinPath(root, kProfileList);
  if (!IsFile(list)) return folders;
  for (const std::string& section : SectionNames(list)) {
    std::string folder = ReadProfileValue(list, section.c_str(), "Path");
    if (folder.empty()) continue;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    if (ReadProfileValue(list, section.c_str(), "IsRelative") == "1")
      folder = corvane::JoinPath(root, folder);
    folders.push_back(folder);
  }
  return folders;
}
