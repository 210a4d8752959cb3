#include "Config/RegisterOutlookExpress.h"

// The Windows Address Book declarations.  <wab.h> cannot be used as a whole
// with these headers (it pulls in the MAPI definitions a second time), so
// the pieces it would include are named one by one.
#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include "support/FileText.h"
#include "support/RegistryKey.h"

namespace {

const char kSourceFile[] = "Config\\RegisterOutlookExpress";
const char kNoAccounts[] = "No Outlook Express Accounts found.";
const char kSharedAccountsKey[] = "Software\\Microsoft\\Internet Account Manager\\Accounts";
const char kIdentitiesKey[] = "Identities";
const char kBlockedMailCriteria[] =
    "\\Software\\Microsoft\\Outlook Express\\5.0\\Block Senders\\Mail\\Criteria";
const char kWabPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";

// One incoming protocol of an account key: its two values and its messages.
struct Protocol {
  const char* name;
  const char* user_value;
  const char* server_value;
  const char* user_label;
  const char* server_label;
  const char* unchanged_configured;
  const char* unchanged_restored;
  const char* updated;
  const char* update_failed;
};

// In the order they are tried: an account with a POP3 pair is a POP3 account.
const Protocol kProtocols[] = {
    {"POP3", "POP3 User Name", "POP3 Server", "POP3 user name=", "POP3 server name=",
     "POP3 OE profile settings unchanged(may already be configured)",
     "POP3 OE profile settings unchanged(may already be restored)",
     "POP3 OE profile settings updated", "POP3 OE profile settings update failed"},
    {"IMAP", "IMAP User Name", "IMAP Server", "IMAP user name=", "IMAP server name=",
     "IMAP4 OE profile settings unchanged(may already be configured)",
     "IMAP4 OE profile settings unchanged(may already be restored)",
     "IMAP4 OE profile settings updated", "IMAP4 OE profile settings update failed"},
};

// The first protocol whose user name and server can both be read (the user
// name first; the server only when the user name was read), or nullptr.
const Protocol* ReadIncomingPair(const RegistryKey& registry, const std::string& key,
                                 std::string& user, std::string& server) {
  for (const Protocol& protocol : kProtocols) {
    std::string read_user;
    std::string read_server;
    if (registry.ReadString(key, protocol.user_value, read_user) &&
        registry.ReadString(key, protocol.server_value, read_server)) {
      user = read_user;
      server = read_server;
      return &protocol;
    }
  }
  return nullptr;
}

// COM for the calling thread for the life of the object.  A thread whose
// apartment cannot be entered is not uninitialised on its caller's behalf.
class ComApartment {
 public:
  ComApartment() : entered_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (entered_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool entered_;
};

// Everything one reading of the Windows Address Book holds.  The destructor
// gives back what was obtained, whatever the step reached: the row set and
// the entry identifier through the WAB object's allocator, then the table,
// the container, the address book and the WAB object, then the library.
struct AddressBookSession {
  HMODULE library = nullptr;
  LPADRBOOK book = nullptr;
  LPWABOBJECT wab = nullptr;
  ULONG pab_size = 0;
  LPENTRYID pab = nullptr;
  ULONG object_type = 0;
  LPABCONT container = nullptr;
  LPMAPITABLE table = nullptr;
  LPSRowSet rows = nullptr;

  AddressBookSession() = default;
  AddressBookSession(const AddressBookSession&) = delete;
  AddressBookSession& operator=(const AddressBookSession&) = delete;
  ~AddressBookSession() {
    if (rows != nullptr && wab != nullptr) {
      for (ULONG row = 0; row < rows->cRows; ++row)
        if (rows->aRow[row].lpProps != nullptr) wab->FreeBuffer(rows->aRow[row].lpProps);
      wab->FreeBuffer(rows);
    }
    if (table != nullptr) table->Release();
    if (container != nullptr) container->Release();
    if (pab != nullptr && wab != nullptr) wab->FreeBuffer(pab);
    if (book != nullptr) book->Release();
    if (wab != nullptr) wab->Release();
    if (library != nullptr) FreeLibrary(library);
  }
};

[[noreturn]] void ThrowAddressBookError(int line, const char* message) {
  throw Tessaly::BaseException(kSourceFile, line, message, 2);
}

// Opens the personal address book through the library the system names and
// reads every row of its contents table into the session.  A library without
// WABOpen, or an entry that is no address book container, leaves the session
// without rows.
void ReadAddressBook(AddressBookSession& session) {
  std::string library_path;
  if (!RegistryKey(HKEY_LOCAL_MACHINE).ReadString(kWabPathKey, "", library_path))
    ThrowAddressBookError(__LINE__, "Unable to locate DLL path from registry");
  if (!library_path.empty()) session.library = LoadLibraryA(library_path.c_str());
  if (session.library == nullptr)
    ThrowAddressBookError(__LINE__, "Unable to locate WABOpen function from dll");

  // Called through the SDK's own type: its calling convention is the one
  // the library was built with.
  LPWABOPEN open_address_book = reinterpret_cast<LPWABOPEN>(
      reinterpret_cast<void*>(GetProcAddress(session.library, "WABOpen")));
  if (open_address_book == nullptr) return;

  if (open_address_book(&session.book, &session.wab, nullptr, 0) != S_OK)
    ThrowAddressBookError(__LINE__, "WABOpen function return an error");
  if (FAILED(session.book->GetPAB(&session.pab_size, &session.pab)))
    ThrowAddressBookError(__LINE__, "GetPAB function return an error");
  if (FAILED(session.book->OpenEntry(session.pab_size, session.pab, nullptr, MAPI_BEST_ACCESS,
                                     &session.object_type,
                                     reinterpret_cast<LPUNKNOWN*>(&session.container))))
    ThrowAddressBookError(__LINE__, "OpenEntry function return an error");
  if (session.object_type != MAPI_ABCONT || session.container == nullptr) return;

  if (FAILED(session.container->GetContentsTable(0, &session.table)))
    ThrowAddressBookError(__LINE__, "GetContentsTable function return an error");
  if (session.table == nullptr) ThrowAddressBookError(__LINE__, "Mapi table pointer is null");

  ULONG count = 0;
  if (FAILED(session.table->GetRowCount(0, &count)))
    ThrowAddressBookError(__LINE__, "GetRowCount function return an error");
  if (count == 0) return;
  if (FAILED(session.table->QueryRows(static_cast<LONG>(count), 0, &session.rows)))
    ThrowAddressBookError(__LINE__, "QueryRows function return an error");
}

}  // namespace

namespace {

// The texts that tell configuring and restoring apart.
struct Direction {
  const char* opening_banner;
  const char* closing_banner;
  const char* no_pair_message;
};
const Direction kConfiguring = {"-------------- Configuring Outlook Express -----------------",
                                "-------- Configuring Outlook Express Completed --------------",
                                "Unable to read OE profile Mail Server settings"};
const Direction kRestoring = {"-------------- Restoring Outlook Express -----------------",
                              "-------- Restoring Outlook Express Completed --------------",
                              "Unable to read OE profile settings."};

}  // namespace

void RegisterOutlookExpress::AddAccountKeys(const RegistryKey& registry, const std::string& parent,
                                            std::vector<std::string>& keys) {
  std::vector<std::string> names;
  if (!registry.EnumerateSubKeys(parent, names)) return;
  for (const std::string& name : names) keys.push_back(parent + "\\" + name);
}

void RegisterOutlookExpress::AddIdentityAccountKeys(const RegistryKey& registry,
                                                    std::vector<std::string>& keys) {
  std::vector<std::string> identities;
  if (!registry.EnumerateSubKeys(kIdentitiesKey, identities)) return;
  for (const std::string& identity : identities)
    AddAccountKeys(registry,
                   std::string(kIdentitiesKey) + "\\" + identity + "\\" + kSharedAccountsKey, keys);
}

std::vector<std::string> RegisterOutlookExpress::FindAccountKeys(const RegistryKey& registry) {
  std::vector<std::string> keys;
  AddAccountKeys(registry, kSharedAccountsKey, keys);
  AddIdentityAccountKeys(registry, keys);
  return keys;
}

bool RegisterOutlookExpress::Run(bool configure, const std::string& proxy) {
  const Direction& direction = configure ? kConfiguring : kRestoring;
  ConfigLog::WriteLog(direction.opening_banner);
  const std::vector<std::string> keys = FindAccountKeys(RegistryKey(HKEY_CURRENT_USER));
  if (keys.empty()) throw Tessaly::BaseException(kSourceFile, __LINE__, kNoAccounts, 4);
  const bool rewritten = configure ? ConfigureProfiles(keys, proxy) : RestoreProfiles(keys, proxy);
  ConfigLog::WriteLog(direction.closing_banner);
  return rewritten;
}

bool RegisterOutlookExpress::Configure(const std::string& proxy) { return Run(true, proxy); }

bool RegisterOutlookExpress::Restore(const std::string& proxy) { return Run(false, proxy); }

bool RegisterOutlookExpress::ConfigureProfiles(const std::vector<std::string>& keys,
                                               const std::string& proxy) {
  return RewriteProfiles(true, keys, proxy);
}

bool RegisterOutlookExpress::RestoreProfiles(const std::vector<std::string>& keys,
                                             const std::string& proxy) {
  return RewriteProfiles(false, keys, proxy);
}

bool RegisterOutlookExpress::RewriteProfiles(bool configure, const std::vector<std::string>& keys,
                                             const std::string& proxy) {
  const Direction& direction = configure ? kConfiguring : kRestoring;
  const RegistryKey registry(HKEY_CURRENT_USER);
  bool rewritten = false;
  for (const std::string& key : keys) {
    ConfigLog::WriteLog("OE profile:" + key);
    std::string user;
    std::string server;
    const Protocol* protocol = ReadIncomingPair(registry, key, user, server);
    if (protocol == nullptr) {
      ConfigLog::WriteLog(direction.no_pair_message);
      continue;
    }
    ConfigLog::WriteLog(protocol->user_label + user);
    ConfigLog::WriteLog(protocol->server_label + server);

    const bool applies =
        configure ? CanConfigure(user, server, proxy) : CanRestore(user, server, proxy);
    if (!applies) {
      ConfigLog::WriteLog(configure ? protocol->unchanged_configured
                                    : protocol->unchanged_restored);
      continue;
    }
    const bool changed =
        configure ? ConfigureAccount(proxy, user, server) : RestoreAccount(proxy, user, server);
    if (!changed) {
      if (configure) SetResult(5);
      ConfigLog::WriteLog(protocol->update_failed);
      continue;
    }
    // A failed write is not detected: the account is reported updated all the same.
    registry.WriteString(key, protocol->user_value, user, false);
    registry.WriteString(key, protocol->server_value, server, false);
    SetResult(255);
    rewritten = true;
    ConfigLog::WriteLog(protocol->updated);
  }
  return rewritten;
}

AccountViews RegisterOutlookExpress::ListAccounts() const noexcept {
  AccountViews views;
  try {
    RegistryKey registry(HKEY_CURRENT_USER);
    for (const std::string& key : FindAccountKeys(registry)) {
      std::string user;
      std::string server;
      const Protocol* protocol = ReadIncomingPair(registry, key, user, server);
      if (protocol != nullptr) views.push_back(AccountView{key, protocol->name, user, server});
    }
  } catch (...) {
    // What was listed so far stands.
  }
  return views;
}

int RegisterOutlookExpress::ImportWhiteList(const std::string& path) {
  ComApartment com;
  try {
    OutputFile output(path);
    corvane::IndexedAddressList list;
    {
      AddressBookSession session;
      ReadAddressBook(session);
      if (session.rows != nullptr) {
        for (ULONG row = 0; row < session.rows->cRows; ++row) {
          const SRow& columns = session.rows->aRow[row];
          for (ULONG column = 0; column < columns.cValues; ++column) {
            const SPropValue& property = columns.lpProps[column];
            if (property.ulPropTag == PR_EMAIL_ADDRESS_A && property.Value.lpszA != nullptr)
              AddAddress(property.Value.lpszA, list);
          }
        }
      }
    }
    output.Write(list);
  } catch (Tessaly::BaseException& error) {
    SetResult(error.GetSeverity());
  } catch (...) {
    // The result code stays as it was; the output file stays empty.
  }
  return GetResult();
}

int RegisterOutlookExpress::ImportBlackList(const std::string& path) {
  try {
    OutputFile output(path);
    corvane::IndexedAddressList list;
    RegistryKey registry(HKEY_CURRENT_USER);
    std::vector<std::string> identities;
    if (registry.EnumerateSubKeys(kIdentitiesKey, identities)) {
      for (const std::string& identity : identities) {
        const std::string criteria =
            std::string(kIdentitiesKey) + "\\" + identity + kBlockedMailCriteria;
        std::vector<std::string> rules;
        if (!registry.EnumerateSubKeys(criteria, rules)) continue;
        for (const std::string& rule : rules) {
          std::string sender;
          if (registry.ReadString(criteria + "\\" + rule, "Value", sender))
            AddAddress(sender, list);
        }
      }
    }
    output.Write(list);
    return 1;
  } catch (...) {
    return 0;
  }
}
