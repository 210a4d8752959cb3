#include "Config/RegisterNetscape.h"


#include "Config/parsers/MorkScan.h"
#include "support/FileText.h"

namespace {

const char kSourceFile[] = "Config\\RegisterNetscape";

// Reads the whole file in binary mode.  `open_error` when the file cannot be
// opened, `read_error` when the stream fails before its end (severity
// `severity` for both).
std::string ProtocolOf(const std::string& type) {
  if (type == "pop3") return "POP3";
  if (type == "imap") return "IMAP";
  return type;
}

}  // namespace

bool RegisterNetscape::Configure(const std::string& proxy) {
  ConfigLog::WriteLog("-------------- Configuring Netscape -----------------");
  std::vector<std::string> files;
  FindProfileFiles("prefs.js", files);
  if (files.empty())
    throw Tessaly::BaseException(kSourceFile, __LINE__, "No Netscape preference files found", 4);
  const bool changed = ConfigurePreferenceFiles(proxy, files);
  ConfigLog::WriteLog("---------- Configuring Netscape Completed -----------");
  return changed;
}

bool RegisterNetscape::Restore(const std::string& proxy) {
  ConfigLog::WriteLog("-------------- Restoring Netscape -----------------");
  std::vector<std::string> files;
  FindProfileFiles("prefs.js", files);
  if (files.empty())
    throw Tessaly::BaseException(kSourceFile, __LINE__, "No Netscape preference files found", 4);
  return RestorePreferenceFiles(proxy, files);  // Restore logs no closing banner
}

bool RegisterNetscape::ConfigurePreferenceFiles(const std::string& proxy,
                                                const std::vector<std::string>& files) {
  return RewritePreferenceFiles(proxy, files, true);
}

bool RegisterNetscape::RestorePreferenceFiles(const std::string& proxy,
                                              const std::vector<std::string>& files) {
  return RewritePreferenceFiles(proxy, files, false);
}

bool RegisterNetscape::RewritePreferenceFiles(const std::string& proxy,
                                              const std::vector<std::string>& files,
                                              bool configure) {
  bool written = false;
  for (const std::string& path : files) {
    ConfigLog::WriteLog("Reading preference file :" + path);
    corvane::MailServerList servers;
    ReadPreferenceFile(path, servers);
    if (servers.empty()) {
      SetResult(1);
      ConfigLog::WriteLog("Preference file has no mail server settings.");
      continue;
    }
    const bool changed =
        configure ? ConfigureServers(servers, proxy) : RestoreServers(servers, proxy);
    if (!changed) {
      SetResult(1);
      ConfigLog::WriteLog("Unable to change mail server settings");
      continue;
    }
    ConfigLog::WriteLog("Mail server settings changed. Write back into preference file.");
    if (WritePreferenceFile(path, servers)) {
      if (configure) SetResult(255);  // a successful restore leaves the code as it is
      written = true;
      ConfigLog::WriteLog("Mail server settings updated.");
    } else {
      SetResult(5);
      ConfigLog::WriteLog("Unable to write mail server settings back into file.");
    }
  }
  return written;
}

void RegisterNetscape::FindProfileFiles(const std::string& name,
                                        std::vector<std::string>& files) const {
  FindFiles(GetAppDataFolder() + "\\Mozilla", name, files);
}

void RegisterNetscape::ReadPreferenceFile(const std::string& path,
                                          corvane::MailServerList& servers) {
  const std::string text = ReadClientFile(path, "Unable to open perference file.",
                                          "Unable to read perference file.", 4, kSourceFile,
                                          __LINE__);
  corvane::ReadServerList(text, servers);
}

bool RegisterNetscape::ConfigureServers(corvane::MailServerList& servers,
                                        const std::string& proxy) const {
  corvane::AccountRewrite rules;
  rules.allowed = [this](const std::string& user, const std::string& server,
                         const std::string& address) {
    return CanConfigure(user, server, address);
  };
  rules.apply = [this](const std::string& address, std::string& user, std::string& server) {
    return ConfigureAccount(address, user, server);
  };
  return corvane::RewriteServers(servers, proxy, rules);
}

bool RegisterNetscape::RestoreServers(corvane::MailServerList& servers,
                                      const std::string& proxy) const {
  corvane::AccountRewrite rules;
  rules.allowed = [this](const std::string& user, const std::string& server,
                         const std::string& address) {
    return CanRestore(user, server, address);
  };
  rules.apply = [this](const std::string& address, std::string& user, std::string& server) {
    return RestoreAccount(address, user, server);
  };
  return corvane::RewriteServers(servers, proxy, rules);
}

bool RegisterNetscape::WritePreferenceFile(const std::string& path,
                                           const corvane::MailServerList& servers) {
  // Patched on the bytes now on disk, not on those read before the rewrite.
  std::string text = ReadClientFile(path, "Unable to open perference file.",
                                    "Unable to read perference file.", 4, kSourceFile, __LINE__);
  corvane::ApplyRebuiltLines(servers, text);
  return ReplaceWholeFile(path, text);
}

int RegisterNetscape::ImportBlackList(const std::string& /*path*/) { return 255; }

int RegisterNetscape::ImportWhiteList(const std::string& path) {
  return ExportWhiteList(path, [&](corvane::IndexedAddressList& list) {
    std::vector<std::string> books;
    FindProfileFiles("abook.mab", books);
    for (const std::string& book : books) ScanMorkBook(book, list);
  });
}

void RegisterNetscape::ScanMorkBook(const std::string& path, corvane::IndexedAddressList& list) {
  const std::string text = ReadClientFile(path, "Unable to open address book file.",
                                          "Unable to read address book file.", 1, kSourceFile,
                                          __LINE__);
  if (!text.empty()) corvane::ScanMorkAddresses(text, corvane::IntoList(list));
}

AccountViews RegisterNetscape::ListAccounts() {
  AccountViews views;
  try {
    std::vector<std::string> files;
    FindProfileFiles("prefs.js", files);
    for (const std::string& path : files) {
      try {
        corvane::MailServerList servers;
        ReadPreferenceFile(path, servers);
        for (const corvane::MailServerPrefs& record : servers) {
          AccountView view;
          view.store = path + " [mail.server.server" + std::to_string(record.server_number) + "]";
          view.protocol = ProtocolOf(record.type);
          view.user = corvane::ExtractPrefValue(record.username_line);
          view.server = corvane::ExtractPrefValue(record.hostname_line);
          views.push_back(view);
        }
      } catch (...) {
        // an unreadable file shows no accounts; the others still do
      }
    }
  } catch (...) {
  }
  return views;
}
