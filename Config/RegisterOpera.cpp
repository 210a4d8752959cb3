#include "Config/RegisterOpera.h"

#include <climits>
#include <cstdlib>

#include "Config/parsers/OperaContacts.h"
#include "support/FileText.h"
#include "support/RegistryKey.h"

namespace {

const char kSourceFile[] = "Config\\RegisterOpera";
const char kNoAccountFound[] = "No Opera Account found on PC.";

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Opera.exe";
const char kAppPathsValue[] = "Path";
const char kOperaSoftwareKey[] = "Software\\Opera Software";
const char kLastDirectoryValue[] = "Last Directory";

const char kOpera7FileName[] = "Accounts.ini";
const char kOpera6FileName[] = "Account.ini";
const char kContactFileName[] = "contacts.adr";

// Read buffers of the profile-string calls, in bytes.
const DWORD kCountBuffer = 128;
const DWORD kOpera7Buffer = 1024;
const DWORD kOpera6Buffer = 260;

const char kOpera6Section[] = "INCOMING";
const char kOpera6Server[] = "Address";
const char kOpera6User[] = "Login";
const char kOpera7Protocol[] = "Incoming Protocol";
const char kOpera7User[] = "Incoming Username";
const char kOpera7Server[] = "Incoming Servername";

// One profile string into a zero-filled buffer of `size` bytes; a failed
// read leaves the default, a long value is cut to size - 1 bytes.
std::string ReadProfile(const std::string& file, const char* section, const char* key,
                        const char* fallback, DWORD size) {
  std::string buffer(size, '\0');
  GetPrivateProfileStringA(section, key, fallback, &buffer[0], size, file.c_str());
  return std::string(buffer.c_str());
}

void WriteProfile(const std::string& file, const char* section, const char* key,
                  const std::string& value) {
  WritePrivateProfileStringA(section, key, value.c_str(), file.c_str());
}

// The C library's decimal conversion: leading blanks, an optional sign,
// digits up to the first other character; no digits give 0.
int ToCount(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

struct Opera7Account {
  std::string protocol;
  std::string user;
  std::string server;
};

Opera7Account ReadOpera7Account(const std::string& file, const std::string& section) {
  Opera7Account account;
  account.protocol = ReadProfile(file, section.c_str(), kOpera7Protocol, "", kOpera7Buffer);
  account.user = ReadProfile(file, section.c_str(), kOpera7User, "", kOpera7Buffer);
  account.server = ReadProfile(file, section.c_str(), kOpera7Server, "", kOpera7Buffer);
  return account;
}

struct Opera6Account {
  std::string server;
  std::string user;
};

Opera6Account ReadOpera6Account(const std::string& file) {
  Opera6Account account;
  account.server = ReadProfile(file, kOpera6Section, kOpera6Server, "", kOpera6Buffer);
  account.user = ReadProfile(file, kOpera6Section, kOpera6User, "", kOpera6Buffer);
  return account;
}

// A registry text, "" when it cannot be read.
std::string ReadRegistryText(HKEY root, const char* key, const char* name) {
  std::string value;
  if (!RegistryKey(root).ReadString(key, name, value)) return std::string();
  return value;
}

}  // namespace

struct RegisterOpera::Direction {
  bool configure;
  const char* opening;
  const char* attempt_opera7;
  const char* attempt_opera6;  // nullptr: not logged
  const char* section_label;
  const char* section_rewritten;
  const char* opera6_rewritten;
  const char* closing;
};

const RegisterOpera::Direction RegisterOpera::kConfiguring = {
    true,
    "-------------- Configuring Opera -----------------",
    "Attempting to configure Opera 7",
    "Attempting to configure Opera 6",
    "Configuring Opera 7 section:",
    "Opera 7 section configured",
    "Opera 6 setting configured ",
    "-------------- Configuring Opera Completed -----------------"};

const RegisterOpera::Direction RegisterOpera::kRestoring = {
    false,
    "-------------- Restoring Opera -----------------",
    "Attempting to restore Opera 7",
    nullptr,
    "Restoring Opera 7 section:",
    "Opera 7 Section restored",
    "Opera 6 setting restored ",
    "-------------- Restoring Opera Completed -----------------"};

namespace {

const char kOpera7FileLabel[] = "Opera 7 Account File:";
const char kOpera7SectionsRetrieved[] = "Retrieve Opera 7 Sections";
const char kOpera7SectionUnchanged[] = "Opera 7 Section unchanged";
const char kNoOpera7Files[] = "No Opera 7 account files found";
const char kOpera7Unchanged[] = "Opera 7 setting unchanged.";
const char kNoOpera6Files[] = "No Opera 6 account files found";
const char kOpera6Unchanged[] = "Opera 6 setting unchanged.";
const char kOpera6FileLabel[] = "Opera 6 Account File:";
const char kOpera6UserLabel[] = "Opera 6 Username:";
const char kOpera6ServerLabel[] = "Opera 6 ServerName:";

}  // namespace

bool RegisterOpera::Configure(const std::string& proxy) {
  return Rewrite(kConfiguring, proxy);
}

bool RegisterOpera::Restore(const std::string& proxy) { return Rewrite(kRestoring, proxy); }

bool RegisterOpera::Rewrite(const Direction& direction, const std::string& proxy) {
  ConfigLog::WriteLog(direction.opening);
  ConfigLog::WriteLog(direction.attempt_opera7);

  std::vector<std::string> files;
  FindOpera7AccountFiles(files);
  std::size_t file_count = files.size();
  if (files.empty()) ConfigLog::WriteLog(kNoOpera7Files);
  const bool opera7 = direction.configure ? ConfigureOpera7Files(files, proxy)
                                          : RestoreOpera7Files(files, proxy);
  if (!opera7) ConfigLog::WriteLog(kOpera7Unchanged);

  if (direction.attempt_opera6 != nullptr) ConfigLog::WriteLog(direction.attempt_opera6);
  files.clear();
  FindOpera6AccountFiles(files);
  file_count += files.size();
  if (files.empty()) ConfigLog::WriteLog(kNoOpera6Files);
  const bool opera6 = direction.configure ? ConfigureOpera6Files(files, proxy)
                                          : RestoreOpera6Files(files, proxy);
  if (!opera6) ConfigLog::WriteLog(kOpera6Unchanged);

  if (file_count == 0) throw Tessaly::BaseException(kSourceFile, __LINE__, kNoAccountFound, 4);

  ConfigLog::WriteLog(direction.closing);
  return opera7 || opera6;
}

void RegisterOpera::FindOpera7AccountFiles(std::vector<std::string>& files) const {
  FindFiles(GetAppDataFolder() + "\\" + "Opera", kOpera7FileName, files);
  const std::string installation =
      ReadRegistryText(HKEY_LOCAL_MACHINE, kAppPathsKey, kAppPathsValue);
  if (!installation.empty()) FindFiles(installation, kOpera7FileName, files);
}

void RegisterOpera::FindOpera6AccountFiles(std::vector<std::string>& files) const {
  const std::string last = ReadRegistryText(HKEY_CURRENT_USER, kOperaSoftwareKey,
                                            kLastDirectoryValue);
  if (!last.empty()) FindFiles(last, kOpera6FileName, files);
}

void RegisterOpera::GetOpera7Sections(const std::string& file,
                                      std::vector<std::string>& sections) {
  const int count = ToCount(ReadProfile(file, "Accounts", "Count", "0", kCountBuffer));
  for (long long i = 1; i <= count; ++i) sections.push_back("Account" + std::to_string(i));
}

bool RegisterOpera::ConfigureOpera7Files(const std::vector<std::string>& files,
                                         const std::string& proxy) {
  return RewriteOpera7Files(kConfiguring, files, proxy);
}

bool RegisterOpera::RestoreOpera7Files(const std::vector<std::string>& files,
                                       const std::string& proxy) {
  return RewriteOpera7Files(kRestoring, files, proxy);
}

bool RegisterOpera::RewriteOpera7Files(const Direction& direction,
                                       const std::vector<std::string>& files,
                                       const std::string& proxy) {
  bool rewritten = false;
  for (const std::string& file : files) {
    ConfigLog::WriteLog(kOpera7FileLabel + file);
    std::vector<std::string> sections;
    GetOpera7Sections(file, sections);
    ConfigLog::WriteLog(kOpera7SectionsRetrieved);
    for (const std::string& section : sections) {
      ConfigLog::WriteLog(direction.section_label + section);
      const bool changed = direction.configure ? ConfigureOpera7Section(file, section, proxy)
                                               : RestoreOpera7Section(file, section, proxy);
      if (changed) {
        ConfigLog::WriteLog(direction.section_rewritten);
        rewritten = true;
      } else {
        ConfigLog::WriteLog(kOpera7SectionUnchanged);
      }
    }
  }
  return rewritten;
}

bool RegisterOpera::ConfigureOpera7Section(const std::string& file, const std::string& section,
                                           const std::string& proxy) {
  return RewriteOpera7Section(kConfiguring, file, section, proxy);
}

bool RegisterOpera::RestoreOpera7Section(const std::string& file, const std::string& section,
                                         const std::string& proxy) {
  return RewriteOpera7Section(kRestoring, file, section, proxy);
}

bool RegisterOpera::RewriteOpera7Section(const Direction& direction, const std::string& file,
                                         const std::string& section, const std::string& proxy) {
  Opera7Account account = ReadOpera7Account(file, section);
  if (account.user.empty() || account.server.empty()) return false;
  if (account.protocol != "POP" && account.protocol != "IMAP") return false;
  if (direction.configure) {
    if (!CanConfigure(account.user, account.server, proxy)) return false;
    if (!ConfigureAccount(proxy, account.user, account.server)) return false;
  } else {
    if (!CanRestore(account.user, account.server, proxy)) return false;
    if (!RestoreAccount(proxy, account.user, account.server)) return false;
  }
  WriteProfile(file, section.c_str(), kOpera7User, account.user);
  WriteProfile(file, section.c_str(), kOpera7Server, account.server);
  return true;
}

bool RegisterOpera::ConfigureOpera6Files(const std::vector<std::string>& files,
                                         const std::string& proxy) {
  return RewriteOpera6Files(kConfiguring, files, proxy);
}

bool RegisterOpera::RestoreOpera6Files(const std::vector<std::string>& files,
                                       const std::string& proxy) {
  return RewriteOpera6Files(kRestoring, files, proxy);
}

bool RegisterOpera::RewriteOpera6Files(const Direction& direction,
                                       const std::vector<std::string>& files,
                                       const std::string& proxy) {
  bool rewritten = false;
  for (const std::string& file : files) {
    ConfigLog::WriteLog(kOpera6FileLabel + file);
    Opera6Account account = ReadOpera6Account(file);
    ConfigLog::WriteLog(kOpera6UserLabel + account.user);
    ConfigLog::WriteLog(kOpera6ServerLabel + account.server);
    // Opera 6 accounts carry no protocol: every account qualifies.
    if (account.user.empty() || account.server.empty()) continue;
    if (direction.configure) {
      if (!CanConfigure(account.user, account.server, proxy)) continue;
      if (!ConfigureAccount(proxy, account.user, account.server)) continue;
    } else {
      if (!CanRestore(account.user, account.server, proxy)) continue;
      if (!RestoreAccount(proxy, account.user, account.server)) continue;
    }
    WriteProfile(file, kOpera6Section, kOpera6Server, account.server);
    WriteProfile(file, kOpera6Section, kOpera6User, account.user);
    ConfigLog::WriteLog(direction.opera6_rewritten);
    rewritten = true;
  }
  return rewritten;
}

AccountViews RegisterOpera::ListAccounts() const {
  AccountViews views;
  try {
    std::vector<std::string> files;
    FindOpera7AccountFiles(files);
    for (const std::string& file : files) {
      std::vector<std::string> sections;
      GetOpera7Sections(file, sections);
      for (const std::string& section : sections) {
        const Opera7Account account = ReadOpera7Account(file, section);
        views.push_back({file + " [" + section + "]", account.protocol, account.user,
                         account.server});
      }
    }
    files.clear();
    FindOpera6AccountFiles(files);
    for (const std::string& file : files) {
      const Opera6Account account = ReadOpera6Account(file);
      views.push_back({file + " [" + kOpera6Section + "]", "", account.user, account.server});
    }
  } catch (...) {
    // A listing is best effort: what was read so far is shown.
  }
  return views;
}

int RegisterOpera::ImportBlackList(const std::string& /*path*/) { return 255; }

void RegisterOpera::FindOperaContactFiles(std::vector<std::string>& files) const {
  FindFiles(GetAppDataFolder() + "\\" + "Opera", kContactFileName, files);
  const std::string last = ReadRegistryText(HKEY_CURRENT_USER, kOperaSoftwareKey,
                                            kLastDirectoryValue);
  if (!last.empty()) FindFiles(last, kContactFileName, files);
}

int RegisterOpera::ImportWhiteList(const std::string& path) {
  return ExportWhiteList(path, [&](corvane::IndexedAddressList& list) {
    std::vector<std::string> files;
    FindOperaContactFiles(files);
    for (const std::string& file : files) {
      const std::string text =
          ReadClientFile(file, "Unable to open address book file.",
                         "Unable to read address book file.", 1, kSourceFile, __LINE__);
      corvane::ExtractOperaAddresses(text, corvane::IntoList(list));
    }
  });
}
