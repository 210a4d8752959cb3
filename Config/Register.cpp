#include "Config/Register.h"

#include <shlobj.h>

#include "support/FileFinder.h"
#include "support/FileText.h"
#include "support/text/AccountRules.h"
#include "support/text/AddressList.h"

const char kInvalidProxyMessage[] = "Invalid IP Address specified.";
const char kRegisterSourceFile[] = "Config\\Register";

Register::Register() : result_(255), allocator_(nullptr) {
  if (FAILED(SHGetMalloc(&allocator_))) allocator_ = nullptr;
}

Register::~Register() {
  if (allocator_ != nullptr) allocator_->Release();
}

bool Register::CanConfigure(const std::string& user, const std::string& server,
                            const std::string& proxy) const {
  return corvane::CanConfigure(user, server, proxy);
}

bool Register::CanRestore(const std::string& user, const std::string& server,
                          const std::string& proxy) const {
  return corvane::CanRestore(user, server, proxy);
}

bool Register::ConfigureAccount(const std::string& proxy, std::string& user,
                                std::string& server) const {
  return corvane::ConfigureAccount(proxy, user, server);
}

bool Register::RestoreAccount(const std::string& proxy, std::string& user,
                              std::string& server) const {
  return corvane::RestoreAccount(proxy, user, server);
}

std::string Register::GetAppDataFolder() const { return GetShellFolder(CSIDL_APPDATA); }

std::string Register::GetShellFolder(int csidl) const {
  try {
    LPITEMIDLIST items = nullptr;
    HRESULT status = SHGetSpecialFolderLocation(nullptr, csidl, &items);
    if (FAILED(status) || items == nullptr)
      throw Tessaly::BaseException(kRegisterSourceFile, 212, "SHGetSpecialFolderLocation failed.",
                                   static_cast<int>(status));
    char path[520] = {0};
    BOOL converted = SHGetPathFromIDListA(items, path);
    if (allocator_ != nullptr)
      allocator_->Free(items);
    else
      CoTaskMemFree(items);
    if (!converted)
      throw Tessaly::BaseException(kRegisterSourceFile, 220, "SHGetPathFromIDList failed.", 0);
    return path;
  } catch (...) {
    return std::string();
  }
}

void Register::AddAddress(const std::string& address, std::string& list) {
  corvane::AddAddress(address, list);
}

void Register::AddAddress(const std::string& address, corvane::IndexedAddressList& list) {
  list.Add(address);
}

void Register::FindFiles(const std::string& folder, const std::string& patterns,
                         std::vector<std::string>& paths, bool recurse) {
  ::FindFiles(folder, patterns, paths, recurse);
}

int Register::ExportWhiteList(
    const std::string& path,
    const std::function<void(corvane::IndexedAddressList& list)>& collect) {
  try {
    corvane::IndexedAddressList list;
    OutputFile output(path);
    collect(list);
    output.Write(list);
  } catch (Tessaly::BaseException& error) {
    SetResult(error.GetSeverity());
    ConfigLog::WriteLog("BaseException :" + error.GetMessageText());
  } catch (...) {
    ConfigLog::WriteLog("Unknow Exception in retrieveWhileListEmail");
    SetResult(3);
  }
  return GetResult();
}
