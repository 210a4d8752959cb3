// A MAPI of the tests' own: mapi32.dll serving a personal address book from
// registry settings, so that the address book export can be run under Wine
// against every answer MAPI may give.  Never shipped.
//
// Settings, under HKEY_CURRENT_USER\Software\Corvane Tests\MapiDouble:
//   Entries   REG_MULTI_SZ, one entry per string, its e-mail address; a
//             leading "!" makes GetProps report missing properties for it,
//             a leading "?" makes GetProps report only its display name
//             missing (the address still given), a leading "#" makes
//             OpenEntry fail for it.
//   Fail      REG_SZ, the step that fails: MAPIInitialize, MAPILogonEx,
//             OpenAddressBook, GetPAB, OpenEntry, GetContentsTable, NoTable
//             (succeeds without a table), GetRowCount, QueryRows.
//   Hide      REG_SZ, an export that GetProcAddress must not find.
//   PabType   REG_DWORD, the object type of the personal address book
//             (MAPI_ABCONT when absent); another type serves a mail user.
//   RowLimit  REG_DWORD, the most rows one QueryRows returns.
// Every call is appended to the REG_SZ value "Calls" as "name;", so a test
// reads what was called, in order, with which flags.  On unload the double
// appends "unload live=<objects> buffers=<allocations>;" with what the
// caller failed to release.
#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>
#include <mapitags.h>

#include <string>
#include <vector>

namespace {

const char kSettingsKey[] = "Software\\Corvane Tests\\MapiDouble";

LONG g_live_objects = 0;
LONG g_live_buffers = 0;

std::string ReadSetting(const char* name, DWORD* type_out = nullptr) {
  char data[8192] = {0};
  DWORD size = sizeof(data) - 2;
  DWORD type = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data,
                   &size) != ERROR_SUCCESS)
    return std::string();
  if (type_out != nullptr) *type_out = type;
  return std::string(data, size);
}

std::string ReadText(const char* name) {
  std::string text = ReadSetting(name);
  return text.substr(0, text.find('\0'));
}

DWORD ReadDword(const char* name, DWORD fallback) {
  DWORD type = 0;
  std::string bytes = ReadSetting(name, &type);
  if (type != REG_DWORD || bytes.size() < 4) return fallback;
  DWORD value = 0;
  memcpy(&value, bytes.data(), 4);
  return value;
}

std::vector<std::string> ReadEntries() {
  std::vector<std::string> entries;
  std::string bytes = ReadSetting("Entries");
  std::string::size_type start = 0;
  while (start < bytes.size()) {
    std::string::size_type end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    if (end == start) break;
    entries.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

void Trace(const std::string& call) {
  std::string calls = ReadText("Calls") + call + ";";
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, "Calls", 0, REG_SZ, reinterpret_cast<const BYTE*>(calls.c_str()),
                 static_cast<DWORD>(calls.size() + 1));
  RegCloseKey(key);
}

bool Fails(const char* step) { return ReadText("Fail") == step; }

void* Allocate(size_t size) {
  InterlockedIncrement(&g_live_buffers);
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}

void Free(void* buffer) {
  if (buffer == nullptr) return;
  InterlockedDecrement(&g_live_buffers);
  HeapFree(GetProcessHeap(), 0, buffer);
}

// Entry identifiers: a marker and the entry's index (the PAB has kPab).
struct DoubleEntryId {
  BYTE flags[4];
  DWORD marker;
  DWORD index;
};
const DWORD kMarker = 0x4d415044;
const DWORD kPab = 0xFFFFFFFF;
LPENTRYID g_pab_id = nullptr;

bool ParseEntryId(ULONG size, LPENTRYID id, DWORD& index) {
  if (size != sizeof(DoubleEntryId) || id == nullptr) return false;
  const DoubleEntryId* parsed = reinterpret_cast<const DoubleEntryId*>(id);
  if (parsed->marker != kMarker) return false;
  index = parsed->index;
  return true;
}

#define NOT_HERE \
  { return MAPI_E_NO_SUPPORT; }

// Reference counting and the trace of the last Release.
template <class Interface>
class Counted : public Interface {
 public:
  explicit Counted(const std::string& name) : name_(name) { InterlockedIncrement(&g_live_objects); }
  virtual ~Counted() { InterlockedDecrement(&g_live_objects); }
  STDMETHODIMP QueryInterface(REFIID, LPVOID* out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (left == 0) {
      Trace("Release(" + name_ + ")");
      delete this;
    }
    return left;
  }

 private:
  std::string name_;
  ULONG references_ = 1;
};

template <class Interface>
class PropStub : public Counted<Interface> {
 public:
  using Counted<Interface>::Counted;
  MAPI_IMAPIPROP_METHODS(NOT_HERE);
};

class MailUser : public PropStub<IMailUser> {
 public:
  MailUser(DWORD index, const std::string& entry)
      : PropStub<IMailUser>("User " + std::to_string(index)), index_(index), entry_(entry) {}

  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                        LPSPropValue* values) override {
    const bool expected_tags = tags != nullptr && tags->cValues == 3 &&
                               tags->aulPropTag[0] == PR_EMAIL_ADDRESS_A &&
                               tags->aulPropTag[1] == PR_DISPLAY_NAME_A &&
                               tags->aulPropTag[2] == PR_ENTRYID;
    Trace("GetProps(" + std::to_string(index_) + "):" + std::to_string(flags) +
          (expected_tags ? "" : ":unexpected tags"));
    const bool missing = !entry_.empty() && entry_[0] == '!';
    const bool no_name = !entry_.empty() && entry_[0] == '?';
    const std::string address = missing ? std::string() : entry_.substr(no_name ? 1 : 0);
    const std::string name = "Entry " + std::to_string(index_);
    const size_t size = 3 * sizeof(SPropValue) + address.size() + 1 + name.size() + 1 +
                        sizeof(DoubleEntryId);
    BYTE* block = static_cast<BYTE*>(Allocate(size));
    LPSPropValue props = reinterpret_cast<LPSPropValue>(block);
    char* text = reinterpret_cast<char*>(block + 3 * sizeof(SPropValue));
    memcpy(text, address.c_str(), address.size() + 1);
    char* name_text = text + address.size() + 1;
    memcpy(name_text, name.c_str(), name.size() + 1);
    DoubleEntryId* id = reinterpret_cast<DoubleEntryId*>(name_text + name.size() + 1);
    id->marker = kMarker;
    id->index = index_;
    if (missing) {
      props[0].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_EMAIL_ADDRESS_A));
      props[0].Value.err = MAPI_E_NOT_FOUND;
    } else {
      props[0].ulPropTag = PR_EMAIL_ADDRESS_A;
      props[0].Value.lpszA = text;
    }
    props[1].ulPropTag = PR_DISPLAY_NAME_A;
    props[1].Value.lpszA = name_text;
    if (no_name) {
      props[1].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_DISPLAY_NAME_A));
      props[1].Value.err = MAPI_E_NOT_FOUND;
    }
    props[2].ulPropTag = PR_ENTRYID;
    props[2].Value.bin.cb = sizeof(DoubleEntryId);
    props[2].Value.bin.lpb = reinterpret_cast<LPBYTE>(id);
    *count = 3;
    *values = props;
    return missing || no_name ? MAPI_W_ERRORS_RETURNED : S_OK;
  }

 private:
  DWORD index_;
  std::string entry_;
};

class Table : public Counted<IMAPITable> {
 public:
  Table() : Counted<IMAPITable>("Table") {}
  MAPI_IMAPITABLE_METHODS(NOT_HERE);
};

class ContentsTable : public Table {
 public:
  STDMETHODIMP GetRowCount(ULONG flags, ULONG* count) override {
    Trace("GetRowCount:" + std::to_string(flags));
    if (Fails("GetRowCount")) return MAPI_E_CALL_FAILED;
    *count = static_cast<ULONG>(ReadEntries().size());
    return S_OK;
  }
  STDMETHODIMP QueryRows(LONG wanted, ULONG flags, LPSRowSet* rows) override {
    Trace("QueryRows:" + std::to_string(wanted) + ":" + std::to_string(flags));
    if (Fails("QueryRows")) return MAPI_E_CALL_FAILED;
    const std::vector<std::string> entries = ReadEntries();
    ULONG count = static_cast<ULONG>(entries.size());
    if (wanted >= 0 && static_cast<ULONG>(wanted) < count) count = static_cast<ULONG>(wanted);
    const DWORD limit = ReadDword("RowLimit", 0xFFFFFFFF);
    if (count > limit) count = limit;
    LPSRowSet set = static_cast<LPSRowSet>(Allocate(CbNewSRowSet(count ? count : 1)));
    set->cRows = count;
    for (ULONG i = 0; i < count; ++i) {
      // Two columns: the display name first, then the entry identifier.
      const std::string name = "Entry " + std::to_string(i);
      BYTE* block =
          static_cast<BYTE*>(Allocate(2 * sizeof(SPropValue) + sizeof(DoubleEntryId) + name.size() + 1));
      LPSPropValue props = reinterpret_cast<LPSPropValue>(block);
      DoubleEntryId* id = reinterpret_cast<DoubleEntryId*>(block + 2 * sizeof(SPropValue));
      id->marker = kMarker;
      id->index = i;
      char* text = reinterpret_cast<char*>(id + 1);
      memcpy(text, name.c_str(), name.size() + 1);
      props[0].ulPropTag = PR_DISPLAY_NAME_A;
      props[0].Value.lpszA = text;
      props[1].ulPropTag = PR_ENTRYID;
      props[1].Value.bin.cb = sizeof(DoubleEntryId);
      props[1].Value.bin.lpb = reinterpret_cast<LPBYTE>(id);
      set->aRow[i].cValues = 2;
      set->aRow[i].lpProps = props;
    }
    *rows = set;
    return S_OK;
  }
};

class ContainerStub : public PropStub<IABContainer> {
 public:
  ContainerStub() : PropStub<IABContainer>("PAB") {}
  MAPI_IMAPICONTAINER_METHODS(NOT_HERE);
  MAPI_IABCONTAINER_METHODS(NOT_HERE);
};

class Container : public ContainerStub {
 public:
  STDMETHODIMP GetContentsTable(ULONG flags, LPMAPITABLE* table) override {
    Trace("GetContentsTable:" + std::to_string(flags));
    if (Fails("GetContentsTable")) return MAPI_E_CALL_FAILED;
    *table = Fails("NoTable") ? nullptr : new ContentsTable();
    return S_OK;
  }
};

class AddressBookStub : public PropStub<IAddrBook> {
 public:
  AddressBookStub() : PropStub<IAddrBook>("AddrBook") {}
  MAPI_IADDRBOOK_METHODS(NOT_HERE);
};

class AddressBook : public AddressBookStub {
 public:
  STDMETHODIMP GetPAB(ULONG* size, LPENTRYID* id) override {
    Trace("GetPAB");
    if (Fails("GetPAB")) return MAPI_E_NOT_FOUND;
    DoubleEntryId* made = static_cast<DoubleEntryId*>(Allocate(sizeof(DoubleEntryId)));
    made->marker = kMarker;
    made->index = kPab;
    *size = sizeof(DoubleEntryId);
    *id = g_pab_id = reinterpret_cast<LPENTRYID>(made);
    return S_OK;
  }
  STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* opened) override {
    DWORD index = 0;
    if (!ParseEntryId(size, id, index)) {
      Trace("OpenEntry(?)");
      return MAPI_E_INVALID_ENTRYID;
    }
    const std::string which = index == kPab ? "PAB" : std::to_string(index);
    Trace("OpenEntry(" + which + "):" + std::to_string(flags) + (iid ? ":iid" : ""));
    if (index == kPab) {
      if (Fails("OpenEntry")) return MAPI_E_NOT_FOUND;
      *type = ReadDword("PabType", MAPI_ABCONT);
      if (*type == MAPI_ABCONT)
        *opened = static_cast<IABContainer*>(new Container());
      else
        *opened = static_cast<IMailUser*>(new MailUser(kPab, ""));
      return S_OK;
    }
    const std::vector<std::string> entries = ReadEntries();
    if (index >= entries.size() || (!entries[index].empty() && entries[index][0] == '#'))
      return MAPI_E_NOT_FOUND;
    *type = MAPI_MAILUSER;
    *opened = static_cast<IMailUser*>(new MailUser(index, entries[index]));
    return S_OK;
  }
};

class SessionStub : public Counted<IMAPISession> {
 public:
  SessionStub() : Counted<IMAPISession>("Session") {}
  MAPI_IMAPISESSION_METHODS(NOT_HERE);
};

class Session : public SessionStub {
 public:
  STDMETHODIMP OpenAddressBook(ULONG_PTR window, LPCIID iid, ULONG flags,
                               LPADRBOOK* book) override {
    Trace("OpenAddressBook:" + std::to_string(window) + ":" + std::to_string(flags) +
          (iid ? ":iid" : ""));
    if (Fails("OpenAddressBook")) return MAPI_E_CALL_FAILED;
    *book = new AddressBook();
    return S_OK;
  }
};

// Renames an export in the module's own export table (its last letter
// becomes "_"), so that GetProcAddress no longer finds it; names keep their
// sorted order because none is a prefix of another.
void HideExport(HMODULE module, const std::string& name) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  IMAGE_NT_HEADERS* headers =
      reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  IMAGE_EXPORT_DIRECTORY* exports =
      reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  DWORD* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    char* text = reinterpret_cast<char*>(base + names[i]);
    if (name != text) continue;
    DWORD old = 0;
    char* last = text + name.size() - 1;
    if (VirtualProtect(last, 1, PAGE_READWRITE, &old)) {
      *last = '_';
      VirtualProtect(last, 1, old, &old);
    }
  }
}

}  // namespace

extern "C" {

HRESULT WINAPI MAPIInitialize(LPVOID init) {
  Trace(std::string("MAPIInitialize") + (init ? ":init" : ""));
  return Fails("MAPIInitialize") ? MAPI_E_NOT_INITIALIZED : S_OK;
}

HRESULT WINAPI MAPILogonEx(ULONG_PTR window, LPSTR profile, LPSTR password, ULONG flags,
                           LPMAPISESSION* session) {
  Trace("MAPILogonEx:" + std::to_string(window) + ":" + std::to_string(flags) +
        (profile ? ":profile" : "") + (password ? ":password" : ""));
  if (Fails("MAPILogonEx")) return MAPI_E_LOGON_FAILED;
  *session = new Session();
  return S_OK;
}

ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) {
  Trace(buffer != nullptr && buffer == g_pab_id ? "MAPIFreeBuffer(PAB id)" : "MAPIFreeBuffer");
  if (buffer == g_pab_id) g_pab_id = nullptr;
  Free(buffer);
  return S_OK;
}

VOID WINAPI FreeProws(LPSRowSet rows) {
  Trace("FreeProws");
  if (rows == nullptr) return;
  for (ULONG i = 0; i < rows->cRows; ++i) Free(rows->aRow[i].lpProps);
  Free(rows);
}

VOID WINAPI MAPIUninitialize() { Trace("MAPIUninitialize"); }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Trace("load");
    const std::string hidden = ReadText("Hide");
    if (!hidden.empty()) HideExport(module, hidden);
  } else if (reason == DLL_PROCESS_DETACH) {
    Trace("unload live=" + std::to_string(g_live_objects) +
          " buffers=" + std::to_string(g_live_buffers));
  }
  return TRUE;
}

}  // extern "C"
