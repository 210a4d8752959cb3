#include "Config/RegisterOutlook.h"

#include <mapitags.h>

#include "Config/MapiLibrary.h"
#include "support/FileText.h"
#include "support/RegistryKey.h"
#include "support/WindowsVersion.h"

namespace {

const char kSourceFile[] = "Config\\RegisterOutlook";

const char kOutlook97Key[] =
    "Software\\Microsoft\\Office\\8.0\\Outlook\\Internet Account Manager\\Accounts";
const char kOutlook98Key[] = "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager\\Accounts";
const char kOutlook2000Key[] = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";
const char kWin9xProfilesKey[] = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";
const char kNTProfilesKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
const char kAccountSection[] = "9375CFF0413111d3B88A00104B2A6676";

const char kUnchangedConfigured[] = "Outlook Profile unchanged(may already be configured.)";
const char kUnchangedRestored[] = "Outlook Profile unchanged(may already be restored.)";

const RegisterOutlook::Layout kAccountManagerLayout = {"POP3 User Name", false};
const RegisterOutlook::Layout kProfileLayout = {"POP3 User", true};

void Log(const std::string& line) { ConfigLog::WriteLog(line); }

bool ReadValue(const RegisterOutlook::Layout& layout, const std::string& key,
               const std::string& name, std::string& value) {
  RegistryKey registry(HKEY_CURRENT_USER);
  return layout.binary ? registry.ReadBinaryString(key, name, value)
                       : registry.ReadString(key, name, value);
}

// Writes go only into an existing account key.
bool WriteValue(const RegisterOutlook::Layout& layout, const std::string& key,
                const std::string& name, const std::string& value, bool& failed) {
  RegistryKey registry(HKEY_CURRENT_USER);
  const bool written = layout.binary ? registry.WriteBinaryString(key, name, value, false)
                                     : registry.WriteString(key, name, value, false);
  failed = failed || !written;
  return written;
}

}  // namespace

// ---------------------------------------------------------------- chain

bool RegisterOutlook::Configure(const std::string& proxy) {
  Log("-------------- Configuring Outlook -----------------");
  bool changed = ConfigureOutlook97(proxy) || ConfigureOutlook98(proxy) ||
                 ConfigureOutlook2000(proxy) || ConfigureOutlook2002(proxy) ||
                 ConfigureOutlook2003(proxy);
  Log("-------- Configuring Outlook Completed --------------");
  return changed;
}

bool RegisterOutlook::Restore(const std::string& proxy) {
  Log("-------------- Restoring Outlook -----------------");
  bool changed = RestoreOutlook97(proxy) || RestoreOutlook98(proxy) ||
                 RestoreOutlook2000(proxy) || RestoreOutlook2002(proxy) ||
                 RestoreOutlook2003(proxy);
  Log("-------- Restoring Outlook Completed --------------");
  return changed;
}

std::string RegisterOutlook::Outlook2002ProfilesKey() {
  return WindowsVersion().IsWindows9x() ? kWin9xProfilesKey : kNTProfilesKey;
}

bool RegisterOutlook::ConfigureOutlook97(const std::string& proxy) {
  Log("Configure Outlook 97 - start");
  bool changed = ConfigureAccountManager(kOutlook97Key, proxy);
  Log("Configure Outlook 97 - end");
  return changed;
}

bool RegisterOutlook::ConfigureOutlook98(const std::string& proxy) {
  Log("Configure Outlook 98 - start");
  bool changed = ConfigureAccountManager(kOutlook98Key, proxy);
  Log("Configure Outlook 98 - end");
  return changed;
}

bool RegisterOutlook::ConfigureOutlook2000(const std::string& proxy) {
  Log("Configure Outlook 2000 - start");
  bool changed = ConfigureAccountManager(kOutlook2000Key, proxy);
  Log("Configure Outlook 2000 - end");
  return changed;
}

bool RegisterOutlook::ConfigureOutlook2002(const std::string& proxy) {
  Log("Configure Outlook 2002 - start");
  const bool win9x = WindowsVersion().IsWindows9x();
  Log(win9x ? "Outlook 2002 is on Win9X platform" : "Outlook 2002 is on NT+ platform");
  bool changed = ConfigureMessagingProfiles(win9x ? kWin9xProfilesKey : kNTProfilesKey, proxy);
  Log("Configure Outlook 2002 - end");
  return changed;
}

bool RegisterOutlook::ConfigureOutlook2003(const std::string& proxy) {
  if (!WindowsVersion().IsWindowsNTUpTo2003()) {
    Log("Outlook 2003 is not supported in Win9X");
    return false;
  }
  Log("Outlook 2003 is on NT+ platform");
  return ConfigureMessagingProfiles(kNTProfilesKey, proxy);
}

bool RegisterOutlook::RestoreOutlook97(const std::string& proxy) {
  Log("Restore Outlook 97 - start");
  bool changed = RestoreAccountManager(kOutlook97Key, proxy);
  Log("Restore Outlook 97 - end");
  return changed;
}

bool RegisterOutlook::RestoreOutlook98(const std::string& proxy) {
  Log("Restore Outlook 98 - start");
  bool changed = RestoreAccountManager(kOutlook98Key, proxy);
  Log("Restore Outlook 98 - end");
  return changed;
}

bool RegisterOutlook::RestoreOutlook2000(const std::string& proxy) {
  Log("Restore Outlook 2000 - start");
  bool changed = RestoreAccountManager(kOutlook2000Key, proxy);
  Log("Restore Outlook 2000 - end");
  return changed;
}

bool RegisterOutlook::RestoreOutlook2002(const std::string& proxy) {
  Log("Restore Outlook 2002 - start");
  bool changed = RestoreMessagingProfiles(Outlook2002ProfilesKey(), proxy);
  Log("Restore Outlook 2002 - end");
  return changed;
}

bool RegisterOutlook::RestoreOutlook2003(const std::string& proxy) {
  if (!WindowsVersion().IsWindowsNTUpTo2003()) {
    Log("Outlook 2003 not supported on WIn9X");
    return false;
  }
  return RestoreMessagingProfiles(kNTProfilesKey, proxy);
}

// ---------------------------------------------------------------- scans

bool RegisterOutlook::ConfigureAccountManager(const std::string& parent, const std::string& proxy) {
  return Scan(parent, proxy, &AddAccountKeys, &RegisterOutlook::UpdateAccountKey,
              kUnchangedConfigured);
}

bool RegisterOutlook::ConfigureMessagingProfiles(const std::string& profiles,
                                                 const std::string& proxy) {
  return Scan(profiles, proxy, &AddProfileAccountKeys, &RegisterOutlook::UpdateProfileAccountKey,
              kUnchangedConfigured);
}

bool RegisterOutlook::RestoreAccountManager(const std::string& parent, const std::string& proxy) {
  return Scan(parent, proxy, &AddAccountKeys, &RegisterOutlook::RevertAccountKey,
              kUnchangedRestored);
}

bool RegisterOutlook::RestoreMessagingProfiles(const std::string& profiles,
                                               const std::string& proxy) {
  return Scan(profiles, proxy, &AddProfileAccountKeys, &RegisterOutlook::RevertProfileAccountKey,
              kUnchangedRestored);
}

bool RegisterOutlook::Scan(const std::string& parent, const std::string& proxy,
                           Discovery discovery, AccountRoutine routine,
                           const char* unchanged_line) {
  KeyList keys;
  discovery(parent, keys);
  return ScanKeys(keys, proxy, routine, unchanged_line);
}

bool RegisterOutlook::ConfigureProfileAccounts(const KeyList& keys, const std::string& proxy) {
  return ScanKeys(keys, proxy, &RegisterOutlook::UpdateProfileAccountKey, kUnchangedConfigured);
}

bool RegisterOutlook::RestoreProfileAccounts(const KeyList& keys, const std::string& proxy) {
  return ScanKeys(keys, proxy, &RegisterOutlook::RevertProfileAccountKey, kUnchangedRestored);
}

bool RegisterOutlook::ScanKeys(const KeyList& keys, const std::string& proxy,
                               AccountRoutine routine, const char* unchanged_line) {
  if (keys.empty()) Log("No Outlook profiles found");
  bool changed = false;
  for (const std::string& key : keys) {
    Log("For Outlook Profile :" + key);
    if ((this->*routine)(key, proxy)) {
      Log("Outlook Profile changed");
      changed = true;
    } else {
      Log(unchanged_line);
    }
  }
  return changed;
}

// ---------------------------------------------------------------- discovery

void RegisterOutlook::AddAccountKeys(const std::string& parent, KeyList& keys) {
  std::vector<std::string> names;
  if (!RegistryKey(HKEY_CURRENT_USER).EnumerateSubKeys(parent, names)) return;
  for (const std::string& name : names) keys.push_back(parent + "\\" + name);
}

void RegisterOutlook::AddProfileAccountKeys(const std::string& profiles, KeyList& keys) {
  std::vector<std::string> names;
  if (!RegistryKey(HKEY_CURRENT_USER).EnumerateSubKeys(profiles, names)) return;
  for (const std::string& profile : names)
    AddAccountKeys(profiles + "\\" + profile + "\\" + kAccountSection, keys);
}

// ---------------------------------------------------------------- accounts

bool RegisterOutlook::UpdateAccountKey(const std::string& key, const std::string& proxy) const {
  return UpdateAccount(kAccountManagerLayout, key, proxy);
}

bool RegisterOutlook::UpdateProfileAccountKey(const std::string& key,
                                              const std::string& proxy) const {
  return UpdateAccount(kProfileLayout, key, proxy);
}

bool RegisterOutlook::RevertAccountKey(const std::string& key, const std::string& proxy) const {
  return RevertAccount(kAccountManagerLayout, key, proxy);
}

bool RegisterOutlook::RevertProfileAccountKey(const std::string& key,
                                              const std::string& proxy) const {
  return RevertAccount(kProfileLayout, key, proxy);
}

bool RegisterOutlook::UpdateAccount(const Layout& layout, const std::string& key,
                                    const std::string& proxy) const {
  Log("New IP Address =" + proxy);
  std::string user;
  std::string server;
  if (ReadValue(layout, key, layout.pop3_user, user)) {
    Log("ProfileUserName=" + user);
    if (!ReadValue(layout, key, "POP3 Server", server)) {
      Log("Unable to read ProfileServerName");
      return false;
    }
    Log("ProfileServerName=" + server);
    if (!CanConfigure(user, server, proxy)) {
      Log("No Pop Update Condition detected");
      return false;
    }
    ConfigureAccount(proxy, user, server);
    Log("New PopUserName=" + user);
    Log("New PopServerName=" + server);
    Log(WriteValue(layout, key, layout.pop3_user, user, write_failed_) ? "PopUserName update successful"
                                                        : "PopUserName update failed");
    Log(WriteValue(layout, key, "POP3 Server", server, write_failed_) ? "PopServerName updated successful"
                                                       : "PopServerName update failed");
    return true;
  }
  if (!ReadValue(layout, key, "IMAP User", user)) {
    Log("Unable to read IMAP or POP3 details");
    return false;
  }
  Log("IMAPUserName=" + user);
  if (!ReadValue(layout, key, "IMAP Server", server)) {
    Log("Unable to read IMAPServerName");
    return false;
  }
  Log("IMAPServerName=" + server);
  if (!CanConfigure(user, server, proxy)) {
    Log("No IMAP Update Condition detected");
    return false;
  }
  ConfigureAccount(proxy, user, server);
  Log("New IMAPUserName=" + user);
  Log("New IMAPServerName=" + server);
  Log(WriteValue(layout, key, "IMAP User", user, write_failed_) ? "IMAPUserName update successful"
                                                 : "IMAPUserName update failed");
  Log(WriteValue(layout, key, "IMAP Server", server, write_failed_) ? "IMAPServerName update successful"
                                                     : "IMAPServerName update failed");
  return true;
}

bool RegisterOutlook::RevertAccount(const Layout& layout, const std::string& key,
                                    const std::string& proxy) const {
  std::string user_name = layout.pop3_user;
  std::string server_name = "POP3 Server";
  std::string user;
  std::string server;
  if (!ReadValue(layout, key, user_name, user)) {
    user_name = "IMAP User";
    server_name = "IMAP Server";
    if (!ReadValue(layout, key, user_name, user)) return false;
  }
  if (!ReadValue(layout, key, server_name, server)) return false;
  if (!CanRestore(user, server, proxy)) return false;
  if (!RestoreAccount(proxy, user, server)) return false;
  WriteValue(layout, key, user_name, user, write_failed_);
  WriteValue(layout, key, server_name, server, write_failed_);
  return true;
}

// ---------------------------------------------------------------- listing

AccountViews RegisterOutlook::ListAccounts() const {
  AccountViews views;
  try {
    const std::string profiles_2002 = Outlook2002ProfilesKey();
    ListLayoutAccounts(kOutlook97Key, &AddAccountKeys, kAccountManagerLayout, views);
    ListLayoutAccounts(kOutlook98Key, &AddAccountKeys, kAccountManagerLayout, views);
    ListLayoutAccounts(kOutlook2000Key, &AddAccountKeys, kAccountManagerLayout, views);
    ListProfileAccounts(profiles_2002, views);
    if (profiles_2002 != kNTProfilesKey && WindowsVersion().IsWindowsNTUpTo2003())
      ListProfileAccounts(kNTProfilesKey, views);
  } catch (...) {
  }
  return views;
}

void RegisterOutlook::ListProfileAccounts(const std::string& profiles, AccountViews& views) {
  ListLayoutAccounts(profiles, &AddProfileAccountKeys, kProfileLayout, views);
}

void RegisterOutlook::ListLayoutAccounts(const std::string& parent, Discovery discovery,
                                         const Layout& layout, AccountViews& views) {
  KeyList keys;
  discovery(parent, keys);
  for (const std::string& key : keys) {
    AccountView view;
    view.store = key;
    if (ReadValue(layout, key, layout.pop3_user, view.user)) {
      view.protocol = "POP3";
      ReadValue(layout, key, "POP3 Server", view.server);
    } else if (ReadValue(layout, key, "IMAP User", view.user)) {
      view.protocol = "IMAP";
      ReadValue(layout, key, "IMAP Server", view.server);
    } else {
      continue;  // a news or directory account
    }
    views.push_back(view);
  }
}

// ---------------------------------------------------------------- address book

namespace {

// Everything obtained from MAPI during one export, released in one order on
// every path.
struct MapiObjects {
  bool initialized = false;
  LPMAPISESSION session = nullptr;
  LPADRBOOK address_book = nullptr;
  ULONG pab_size = 0;
  LPENTRYID pab_id = nullptr;
  LPUNKNOWN container = nullptr;
  LPMAPITABLE table = nullptr;
  LPSRowSet rows = nullptr;
  LPUNKNOWN entry = nullptr;
  LPSPropValue props = nullptr;  // the open entry's properties

  void ReleaseAll(MapiLibrary& mapi) {
    if (props != nullptr && mapi.FindMAPIFreeBuffer()) mapi.MAPIFreeBuffer()(props);
    props = nullptr;
    if (entry != nullptr) entry->Release();
    entry = nullptr;
    if (rows != nullptr && mapi.FindFreeProws()) mapi.FreeProws()(rows);
    rows = nullptr;
    if (table != nullptr) table->Release();
    table = nullptr;
    if (container != nullptr) container->Release();
    container = nullptr;
    if (address_book != nullptr) address_book->Release();
    address_book = nullptr;
    if (pab_id != nullptr && mapi.FindMAPIFreeBuffer()) mapi.MAPIFreeBuffer()(pab_id);
    pab_id = nullptr;
    if (session != nullptr) session->Release();
    session = nullptr;
    if (initialized && mapi.FindMAPIUninitialize()) mapi.MAPIUninitialize()();
    initialized = false;
  }
};

[[noreturn]] void Fail(int line, const char* message) {
  throw Tessaly::BaseException(kSourceFile, line, message, 2);
}

// Bits of a GetProps answer that mean some of the asked properties are
// missing (MAPI_W_ERRORS_RETURNED and its neighbours).
const HRESULT kPropertyWarningMask = 0x00040380;

// The e-mail addresses of the personal address book, in table order.
void ReadPersonalAddressBook(MapiLibrary& mapi, MapiObjects& held,
                             std::vector<std::string>& addresses) {
  if (!mapi.FindMAPIInitialize() || mapi.MAPIInitialize()(nullptr) != 0)
    Fail(__LINE__, "Unable to load MAPI32.dll");
  held.initialized = true;
  if (!mapi.FindMAPILogonEx() ||
      FAILED(mapi.MAPILogonEx()(0, nullptr, nullptr, MAPI_LOGON_UI | MAPI_NEW_SESSION,
                                &held.session)))
    Fail(__LINE__, "MAPI MAPILogonEx failed.");
  if (FAILED(held.session->OpenAddressBook(0, nullptr, 0, &held.address_book)))
    Fail(__LINE__, "MAPI OpenAddressBook failed.");
  if (FAILED(held.address_book->GetPAB(&held.pab_size, &held.pab_id)))
    Fail(__LINE__, "MAPI GetPAB failed.");
  ULONG object_type = 0;
  if (FAILED(held.address_book->OpenEntry(held.pab_size, held.pab_id, nullptr, MAPI_BEST_ACCESS,
                                          &object_type, &held.container)))
    Fail(__LINE__, "MAPI OpenEntry failed.");
  if (object_type != MAPI_ABCONT) return;

  LPABCONT container = static_cast<LPABCONT>(held.container);
  if (FAILED(container->GetContentsTable(0, &held.table)))
    Fail(__LINE__, "MAPI GetContentsTable failed.");
  if (held.table == nullptr) Fail(__LINE__, "MAPI table is NULL.");
  ULONG count = 0;
  if (FAILED(held.table->GetRowCount(0, &count))) Fail(__LINE__, "MAPI GetRowCount failed.");
  if (FAILED(held.table->QueryRows(static_cast<LONG>(count), 0, &held.rows)))
    Fail(__LINE__, "MAPI QueryRows failed.");
  if (held.rows == nullptr) return;

  SizedSPropTagArray(3, tags) = {3, {PR_EMAIL_ADDRESS_A, PR_DISPLAY_NAME_A, PR_ENTRYID}};
  for (ULONG r = 0; r < held.rows->cRows; ++r) {
    const SRow& row = held.rows->aRow[r];
    for (ULONG p = 0; p < row.cValues; ++p) {
      const SPropValue& value = row.lpProps[p];
      if (value.ulPropTag != PR_ENTRYID) continue;
      ULONG entry_type = 0;
      if (FAILED(held.address_book->OpenEntry(value.Value.bin.cb,
                                              reinterpret_cast<LPENTRYID>(value.Value.bin.lpb),
                                              nullptr, 0, &entry_type, &held.entry))) {
        held.entry = nullptr;
        break;
      }
      LPMAILUSER user = static_cast<LPMAILUSER>(held.entry);
      ULONG got = 0;
      const HRESULT result =
          user->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &got, &held.props);
      const LPSPropValue props = held.props;
      const bool usable = !FAILED(result) && (result & kPropertyWarningMask) == 0;
      if (usable && props != nullptr && got > 0 && PROP_TYPE(props[0].ulPropTag) == PT_STRING8 &&
          props[0].Value.lpszA != nullptr)
        addresses.push_back(props[0].Value.lpszA);  // held: freed also when this throws
      if (props != nullptr && mapi.FindMAPIFreeBuffer()) mapi.MAPIFreeBuffer()(props);
      held.props = nullptr;
      held.entry->Release();
      held.entry = nullptr;
      if (!usable) break;
    }
  }
}

}  // namespace

int RegisterOutlook::ImportBlackList(const std::string& /*path*/) { return 0; }

int RegisterOutlook::ImportWhiteList(const std::string& path) {
  corvane::IndexedAddressList list;
  MapiLibrary mapi("mapi32");
  OutputFile output(path);
  MapiObjects held;
  try {
    std::vector<std::string> addresses;
    ReadPersonalAddressBook(mapi, held, addresses);
    for (const std::string& address : addresses) AddAddress(address, list);
    held.ReleaseAll(mapi);
    output.Write(list);
  } catch (Tessaly::BaseException& error) {
    SetResult(error.GetSeverity());
    Log("BaseException :" + error.GetMessageText());
    held.ReleaseAll(mapi);
  } catch (...) {
    SetResult(3);
    Log("Unknow Exception in retrieveWhileListEmail");
    held.ReleaseAll(mapi);
  }
  return GetResult();
}
