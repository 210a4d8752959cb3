#include "Config/RegisterEudora.h"

#include <io.h>

#include <cstdio>
#include <functional>

#include "Config/parsers/EudoraNicknames.h"
#include "support/FileText.h"
#include "support/RegistryKey.h"
#include "support/text/PathMatch.h"

namespace {

const char kSourceFile[] = "Config\\RegisterEudora";
const char kIniFileName[] = "Eudora.ini";
const char kNicknameFileName[] = "NNdbase.txt";
const char kUserFolder[] = "\\Qualcomm\\Eudora";
const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";
const char kDefaultSection[] = "Settings";
const char kPersonalitiesSection[] = "Personalities";
const char kLoginName[] = "LoginName";
const char kPopServer[] = "PopServer";
const char kPopAccount[] = "POPAccount";
const int kValueBufferSize = 260;

// One value of an INI file; "" when the key or the section is missing.  At
// most 259 characters are seen.
std::string ReadIniValue(const std::string& path, const std::string& section,
                         const std::string& key) {
  char value[kValueBufferSize] = {0};
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, kValueBufferSize,
                           path.c_str());
  return value;
}

void WriteIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
}

// Calls `visit` with each "PersonaN" key of the file and the section it
// names, from "Persona0" on, ending with the first key whose value is empty
// or missing (visited with an empty section).
void ScanPersonalities(const std::string& path,
                       const std::function<void(const std::string& key,
                                                const std::string& section)>& visit) {
  for (long number = 0;; ++number) {
    char key[32];
    std::snprintf(key, sizeof key, "Persona%ld", number);
    const std::string section = ReadIniValue(path, kPersonalitiesSection, key);
    visit(key, section);
    if (section.empty()) return;
  }
}

// A nickname file's bytes, unchanged (binary mode).
std::string ReadNicknameFile(const std::string& path) {
  return ReadClientFile(path, "Unable to open address book file.",
                        "Unable to read address book file.", 1, kSourceFile, __LINE__);
}

}  // namespace

struct RegisterEudora::Messages {
  const char* file;
  const char* default_not_updated;
  const char* personality_not_updated;
};

void RegisterEudora::FindIniFiles(const std::string& name,
                                  std::vector<std::string>& paths) const {
  const std::string user_file = GetAppDataFolder() + kUserFolder + "\\" + name;
  if (_access(user_file.c_str(), 0) == 0 && _access(user_file.c_str(), 2) == 0)
    paths.push_back(user_file);

  std::string folder;
  if (!RegistryKey(HKEY_LOCAL_MACHINE).ReadString(kAppPathsKey, "Path", folder) || folder.empty())
    return;
  FindFiles(folder, name, paths);
}

bool RegisterEudora::Configure(const std::string& proxy) {
  ConfigLog::WriteLog("-------------- Configuring Eudora -----------------");
  std::vector<std::string> paths;
  FindIniFiles(kIniFileName, paths);
  if (paths.empty())
    throw Tessaly::BaseException(kSourceFile, __LINE__, "No Eudora ini file found", 4);
  const bool changed = ConfigureIniFiles(proxy, paths);
  ConfigLog::WriteLog("---------- Configuring Eudora Completed -----------");
  return changed;
}

bool RegisterEudora::Restore(const std::string& proxy) {
  ConfigLog::WriteLog("-------------- Restoring Eudora -----------------");
  std::vector<std::string> paths;
  FindIniFiles(kIniFileName, paths);
  if (paths.empty())
    throw Tessaly::BaseException(kSourceFile, __LINE__, "No Eudora ini file found", 4);
  const bool changed = RestoreIniFiles(proxy, paths);
  ConfigLog::WriteLog("----------- Restoring Eudora Completed -----------");
  return changed;
}

bool RegisterEudora::ConfigureIniFiles(const std::string& proxy,
                                       const std::vector<std::string>& paths) const {
  static const Messages kMessages = {
      "Configuring Ini File:", "Default sections not updated(may already be configured)",
      "Personality section not updated(may already be configured)"};
  return RewriteIniFiles(proxy, paths, kMessages, &RegisterEudora::ConfigureSection);
}

bool RegisterEudora::RestoreIniFiles(const std::string& proxy,
                                     const std::vector<std::string>& paths) const {
  static const Messages kMessages = {
      "Restoring Ini File:", "Default sections not updated(may already be restored)",
      "Personality section not updated(may already be restored)"};
  return RewriteIniFiles(proxy, paths, kMessages, &RegisterEudora::RestoreSection);
}

bool RegisterEudora::RewriteIniFiles(const std::string& proxy,
                                     const std::vector<std::string>& paths,
                                     const Messages& messages, SectionRewrite rewrite) const {
  bool changed = false;
  for (const std::string& path : paths) {
    ConfigLog::WriteLog(messages.file + path);
    ConfigLog::WriteLog("Update default sections");
    if ((this->*rewrite)(path, kDefaultSection, proxy)) {
      ConfigLog::WriteLog("Default sections updated successfully");
      changed = true;
    } else {
      ConfigLog::WriteLog(messages.default_not_updated);
    }
    ScanPersonalities(path, [&](const std::string& key, const std::string& section) {
      ConfigLog::WriteLog("Update Personality:" + key);
      if (section.empty()) {
        ConfigLog::WriteLog("No Personality available");
      } else if ((this->*rewrite)(path, section, proxy)) {
        ConfigLog::WriteLog("Personality updated successfully");
        changed = true;
      } else {
        ConfigLog::WriteLog(messages.personality_not_updated);
      }
    });
  }
  return changed;
}

bool RegisterEudora::ConfigureSection(const std::string& path, const std::string& section,
                                      const std::string& proxy) const {
  std::string login = ReadIniValue(path, section, kLoginName);
  std::string server = ReadIniValue(path, section, kPopServer);
  ReadIniValue(path, section, kPopAccount);  // read like the other two; not used further
  if (!CanConfigure(login, server, proxy)) return false;
  if (!ConfigureAccount(proxy, login, server)) return false;
  const std::string account = login + "@" + server;
  WriteIniValue(path, section, kLoginName, login);
  WriteIniValue(path, section, kPopServer, server);
  WriteIniValue(path, section, kPopAccount, account);
  return true;
}

bool RegisterEudora::RestoreSection(const std::string& path, const std::string& section,
                                    const std::string& proxy) const {
  std::string login = ReadIniValue(path, section, kLoginName);
  std::string server = ReadIniValue(path, section, kPopServer);
  ReadIniValue(path, section, kPopAccount);  // read like the other two; not used further
  if (!CanRestore(login, server, proxy)) return false;
  if (!RestoreAccount(proxy, login, server)) return false;
  const std::string account = login + "@" + server;
  WriteIniValue(path, section, kLoginName, login);
  WriteIniValue(path, section, kPopServer, server);
  WriteIniValue(path, section, kPopAccount, account);
  return true;
}

int RegisterEudora::ImportBlackList(const std::string& /*path*/) {
  return 255;
}

int RegisterEudora::ImportWhiteList(const std::string& path) {
  return ExportWhiteList(path, [&](corvane::IndexedAddressList& list) {
    std::vector<std::string> files;
    FindIniFiles(kNicknameFileName, files);
    for (const std::string& file : files)
      corvane::ParseNicknames(ReadNicknameFile(file), corvane::IntoList(list));
  });
}

AccountViews RegisterEudora::ListAccounts() const {
  AccountViews accounts;
  try {
    std::vector<std::string> paths;
    FindIniFiles(kIniFileName, paths);
    for (const std::string& path : paths) {
      auto add = [&](const std::string& section) {
        accounts.push_back({path + " [" + section + "]", "POP3",
                            ReadIniValue(path, section, kLoginName),
                            ReadIniValue(path, section, kPopServer)});
      };
      add(kDefaultSection);
      ScanPersonalities(path, [&](const std::string&, const std::string& section) {
        if (!section.empty()) add(section);
      });
    }
  } catch (...) {
    // A support listing shows what it found before the failure.
  }
  return accounts;
}
