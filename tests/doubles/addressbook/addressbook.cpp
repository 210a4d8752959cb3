// The tests' own address book, never shipped.  This one file is built into
// two libraries that serve the same address book through their own entry
// points:
//   mapi32.dll (built with CORVANE_MAPI_DOUBLE, exports in mapi32.def):
//     MAPIInitialize, MAPILogonEx, MAPIFreeBuffer, FreeProws,
//     MAPIUninitialize; the session opens the address book.
//   wabdouble.dll: WABOpen, which gives the address book and the WAB object
//     whose FreeBuffer takes back the buffers the address book hands out.
// Either way the address book has one personal address book (GetPAB,
// OpenEntry) whose contents table (GetRowCount, QueryRows) holds the rows;
// every other method answers MAPI_E_NO_SUPPORT.  Each row, and each answer
// of GetProps, is one buffer: its properties, then their text and bytes.
//
// Settings are values under HKEY_CURRENT_USER, in the key "Software\Corvane
// Tests\MapiDouble" (mapi32.dll) or "Software\Corvane Tests\WAB"
// (wabdouble.dll), read at every call:
//   Entries    (MapiDouble) REG_MULTI_SZ, one entry per string, its e-mail
//              address; a leading "!" makes GetProps report the address
//              missing, a leading "?" only the display name (the address
//              still given), a leading "#" makes OpenEntry fail for it.  Row i
//              of the table holds the display name "Entry i" and an entry
//              identifier that OpenEntry opens as a mail user.
//   Contacts   (WAB) REG_SZ, a contacts file: one row per line, properties
//              separated by "|", each "TTTTTTTT=value" with the property tag
//              in hex; PT_STRING8 and PT_UNICODE tags carry the value as
//              text, PT_BINARY its bytes, other tags the number 0.  No file:
//              an empty address book.
//   Fail       (MapiDouble), FailAt (WAB) REG_SZ, the one step that fails:
//              MAPIInitialize, MAPILogonEx, OpenAddressBook (mapi32.dll),
//              WABOpen (wabdouble.dll), GetPAB, OpenEntry (of the personal
//              address book), GetContentsTable, GetRowCount or QueryRows;
//              "NoTable" makes GetContentsTable succeed without a table.
//              "MAPILogonExFault" (mapi32.dll) and "WABOpenFault"
//              (wabdouble.dll) make that entry point write through a null
//              pointer after its trace: a processor fault in the caller.
//   PabType    (MapiDouble), ObjectType (WAB) REG_DWORD, the object type
//              OpenEntry reports for the personal address book (MAPI_ABCONT
//              when absent); mapi32.dll then serves a mail user for another
//              type, wabdouble.dll the container whatever the type.
//   RowLimit   (either key) REG_DWORD, the most rows one QueryRows returns.
//   Hide       (either key) REG_SZ, read at load: an export that
//              GetProcAddress must not find.
// Failing steps answer MAPI_E_CALL_FAILED, except MAPIInitialize
// (MAPI_E_NOT_INITIALIZED) and MAPILogonEx (MAPI_E_LOGON_FAILED).
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

// A setting's data, empty when it is absent.
std::string Raw(const char* name) {
  char data[65536];
  DWORD size = sizeof(data);
  return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                      data, &size) == ERROR_SUCCESS ? std::string(data, size) : std::string();
}

std::string Text(const char* name) { return Raw(name).c_str(); }

DWORD Number(const char* name, DWORD fallback) {
  const std::string data = Raw(name);
  return data.size() == sizeof(DWORD) ? *reinterpret_cast<const DWORD*>(data.data()) : fallback;
}

bool Fails(const char* step) { return Text(kMapi ? "Fail" : "FailAt") == step; }

void Trace(const std::string& call) {
  const std::string calls = kMapi ? Text("Calls") + call + ";" : call + "\r\n";
  HKEY key = nullptr;
  if (kMapi && RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                               nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Calls", 0, REG_SZ, reinterpret_cast<const BYTE*>(calls.c_str()),
                   static_cast<DWORD>(calls.size() + 1));
    RegCloseKey(key);
  } else if (!kMapi && !g_trace_file.empty()) {
    std::ofstream(g_trace_file, std::ios::binary | std::ios::app) << calls;
  }
}

// The "Fault" steps: a write through a pointer the compiler cannot know to
// be null, so that the processor faults in the caller's thread.
void Fault() { volatile int* volatile nowhere = nullptr; *nowhere = 1; }

// The buffers handed to the caller, counted until given back.
void* Allocate(size_t size) {
  InterlockedIncrement(&g_live_buffers);
  return std::calloc(1, size);
}

SCODE Free(void* buffer) {
  if (buffer != nullptr) InterlockedDecrement(&g_live_buffers);
  std::free(buffer);
  return S_OK;
}

// Entry identifiers: the entry's index (kPab for the personal address book).
const DWORD kPab = 0xFFFFFFFF;
const ULONG kEntryIdSize = sizeof(DWORD);
LPENTRYID g_pab_id = nullptr;

std::string EntryIdBytes(DWORD index) {
  return std::string(reinterpret_cast<char*>(&index), sizeof(index));
}

// A row of the contents table: property tags and values, as in a contacts
// file.
struct Property { ULONG tag; std::string value; };
using Row = std::vector<Property>;

std::vector<std::string> Entries() {
  std::vector<std::string> entries;
  std::stringstream strings(Raw("Entries"));
  for (std::string entry; std::getline(strings, entry, '\0') && !entry.empty();)
    entries.push_back(entry);
  return entries;
}

// The contents table: mapi32.dll's from its entries, wabdouble.dll's from
// its contacts file.
std::vector<Row> Rows() {
  std::vector<Row> rows;
  const size_t entries = kMapi ? Entries().size() : 0;
  for (DWORD i = 0; i < entries; ++i)
    rows.push_back({{PR_DISPLAY_NAME_A, "Entry " + to_string(i)}, {PR_ENTRYID, EntryIdBytes(i)}});
  std::ifstream file(kMapi ? "" : Text("Contacts"), std::ios::binary);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::stringstream fields(line);
    rows.emplace_back();
    for (std::string field; std::getline(fields, field, '|');)
      if (field.find('=') != std::string::npos)
        rows.back().push_back({std::strtoul(field.c_str(), nullptr, 16),
                               field.substr(field.find('=') + 1)});
  }
  return rows;
}

// A row as one buffer: the properties, then each value's bytes at an even
// offset, PT_UNICODE text widened from Latin-1.
LPSPropValue CopyRow(const Row& row) {
  std::string data(sizeof(SPropValue) * (row.size() + 1), '\0');
  std::vector<size_t> offsets;
  for (const Property& property : row) {
    offsets.push_back(data.size());
    const bool wide = PROP_TYPE(property.tag) == PT_UNICODE;
    for (unsigned char c : property.value + '\0')
      data += wide ? std::string{char(c), '\0'} : std::string(1, c);
    data.resize((data.size() + 1) / 2 * 2);
  }
  char* buffer = static_cast<char*>(std::memcpy(Allocate(data.size()), data.data(), data.size()));
  LPSPropValue props = reinterpret_cast<LPSPropValue>(buffer);
  for (size_t i = 0; i < row.size(); ++i) {
    const ULONG type = PROP_TYPE(row[i].tag);
    char* value = buffer + offsets[i];
    props[i].ulPropTag = row[i].tag;
    if (type == PT_STRING8) props[i].Value.lpszA = value;
    if (type == PT_UNICODE) props[i].Value.lpszW = reinterpret_cast<LPWSTR>(value);
    if (type == PT_BINARY) props[i].Value.bin = {static_cast<ULONG>(row[i].value.size()),
                                                 reinterpret_cast<LPBYTE>(value)};
  }
  return props;
}

// Reference counting; the last Release is traced.
template <class Interface>
struct Counted : Interface {
  explicit Counted(const std::string& name) : name_(name) { InterlockedIncrement(&g_live_objects); }
  virtual ~Counted() { InterlockedDecrement(&g_live_objects); }
  STDMETHOD(QueryInterface)(REFIID, LPVOID*) override { return E_NOINTERFACE; }
  STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&references_); }
  STDMETHOD_(ULONG, Release)() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) Trace(kMapi ? "Release(" + name_ + ")" : "destroyed " + name_);
    if (left == 0) delete this;
    return left;
  }
  std::string name_;
  LONG references_ = 1;
};

// Every method the tests do not need answers MAPI_E_NO_SUPPORT.
#define NOT_HERE { return MAPI_E_NO_SUPPORT; }
#define STUB(Name, Interface, methods)  \
  struct Name : Counted<Interface> {    \
    using Counted<Interface>::Counted;  \
    methods                             \
  };
STUB(UserStub, IMailUser, MAPI_IMAPIPROP_METHODS(NOT_HERE))
STUB(TableStub, IMAPITable, MAPI_IMAPITABLE_METHODS(NOT_HERE))
STUB(ContainerStub, IABContainer, MAPI_IMAPIPROP_METHODS(NOT_HERE)
     MAPI_IMAPICONTAINER_METHODS(NOT_HERE) MAPI_IABCONTAINER_METHODS(NOT_HERE))
STUB(AddrBookStub, IAddrBook, MAPI_IMAPIPROP_METHODS(NOT_HERE) MAPI_IADDRBOOK_METHODS(NOT_HERE))
STUB(SessionStub, IMAPISession, MAPI_IMAPISESSION_METHODS(NOT_HERE))
STUB(WabObjectStub, IWABObject, WAB_IWABOBJECT_METHODS(NOT_HERE))

// Entry i as a mail user: "!" lacks its address, "?" only its display name.
struct MailUser : UserStub {
  MailUser(DWORD index, const std::string& entry)
      : UserStub("User " + to_string(index)), index(index), entry(entry) {}
  STDMETHOD(GetProps)(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override {
    const ULONG expected[] = {3, PR_EMAIL_ADDRESS_A, PR_DISPLAY_NAME_A, PR_ENTRYID};
    const bool expected_tags = tags != nullptr && !std::memcmp(tags, expected, sizeof(expected));
    Trace("GetProps(" + to_string(index) + "):" + to_string(flags) +
          (expected_tags ? "" : ":unexpected tags"));
    const char mark = entry.empty() ? '\0' : entry[0];
    *values = CopyRow({{PR_EMAIL_ADDRESS_A, mark == '?' ? entry.substr(1) : entry},
                       {PR_DISPLAY_NAME_A, "Entry " + to_string(index)},
                       {PR_ENTRYID, EntryIdBytes(index)}});
    *count = 3;
    if (mark != '!' && mark != '?') return S_OK;
    SPropValue& lacking = (*values)[mark == '!' ? 0 : 1];
    lacking.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(lacking.ulPropTag));
    lacking.Value.err = MAPI_E_NOT_FOUND;
    return MAPI_W_ERRORS_RETURNED;
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
    const size_t count = std::min<size_t>({all.size(), Number("RowLimit", 0xFFFFFFFF),
                                           static_cast<ULONG>(wanted)});
    *rows = static_cast<LPSRowSet>(Allocate(CbNewSRowSet(count + 1)));
    (*rows)->cRows = static_cast<ULONG>(count);
    for (size_t i = 0; i < count; ++i)
      (*rows)->aRow[i] = {0, static_cast<ULONG>(all[i].size()), CopyRow(all[i])};
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
    *id = nullptr;
    if (Fails("GetPAB")) return MAPI_E_CALL_FAILED;
    *size = kEntryIdSize;
    *id = g_pab_id = static_cast<LPENTRYID>(Allocate(kEntryIdSize));
    std::memcpy(*id, &kPab, kEntryIdSize);
    return S_OK;
  }
  STDMETHOD(OpenEntry)(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                       LPUNKNOWN* opened) override {
    *opened = nullptr;
    if (size != kEntryIdSize || id == nullptr) return MAPI_E_INVALID_ENTRYID;
    const DWORD index = *reinterpret_cast<const DWORD*>(id);
    Trace(kMapi ? "OpenEntry(" + (index == kPab ? "PAB" : to_string(index)) + "):" +
                      to_string(flags) + (iid ? ":iid" : "")
                : std::string("OpenEntry entry=") + (index == kPab ? "pab" : "other") +
                      " iid=" + (iid ? "set" : "null") + " flags=" + to_string(flags));
    if (index == kPab) {
      if (Fails("OpenEntry")) return MAPI_E_CALL_FAILED;
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
  STDMETHOD(FreeBuffer)(LPVOID buffer) override { return Free(buffer); }
};

// Renames an export in the module's own export table (its last letter
// becomes "_"), so that GetProcAddress no longer finds it; names keep their
// sorted order because none is a prefix of another.
void HideExport(HMODULE module, const std::string& name) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  const auto headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(
      base + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
  const DWORD* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
  DWORD old = 0;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    char* found = reinterpret_cast<char*>(base + names[i]);
    if (name != found || !VirtualProtect(found, name.size(), PAGE_READWRITE, &old)) continue;
    found[name.size() - 1] = '_';
    VirtualProtect(found, name.size(), old, &old);
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
  Trace(std::string("WABOpen parameters=") + (parameters ? "set" : "null") +
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
  if (reason == DLL_PROCESS_ATTACH) Trace("load");
  if (reason == DLL_PROCESS_ATTACH && !Text("Hide").empty()) HideExport(module, Text("Hide"));
  if (reason == DLL_PROCESS_DETACH)
    Trace((kMapi ? "unload live=" : "unload objects=") + to_string(g_live_objects) +
          " buffers=" + to_string(g_live_buffers));
  return TRUE;
}

}  // extern "C"
