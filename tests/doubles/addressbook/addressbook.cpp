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
  std::string data(65536, '\0');
  DWORD size = static_cast<DWORD>(data.size());
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                   &data[0], &size) != ERROR_SUCCESS)
    return std::string();
  return data.substr(0, size);
}

std::string Text(const char* name) { return Raw(name).c_str(); }

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
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
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
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

// Buffers as MAPI hands them out: a header before the caller's bytes chains
// the buffers allocated "more" onto their root (the one with the magic
// number); freeing the root frees them all.
struct BufferHeader {
  BufferHeader* more;
  ULONG magic;
};
const ULONG kRootMagic = 0x57414231;

BufferHeader* HeaderOf(void* buffer) { return static_cast<BufferHeader*>(buffer) - 1; }

void* Allocate(size_t size, void* root = nullptr) {
  BufferHeader* header = static_cast<BufferHeader*>(std::calloc(1, sizeof(BufferHeader) + size));
  if (root != nullptr) {
    std::swap(header->more, HeaderOf(root)->more);
  } else {
    header->magic = kRootMagic;
    InterlockedIncrement(&g_live_buffers);
  }
  return header + 1;
}

SCODE Free(void* buffer) {
  if (buffer == nullptr) return S_OK;
  if (HeaderOf(buffer)->magic != kRootMagic) {
    Trace("FreeBuffer of a buffer that is no allocation");
    return MAPI_E_INVALID_PARAMETER;
  }
  InterlockedDecrement(&g_live_buffers);
  for (BufferHeader *header = HeaderOf(buffer), *next; header != nullptr; header = next) {
    next = header->more;
    header->magic = 0;
    std::free(header);
  }
  return S_OK;
}

// Entry identifiers: flags, a marker and the entry's index (kPab for the
// personal address book).
const DWORD kMarker = 0x4d415044;
const DWORD kPab = 0xFFFFFFFF;
const ULONG kEntryIdSize = 3 * sizeof(DWORD);
LPENTRYID g_pab_id = nullptr;
// What GetPAB and OpenEntry of the personal address book answer on failure.
const HRESULT kLookupFailed = kMapi ? MAPI_E_NOT_FOUND : MAPI_E_CALL_FAILED;

std::string EntryIdBytes(DWORD index) {
  const DWORD id[3] = {0, kMarker, index};
  return std::string(reinterpret_cast<const char*>(id), kEntryIdSize);
}

// A row of the contents table: property tags and values, as in a contacts
// file.
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
    for (std::string field; std::getline(fields, field, '|');) {
      const size_t equals = field.find('=');
      if (equals != std::string::npos)
        rows.back().push_back({std::strtoul(field.substr(0, equals).c_str(), nullptr, 16),
                               field.substr(equals + 1)});
    }
  }
  return rows;
}

// A row as one buffer of properties, their strings and bytes chained to it;
// PT_UNICODE text is widened from Latin-1.
LPSPropValue CopyRow(const Row& row) {
  LPSPropValue props = static_cast<LPSPropValue>(Allocate(sizeof(SPropValue) * (row.size() + 1)));
  for (size_t i = 0; i < row.size(); ++i) {
    const ULONG type = PROP_TYPE(row[i].tag);
    std::string bytes;
    for (unsigned char c : row[i].value + '\0')
      bytes += type == PT_UNICODE ? std::string{static_cast<char>(c), '\0'} : std::string(1, c);
    void* copy = std::memcpy(Allocate(bytes.size(), props), bytes.data(), bytes.size());
    props[i].ulPropTag = row[i].tag;
    props[i].Value.l = 0;
    if (type == PT_STRING8) props[i].Value.lpszA = static_cast<LPSTR>(copy);
    if (type == PT_UNICODE) props[i].Value.lpszW = static_cast<LPWSTR>(copy);
    if (type == PT_BINARY) props[i].Value.bin = {static_cast<ULONG>(row[i].value.size()),
                                                 static_cast<LPBYTE>(copy)};
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
    if (left == 0) Trace(kMapi ? "Release(" + name_ + ")" : "destroyed " + name_);
    if (left == 0) delete this;
    return left;
  }

 private:
  std::string name_;
  LONG references_ = 1;
};

// Every method the tests do not need answers MAPI_E_NO_SUPPORT.
#define NOT_HERE \
  { return MAPI_E_NO_SUPPORT; }
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
    const bool no_name = !entry.empty() && entry[0] == '?';
    const ULONG address_tag = missing ? PROP_TAG(PT_ERROR, PROP_ID(PR_EMAIL_ADDRESS_A))
                                      : PR_EMAIL_ADDRESS_A;
    const ULONG name_tag = no_name ? PROP_TAG(PT_ERROR, PROP_ID(PR_DISPLAY_NAME_A)) : PR_DISPLAY_NAME_A;
    *values = CopyRow({{address_tag, no_name ? entry.substr(1) : entry},
                       {name_tag, "Entry " + to_string(index)},
                       {PR_ENTRYID, EntryIdBytes(index)}});
    if (missing) (*values)[0].Value.err = MAPI_E_NOT_FOUND;
    if (no_name) (*values)[1].Value.err = MAPI_E_NOT_FOUND;
    *count = 3;
    return missing || no_name ? MAPI_W_ERRORS_RETURNED : S_OK;
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
    *size = 0;
    *id = nullptr;
    if (Fails("GetPAB")) return kLookupFailed;
    const std::string bytes = EntryIdBytes(kPab);
    *size = static_cast<ULONG>(bytes.size());
    *id = g_pab_id = static_cast<LPENTRYID>(Allocate(bytes.size()));
    std::memcpy(*id, bytes.data(), bytes.size());
    return S_OK;
  }
  STDMETHOD(OpenEntry)(ULONG size, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                       LPUNKNOWN* opened) override {
    const DWORD* words = reinterpret_cast<const DWORD*>(id);
    const bool known = size == kEntryIdSize && id != nullptr && words[1] == kMarker;
    const DWORD index = known ? words[2] : 0;
    const std::string which = !known ? "?" : index == kPab ? "PAB" : to_string(index);
    if (kMapi)
      Trace("OpenEntry(" + which + ")" + (known ? ":" + to_string(flags) : "") +
            (known && iid ? ":iid" : ""));
    else
      Trace("OpenEntry entry=" + std::string(which == "PAB" ? "pab" : "other") +
            " iid=" + (iid ? "set" : "null") + " flags=" + to_string(flags));
    *opened = nullptr;
    if (!known) return kMapi ? MAPI_E_INVALID_ENTRYID : MAPI_E_NOT_FOUND;
    if (index == kPab) {
      if (Fails("OpenEntry")) return kLookupFailed;
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
    *buffer = Allocate(size);
    return S_OK;
  }
  STDMETHOD(AllocateMore)(ULONG size, LPVOID parent, LPVOID* buffer) override {
    if (parent == nullptr || HeaderOf(parent)->magic != kRootMagic) return MAPI_E_INVALID_PARAMETER;
    *buffer = Allocate(size, parent);
    return S_OK;
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
    char* last = reinterpret_cast<char*>(base + names[i]) + name.size() - 1;
    DWORD old = 0;
    if (name == reinterpret_cast<char*>(base + names[i]) &&
        VirtualProtect(last, 1, PAGE_READWRITE, &old)) {
      *last = '_';
      VirtualProtect(last, 1, old, &old);
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
