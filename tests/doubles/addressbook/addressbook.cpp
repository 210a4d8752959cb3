// The tests' own address book, never shipped.  This one file is built into
// two libraries that serve the same address book through their own entry
// points:
//   mapi32.dll (built with CORVANE_MAPI_DOUBLE, exports in mapi32.def):
//     MAPIInitialize, MAPILogonEx, MAPIFreeBuffer, FreeProws,
//     MAPIUninitialize; the session opens the address book.
//   wabdouble.dll: WABOpen, which gives the address book and the WAB object
//     whose allocator hands out the buffers (AllocateMore chains onto its
//     parent and goes with it), as the system's Windows Address Book does.
// Either way the address book has one personal address book (GetPAB,
// OpenEntry) whose contents table (GetRowCount, QueryRows) holds the rows;
// every other method answers MAPI_E_NO_SUPPORT.
//
// Settings are values under HKEY_CURRENT_USER, in the key "Software\Corvane
// Tests\MapiDouble" (mapi32.dll) or "Software\Corvane Tests\WAB"
// (wabdouble.dll), read at every call:
//   Entries    (MapiDouble) REG_MULTI_SZ, one entry per string, its e-mail
//              address; a leading "!" makes GetProps report the address
//              missing, a leading "#" makes OpenEntry fail for it.  Row i
//              of the table holds the display name "Entry i" and an entry
//              identifier that OpenEntry opens as a mail user.
//   Contacts   (WAB) REG_SZ, a contacts file: one row per line, properties
//              separated by "|", each "TTTTTTTT=value" with the property tag
//              in hex; PT_STRING8 and PT_UNICODE tags carry the value as
//              text, PT_BINARY its bytes, other tags the number 0.  No file:
//              an empty address book.
//   Fail       (MapiDouble), FailAt (WAB) REG_SZ, the one step that fails:
//              MAPIInitialize, MAPILogonEx, OpenAddressBook, WABOpen, GetPAB,
//              OpenEntry (of the personal address book), GetContentsTable,
//              GetRowCount or QueryRows; "NoTable" makes GetContentsTable
//              succeed without a table.  "MAPILogonExFault" and
//              "WABOpenFault" make that entry point write through a null
//              pointer after its trace: a processor fault in the caller.
//   PabType    (MapiDouble), ObjectType (WAB) REG_DWORD, the object type
//              OpenEntry reports for the personal address book (MAPI_ABCONT
//              when absent); mapi32.dll then serves a mail user for another
//              type, wabdouble.dll the container whatever the type.
//   RowLimit   REG_DWORD, the most rows one QueryRows returns.
//   Hide       REG_SZ, an export that GetProcAddress must not find.
// Failing steps answer MAPI_E_CALL_FAILED, except MAPIInitialize
// (MAPI_E_NOT_INITIALIZED), MAPILogonEx (MAPI_E_LOGON_FAILED), and GetPAB
// and OpenEntry of mapi32.dll (MAPI_E_NOT_FOUND).
//
// The trace tells a test what was called, in order, with which arguments,
// which object was destroyed, and at unload how many objects and buffers
// the caller failed to give back:
//   mapi32.dll appends "call[:argument...];" to the REG_SZ value "Calls" of
//     its key: "load;MAPIInitialize;MAPILogonEx:0:3;...;Release(Table);...
//     unload live=0 buffers=0;".
//   wabdouble.dll appends one line to the file that the REG_SZ value
//     "Trace" names when WABOpen is called: "WABOpen parameters=null
//     reserved=0", "QueryRows count=8 flags=0", "destroyed table", ...,
//     "unload objects=0 buffers=0".
#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>
#include <wabapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using std::to_string;

namespace {

#ifdef CORVANE_MAPI_DOUBLE
constexpr bool kMapi = true;
const char kSettingsKey[] = "Software\\Corvane Tests\\MapiDouble";
#else
constexpr bool kMapi = false;
const char kSettingsKey[] = "Software\\Corvane Tests\\WAB";
#endif

// What the caller holds, for the balance at unload.
LONG g_live_objects = 0;
LONG g_live_buffers = 0;
std::string g_trace_file;  // the WAB's, named when WABOpen is called

std::string Raw(const char* name) {
  DWORD size = 0;
  const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, flags, nullptr, nullptr, &size) != 0)
    return std::string();
  std::string data(size, '\0');
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, flags, nullptr, &data[0], &size) != 0)
    return std::string();
  data.resize(size);
  return data;
}

std::string Text(const char* name) {
  const std::string data = Raw(name);
  return data.substr(0, data.find('\0'));
}

DWORD Number(const char* name, DWORD fallback) {
  DWORD value = 0, size = sizeof(value);
  return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                      &size) == ERROR_SUCCESS ? value : fallback;
}

bool Fails(const char* step) { return Text(kMapi ? "Fail" : "FailAt") == step; }

void Trace(const std::string& call) {
  if (kMapi) {
    const std::string calls = Text("Calls") + call + ";";
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExA(key, "Calls", 0, REG_SZ, reinterpret_cast<const BYTE*>(calls.c_str()),
                   static_cast<DWORD>(calls.size() + 1));
    RegCloseKey(key);
  } else if (!g_trace_file.empty()) {
    std::ofstream(g_trace_file, std::ios::binary | std::ios::app) << call << "\r\n";
  }
}

// The "Fault" steps: a write through a pointer the compiler cannot know to
// be null, so that the processor faults in the caller's thread.
void Fault() {
  int* volatile nowhere = nullptr;
  *nowhere = 1;
}

// Buffers as MAPI hands them out: a header before the caller's bytes chains
// the buffers allocated "more" onto their root; freeing the root frees all.
struct BufferHeader {
  BufferHeader* more;
  ULONG magic;
  ULONG padding[2];
};
const ULONG kRootMagic = 0x57414231;
const ULONG kMoreMagic = 0x57414232;

BufferHeader* HeaderOf(void* buffer) { return static_cast<BufferHeader*>(buffer) - 1; }

void* Allocate(size_t size, void* root = nullptr) {
  BufferHeader* header = static_cast<BufferHeader*>(std::calloc(1, sizeof(BufferHeader) + size));
  if (header == nullptr) return nullptr;
  header->magic = root != nullptr ? kMoreMagic : kRootMagic;
  if (root != nullptr) {
    header->more = HeaderOf(root)->more;
    HeaderOf(root)->more = header;
  } else {
    InterlockedIncrement(&g_live_buffers);
  }
  return header + 1;
}

SCODE Free(void* buffer) {
  if (buffer == nullptr) return S_OK;
  BufferHeader* header = HeaderOf(buffer);
  if (header->magic != kRootMagic) {
    Trace("FreeBuffer of a buffer that is no allocation");
    return MAPI_E_INVALID_PARAMETER;
  }
  header->magic = 0;
  for (BufferHeader *more = header->more, *next; more != nullptr; more = next) {
    next = more->more;
    std::free(more);
  }
  std::free(header);
  InterlockedDecrement(&g_live_buffers);
  return S_OK;
}

// Entry identifiers: a marker and the entry's index (kPab for the personal
// address book).
struct EntryId {
  BYTE flags[4];
  DWORD marker;
  DWORD index;
};
const DWORD kMarker = 0x4d415044;
const DWORD kPab = 0xFFFFFFFF;
LPENTRYID g_pab_id = nullptr;

std::string EntryIdBytes(DWORD index) {
  const EntryId id = {{0, 0, 0, 0}, kMarker, index};
  return std::string(reinterpret_cast<const char*>(&id), sizeof(id));
}

struct Property {
  ULONG tag;
  std::string value;
};
using Row = std::vector<Property>;

std::vector<std::string> Entries() {
  std::vector<std::string> entries;
  std::stringstream strings(Raw("Entries"));
  for (std::string entry; std::getline(strings, entry, '\0') && !entry.empty();)
    entries.push_back(entry);
  return entries;
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  if (kMapi) {
    const size_t count = Entries().size();
    for (DWORD i = 0; i < count; ++i)
      rows.push_back({{PR_DISPLAY_NAME_A, "Entry " + to_string(i)}, {PR_ENTRYID, EntryIdBytes(i)}});
    return rows;
  }
  std::ifstream file(Text("Contacts"), std::ios::binary);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::stringstream fields(line);
    rows.emplace_back();
    for (std::string field; std::getline(fields, field, '|');) {
      const size_t equals = field.find('=');
      if (equals != std::string::npos)
        rows.back().push_back({std::strtoul(field.substr(0, equals).c_str(), nullptr, 16),
                               field.substr(equals + 1)});
    }
  }
  return rows;
}

// A row as one buffer of properties, their strings and bytes chained to it.
LPSPropValue CopyRow(const Row& row) {
  LPSPropValue props = static_cast<LPSPropValue>(Allocate(sizeof(SPropValue) * (row.size() + 1)));
  for (size_t i = 0; i < row.size(); ++i) {
    const std::string& value = row[i].value;
    props[i].ulPropTag = row[i].tag;
    if (PROP_TYPE(row[i].tag) == PT_UNICODE) {
      LPWSTR wide = static_cast<LPWSTR>(Allocate((value.size() + 1) * sizeof(WCHAR), props));
      for (size_t unit = 0; unit <= value.size(); ++unit)
        wide[unit] = static_cast<unsigned char>(value.c_str()[unit]);
      props[i].Value.lpszW = wide;
      continue;
    }
    void* copy = std::memcpy(Allocate(value.size() + 1, props), value.c_str(), value.size() + 1);
    if (PROP_TYPE(row[i].tag) == PT_STRING8) {
      props[i].Value.lpszA = static_cast<LPSTR>(copy);
    } else if (PROP_TYPE(row[i].tag) == PT_BINARY) {
      props[i].Value.bin.cb = static_cast<ULONG>(value.size());
      props[i].Value.bin.lpb = static_cast<LPBYTE>(copy);
    } else {
      props[i].Value.l = 0;
    }
  }
  return props;
}

// Reference counting; the last Release is traced.
template <class Interface>
class Counted : public Interface {
 public:
  explicit Counted(const std::string& name) : name_(name) { InterlockedIncrement(&g_live_objects); }
  virtual ~Counted() { InterlockedDecrement(&g_live_objects); }
  STDMETHOD(QueryInterface)(REFIID, LPVOID* object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&references_); }
  STDMETHOD_(ULONG, Release)() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      Trace(kMapi ? "Release(" + name_ + ")" : "destroyed " + name_);
      delete this;
    }
    return left;
  }

 private:
  std::string name_;
  LONG references_ = 1;
};

#define NOT_HERE \
  { return MAPI_E_NO_SUPPORT; }

// Every method the tests do not need, on each interface served.
struct UserStub : Counted<IMailUser> {
  using Counted::Counted;
  MAPI_IMAPIPROP_METHODS(NOT_HERE)
};
struct TableStub : Counted<IMAPITable> {
  using Counted::Counted;
  MAPI_IMAPITABLE_METHODS(NOT_HERE)
};
struct ContainerStub : Counted<IABContainer> {
  using Counted::Counted;
  MAPI_IMAPIPROP_METHODS(NOT_HERE)
  MAPI_IMAPICONTAINER_METHODS(NOT_HERE)
  MAPI_IABCONTAINER_METHODS(NOT_HERE)
};
struct AddrBookStub : Counted<IAddrBook> {
  using Counted::Counted;
  MAPI_IMAPIPROP_METHODS(NOT_HERE)
  MAPI_IADDRBOOK_METHODS(NOT_HERE)
};
struct SessionStub : Counted<IMAPISession> {
  using Counted::Counted;
  MAPI_IMAPISESSION_METHODS(NOT_HERE)
};
struct WabObjectStub : Counted<IWABObject> {
  using Counted::Counted;
  WAB_IWABOBJECT_METHODS(NOT_HERE)
};

struct MailUser : UserStub {
  MailUser(DWORD index, const std::string& entry)
      : UserStub("User " + to_string(index)), index(index), entry(entry) {}
  STDMETHOD(GetProps)(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override {
    const bool expected_tags = tags != nullptr && tags->cValues == 3 &&
                               tags->aulPropTag[0] == PR_EMAIL_ADDRESS_A &&
                               tags->aulPropTag[1] == PR_DISPLAY_NAME_A &&
                               tags->aulPropTag[2] == PR_ENTRYID;
    Trace("GetProps(" + to_string(index) + "):" + to_string(flags) +
          (expected_tags ? "" : ":unexpected tags"));
    const bool missing = !entry.empty() && entry[0] == '!';
    *values = CopyRow({{PR_EMAIL_ADDRESS_A, entry},
                       {PR_DISPLAY_NAME_A, "Entry " + to_string(index)},
                       {PR_ENTRYID, EntryIdBytes(index)}});
    if (missing) {
      (*values)[0].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_EMAIL_ADDRESS_A));
      (*values)[0].Value.err = MAPI_E_NOT_FOUND;
    }
    *count = 3;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
  }
  const DWORD index;
  const std::string entry;
};

struct Table : TableStub {
  Table() : TableStub(kMapi ? "Table" : "table") {}
  STDMETHOD(GetRowCount)(ULONG flags, ULONG* count) override {
    Trace((kMapi ? "GetRowCount:" : "GetRowCount flags=") + to_string(flags));
    if (Fails("GetRowCount")) return MAPI_E_CALL_FAILED;
    *count = static_cast<ULONG>(Rows().size());
    return S_OK;
  }
  STDMETHOD(QueryRows)(LONG wanted, ULONG flags, LPSRowSet* rows) override {
    Trace(kMapi ? "QueryRows:" + to_string(wanted) + ":" + to_string(flags)
                : "QueryRows count=" + to_string(wanted) + " flags=" + to_string(flags));
    *rows = nullptr;
    if (Fails("QueryRows")) return MAPI_E_CALL_FAILED;
    const std::vector<Row> all = Rows();
    size_t count = std::min<size_t>(all.size(), Number("RowLimit", 0xFFFFFFFF));
    if (wanted >= 0) count = std::min<size_t>(count, wanted);
    LPSRowSet set = static_cast<LPSRowSet>(Allocate(CbNewSRowSet(count + 1)));
    set->cRows = static_cast<ULONG>(count);
    for (size_t i = 0; i < count; ++i) {
      set->aRow[i].cValues = static_cast<ULONG>(all[i].size());
      set->aRow[i].lpProps = CopyRow(all[i]);
    }
    *rows = set;
    return S_OK;
  }
};

struct Container : ContainerStub {
  Container() : ContainerStub(kMapi ? "PAB" : "container") {}
  STDMETHOD(GetContentsTable)(ULONG flags, LPMAPITABLE* table) override {
    Trace((kMapi ? "GetContentsTable:" : "GetContentsTable flags=") + to_string(flags));
    *table = nullptr;
    if (Fails("GetContentsTable")) return MAPI_E_CALL_FAILED;
    if (!Fails("NoTable")) *table = new Table();
    return S_OK;
  }
};

struct AddrBook : AddrBookStub {
  AddrBook() : AddrBookStub(kMapi ? "AddrBook" : "address book") {}
  STDMETHOD(GetPAB)(ULONG* size, LPENTRYID* id) override {
    Trace("GetPAB");
    *size = 0;
    *id = nullptr;
    if (Fails("GetPAB")) return kMapi ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
    const std::string bytes = EntryIdBytes(kPab);
    *id = g_pab_id = static_cast<LPENTRYID>(std::memcpy(Allocate(bytes.size()), bytes.data(), bytes.size()));
    *size = static_cast<ULONG>(bytes.size());
    return S_OK;
  }
  STDMETHOD(OpenEntry)(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                       LPUNKNOWN* opened) override {
    const EntryId* parsed = reinterpret_cast<const EntryId*>(id);
    const bool known = size == sizeof(EntryId) && id != nullptr && parsed->marker == kMarker;
    const DWORD index = known ? parsed->index : 0;
    const bool pab = known && index == kPab;
    if (!kMapi)
      Trace(std::string("OpenEntry entry=") + (pab ? "pab" : "other") +
            " iid=" + (iid == nullptr ? "null" : "set") + " flags=" + to_string(flags));
    else if (known)
      Trace("OpenEntry(" + (pab ? "PAB" : to_string(index)) + "):" + to_string(flags) +
            (iid ? ":iid" : ""));
    else
      Trace("OpenEntry(?)");
    *opened = nullptr;
    if (!known) return kMapi ? MAPI_E_INVALID_ENTRYID : MAPI_E_NOT_FOUND;
    if (pab) {
      if (Fails("OpenEntry")) return kMapi ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;
      *type = Number(kMapi ? "PabType" : "ObjectType", MAPI_ABCONT);
      if (*type == MAPI_ABCONT || !kMapi)
        *opened = static_cast<IABContainer*>(new Container());
      else
        *opened = static_cast<IMailUser*>(new MailUser(kPab, ""));
      return S_OK;
    }
    const std::vector<std::string> entries = Entries();
    if (index >= entries.size() || entries[index][0] == '#') return MAPI_E_NOT_FOUND;
    *type = MAPI_MAILUSER;
    *opened = static_cast<IMailUser*>(new MailUser(index, entries[index]));
    return S_OK;
  }
};

struct Session : SessionStub {
  Session() : SessionStub("Session") {}
  STDMETHOD(OpenAddressBook)(ULONG_PTR window, LPCIID iid, ULONG flags, LPADRBOOK* book) override {
    Trace("OpenAddressBook:" + to_string(window) + ":" + to_string(flags) + (iid ? ":iid" : ""));
    if (Fails("OpenAddressBook")) return MAPI_E_CALL_FAILED;
    *book = new AddrBook();
    return S_OK;
  }
};

struct WabObject : WabObjectStub {
  WabObject() : WabObjectStub("WAB object") {}
  STDMETHOD(AllocateBuffer)(ULONG size, LPVOID* buffer) override {
    if (buffer == nullptr) return MAPI_E_INVALID_PARAMETER;
    *buffer = Allocate(size);
    return *buffer != nullptr ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
  }
  STDMETHOD(AllocateMore)(ULONG size, LPVOID parent, LPVOID* buffer) override {
    if (buffer == nullptr || parent == nullptr || HeaderOf(parent)->magic != kRootMagic)
      return MAPI_E_INVALID_PARAMETER;
    *buffer = Allocate(size, parent);
    return *buffer != nullptr ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
  }
  STDMETHOD(FreeBuffer)(LPVOID buffer) override { return Free(buffer); }
};

// Renames an export in the module's own export table (its last letter
// becomes "_"), so that GetProcAddress no longer finds it; names keep their
// sorted order because none is a prefix of another.
void HideExport(HMODULE module, const std::string& name) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  const IMAGE_NT_HEADERS* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_EXPORT_DIRECTORY* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(
      base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
  const DWORD* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    char* text = reinterpret_cast<char*>(base + names[i]);
    DWORD old = 0;
    if (name == text && VirtualProtect(text + name.size() - 1, 1, PAGE_READWRITE, &old)) {
      text[name.size() - 1] = '_';
      VirtualProtect(text + name.size() - 1, 1, old, &old);
    }
  }
}

}  // namespace

extern "C" {

#ifdef CORVANE_MAPI_DOUBLE
HRESULT WINAPI MAPIInitialize(LPVOID init) {
  Trace(std::string("MAPIInitialize") + (init ? ":init" : ""));
  return Fails("MAPIInitialize") ? MAPI_E_NOT_INITIALIZED : S_OK;
}

HRESULT WINAPI MAPILogonEx(ULONG_PTR window, LPSTR profile, LPSTR password, ULONG flags,
                           LPMAPISESSION* session) {
  Trace("MAPILogonEx:" + to_string(window) + ":" + to_string(flags) +
        (profile ? ":profile" : "") + (password ? ":password" : ""));
  if (Fails("MAPILogonExFault")) Fault();
  if (Fails("MAPILogonEx")) return MAPI_E_LOGON_FAILED;
  *session = new Session();
  return S_OK;
}

ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) {
  Trace(buffer != nullptr && buffer == g_pab_id ? "MAPIFreeBuffer(PAB id)" : "MAPIFreeBuffer");
  if (buffer == g_pab_id) g_pab_id = nullptr;
  return Free(buffer);
}

VOID WINAPI FreeProws(LPSRowSet rows) {
  Trace("FreeProws");
  for (ULONG i = 0; rows != nullptr && i < rows->cRows; ++i) Free(rows->aRow[i].lpProps);
  Free(rows);
}

VOID WINAPI MAPIUninitialize() { Trace("MAPIUninitialize"); }
#else
__declspec(dllexport) HRESULT WINAPI WABOpen(LPADRBOOK* book, LPWABOBJECT* wab,
                                             LPWAB_PARAM parameters, DWORD reserved) {
  g_trace_file = Text("Trace");
  Trace(std::string("WABOpen parameters=") + (parameters == nullptr ? "null" : "set") +
        " reserved=" + to_string(reserved));
  *book = nullptr;
  *wab = nullptr;
  if (Fails("WABOpenFault")) Fault();
  if (Fails("WABOpen")) return MAPI_E_CALL_FAILED;
  *wab = new WabObject();
  *book = new AddrBook();
  return S_OK;
}
#endif

// The WAB's trace file is named by WABOpen, so its trace begins there.
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Trace("load");
    const std::string hidden = Text("Hide");
    if (!hidden.empty()) HideExport(module, hidden);
  } else if (reason == DLL_PROCESS_DETACH) {
    Trace((kMapi ? "unload live=" : "unload objects=") + to_string(g_live_objects) +
          " buffers=" + to_string(g_live_buffers));
  }
  return TRUE;
}

}  // extern "C"
