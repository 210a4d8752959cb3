#include "Config/RegisterWindowsMail.h"

#include <shlobj.h>

#include <algorithm>

#include "Config/parsers/ContactFile.h"
#include "Config/parsers/OeAccount.h"
#include "support/FileFinder.h"
#include "support/FileText.h"
#include "support/RegistryKey.h"

namespace {

const char kSourceFile[] = "Config\\RegisterWindowsMail";
const char kCannotOpen[] = "Unable to open contact file.";
const char kCannotRead[] = "Unable to read contact file.";
// Each client's store: the folder below local Application Data where it
// starts, and the key whose "Store Root" names the folder the user moved it to.
struct Store {
  const char* folder;
  const char* key;
};
const Store kStores[] = {
    {"Microsoft\\Windows Mail", "Software\\Microsoft\\Windows Mail"},
    {"Microsoft\\Windows Live Mail", "Software\\Microsoft\\Windows Live Mail"}};

// An account's element names: a POP3 account, else an IMAP one.
struct Protocol {
  const char* name;
  const char* server;
  const char* user;
};
const Protocol kProtocols[] = {{"POP3", "POP3_Server", "POP3_User_Name"},
                               {"IMAP", "IMAP_Server", "IMAP_User_Name"}};

// FOLDERID_Contacts, and SHGetKnownFolderPath (shell32 of Windows Vista and
// later, so looked up at run time).
const GUID kContactsFolderId = {
    0x56784854, 0xC6CB, 0x462B, {0x81, 0x69, 0x88, 0xE3, 0x50, 0xAC, 0xB8, 0x82}};
typedef HRESULT(WINAPI* KnownFolderPathFunction)(const GUID* id, DWORD flags, HANDLE token,
                                                  wchar_t** path);

void Log(const std::string& line) { ConfigLog::WriteLog(line); }

// The first protocol whose user name and server the file holds, or null.
const Protocol* FindAccount(const std::string& bytes, std::string& user, std::string& server) {
  for (const Protocol& protocol : kProtocols)
    if (corvane::ReadOeAccountValue(bytes, protocol.user, user) &&
        corvane::ReadOeAccountValue(bytes, protocol.server, server))
      return &protocol;
  return nullptr;
}

// A registry path with its environment variables ("%USERPROFILE%") filled in.
std::string Expanded(const std::string& text) {
  std::string expanded(MAX_PATH, '\0');
  DWORD size = ExpandEnvironmentStringsA(text.c_str(), &expanded[0], MAX_PATH);
  if (size > MAX_PATH) {
    expanded.assign(size, '\0');
    size = ExpandEnvironmentStringsA(text.c_str(), &expanded[0], size);
  }
  return size == 0 || size > expanded.size() ? text : expanded.substr(0, size - 1);
}

}  // namespace

std::vector<std::string> RegisterWindowsMail::StoreFolders() const {
  const std::string local = GetShellFolder(CSIDL_LOCAL_APPDATA);
  const RegistryKey user(HKEY_CURRENT_USER);
  std::vector<std::string> folders, keys;
  for (const Store& store : kStores) {
    std::string root;
    const std::string candidates[] = {
        user.ReadString(store.key, "Store Root", root) ? Expanded(root) : "",
        local.empty() ? "" : local + "\\" + store.folder};
    for (const std::string& folder : candidates) {
      if (folder.empty()) continue;
      const std::string key = SamePathKey(folder);
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
      keys.push_back(key);
      folders.push_back(folder);
    }
  }
  return folders;
}

std::vector<std::string> RegisterWindowsMail::AccountFiles() const {
  std::vector<std::string> files;
  for (const std::string& folder : StoreFolders()) FindFiles(folder, "*.oeaccount", files);
  return files;
}

bool RegisterWindowsMail::Configure(const std::string& proxy) {
  Log("-------------- Configuring Windows Mail -----------------");
  const bool changed = Rewrite(proxy, true);
  Log("-------- Configuring Windows Mail Completed --------------");
  return changed;
}

bool RegisterWindowsMail::Restore(const std::string& proxy) {
  Log("-------------- Restoring Windows Mail -----------------");
  const bool changed = Rewrite(proxy, false);
  Log("-------- Restoring Windows Mail Completed --------------");
  return changed;
}

bool RegisterWindowsMail::Rewrite(const std::string& proxy, bool configure) {
  const std::vector<std::string> files = AccountFiles();
  if (files.empty())
    throw Tessaly::BaseException(kSourceFile, __LINE__, "No Windows Mail accounts found.", 4);
  bool changed = false;
  for (const std::string& path : files) changed = RewriteFile(path, proxy, configure) || changed;
  return changed;
}

bool RegisterWindowsMail::RewriteFile(const std::string& path, const std::string& proxy,
                                      bool configure) {
  Log("For Windows Mail account file :" + path);
  std::string bytes;
  if (ReadWholeFile(path, bytes) != FileRead::kDone) {
    Log("Unable to read account file");
    return false;
  }
  std::string user, server;
  const Protocol* protocol = FindAccount(bytes, user, server);
  if (protocol == nullptr) {
    Log("Unable to read IMAP or POP3 details");
    return false;
  }
  Log(std::string(protocol->name) + "UserName=" + user);
  Log(std::string(protocol->name) + "ServerName=" + server);
  if (configure ? !CanConfigure(user, server, proxy) || !ConfigureAccount(proxy, user, server)
                : !CanRestore(user, server, proxy) || !RestoreAccount(proxy, user, server)) {
    Log(configure ? "Account unchanged(may already be configured.)"
                  : "Account unchanged(may already be restored.)");
    return false;
  }
  Log(std::string("New ") + protocol->name + "UserName=" + user);
  Log(std::string("New ") + protocol->name + "ServerName=" + server);
  corvane::WriteOeAccountValue(bytes, protocol->user, user);
  corvane::WriteOeAccountValue(bytes, protocol->server, server);
  if (!ReplaceWholeFile(path, bytes)) {
    Log("Account file update failed");
    SetResult(5);
    return false;
  }
  Log("Account file update successful");
  return true;
}

AccountViews RegisterWindowsMail::ListAccounts() const {
  AccountViews views;
  try {
    for (const std::string& path : AccountFiles()) {
      std::string bytes;
      AccountView view;
      view.store = path;
      if (ReadWholeFile(path, bytes) != FileRead::kDone) continue;
      const Protocol* protocol = FindAccount(bytes, view.user, view.server);
      if (protocol == nullptr) continue;  // a news or directory account
      view.protocol = protocol->name;
      views.push_back(view);
    }
  } catch (...) {
  }
  return views;
}

std::string RegisterWindowsMail::ContactsFolder() const {
  const FARPROC found = GetProcAddress(GetModuleHandleA("shell32.dll"), "SHGetKnownFolderPath");
  const auto known_folder_path =
      reinterpret_cast<KnownFolderPathFunction>(reinterpret_cast<void*>(found));
  if (known_folder_path != nullptr) {
    wchar_t* wide = nullptr;
    std::string path;
    if (SUCCEEDED(known_folder_path(&kContactsFolderId, 0, nullptr, &wide)) && wide != nullptr) {
      const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
      if (size > 1) {
        path.assign(size, '\0');
        WideCharToMultiByte(CP_ACP, 0, wide, -1, &path[0], size, nullptr, nullptr);
        path.resize(size - 1);
      }
    }
    CoTaskMemFree(wide);
    if (!path.empty()) return path;
  }
  const std::string profile = GetShellFolder(CSIDL_PROFILE);
  return profile.empty() ? profile : profile + "\\Contacts";
}

int RegisterWindowsMail::ImportBlackList(const std::string& /*path*/) { return 0; }

int RegisterWindowsMail::ImportWhiteList(const std::string& path) {
  return ExportWhiteList(path, [&](corvane::IndexedAddressList& list) {
    const std::string folder = ContactsFolder();
    if (folder.empty()) return;
    std::vector<std::string> files;
    FindFiles(folder, "*.contact", files);
    for (const std::string& file : files)
      corvane::ReadContactAddresses(
          ReadClientFile(file, kCannotOpen, kCannotRead, 1, kSourceFile, __LINE__),
          corvane::IntoList(list));
  });
}
