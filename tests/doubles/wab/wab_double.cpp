// wabdouble.dll: a Windows Address Book of the tests' own, loaded by the
// library exactly as the system's one (through the path that HKLM
// "Software\Microsoft\WAB\DLLPath" names).
//
// Contract: exports WABOpen.  The address book it opens has one personal
// address book container whose contents table holds the rows of a contacts
// file.  It is told what to do by values of HKCU "Software\Corvane Tests\WAB",
// read at every call:
//   "Contacts"   (text)  the contacts file: one row per line, properties
//                        separated by "|", each "TTTTTTTT=value" with the
//                        property tag in hex; PT_STRING8 and PT_UNICODE tags
//                        carry the value as text, other tags the number 0.
//                        No file: an empty address book.
//   "FailAt"     (text)  the one step that answers MAPI_E_CALL_FAILED:
//                        WABOpen, GetPAB, OpenEntry, GetContentsTable,
//                        GetRowCount or QueryRows; "NoTable" makes
//                        GetContentsTable succeed without a table;
//                        "WABOpenFaults" makes WABOpen write through a
//                        null pointer.
//   "ObjectType" (dword) the object type OpenEntry reports (MAPI_ABCONT if absent).
//   "Trace"      (text)  a file that receives one line per call with the
//                        arguments worth checking, one line per object
//                        destroyed, and at unload the number of objects and
//                        buffers still alive ("unload objects=0 buffers=0"
//                        when the caller gave everything back).
// Buffers come from the WAB object's allocator (AllocateMore chains onto
// its parent and goes with it), as the caller is expected to free them.
#include <windows.h>

#include <wabdefs.h>
#include <wabcode.h>
#include <wabtags.h>
#include <wabiab.h>
#include <wabapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kSettingsKey[] = "Software\\Corvane Tests\\WAB";

// What is alive between WABOpen and unload, for the balance at unload.
LONG g_live_objects = 0;
LONG g_live_buffers = 0;
char g_trace_path[MAX_PATH] = {0};

std::string Setting(const char* name) {
  char value[1024] = {0};
  DWORD size = sizeof(value) - 1;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return std::string();
  return value;
}

DWORD DwordSetting(const char* name, DWORD fallback) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS)
    return fallback;
  return value;
}

bool FailsAt(const char* step) { return Setting("FailAt") == step; }

void Trace(const std::string& line) {
  if (g_trace_path[0] == 0) return;
  HANDLE file = CreateFileA(g_trace_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// MAPI-style buffers: a header before the caller's bytes links the buffers
// allocated "more" onto a parent; freeing the parent frees them all.
struct BufferHeader {
  BufferHeader* next_more;
  ULONG magic;
  ULONG padding[2];
};
const ULONG kRootMagic = 0x57414231;
const ULONG kMoreMagic = 0x57414232;

BufferHeader* HeaderOf(LPVOID buffer) { return static_cast<BufferHeader*>(buffer) - 1; }

SCODE AllocateRoot(ULONG size, LPVOID* buffer) {
  BufferHeader* header = static_cast<BufferHeader*>(std::calloc(1, sizeof(BufferHeader) + size));
  if (header == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  header->magic = kRootMagic;
  InterlockedIncrement(&g_live_buffers);
  *buffer = header + 1;
  return S_OK;
}

SCODE AllocateLinked(ULONG size, LPVOID parent, LPVOID* buffer) {
  if (parent == nullptr || HeaderOf(parent)->magic != kRootMagic) return MAPI_E_INVALID_PARAMETER;
  BufferHeader* header = static_cast<BufferHeader*>(std::calloc(1, sizeof(BufferHeader) + size));
  if (header == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  header->magic = kMoreMagic;
  header->next_more = HeaderOf(parent)->next_more;
  HeaderOf(parent)->next_more = header;
  *buffer = header + 1;
  return S_OK;
}

SCODE FreeRoot(LPVOID buffer) {
  if (buffer == nullptr) return S_OK;
  BufferHeader* header = HeaderOf(buffer);
  if (header->magic != kRootMagic) {
    Trace("FreeBuffer of a buffer that is no allocation");
    return MAPI_E_INVALID_PARAMETER;
  }
  header->magic = 0;
  for (BufferHeader* more = header->next_more; more != nullptr;) {
    BufferHeader* next = more->next_more;
    std::free(more);
    more = next;
  }
  std::free(header);
  InterlockedDecrement(&g_live_buffers);
  return S_OK;
}

const BYTE kPabEntry[8] = {0, 0, 0, 0, 'P', 'A', 'B', 0};

// One row of the contacts file, as tag/text pairs.
struct Property {
  ULONG tag;
  std::string text;
};
using Row = std::vector<Property>;

std::vector<Row> ReadContacts() {
  std::vector<Row> rows;
  std::ifstream file(Setting("Contacts"), std::ios::binary);
  std::string line;
  while (file && std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Row row;
    std::stringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '|')) {
      const std::size_t equals = field.find('=');
      if (equals == std::string::npos) continue;
      row.push_back(
          Property{static_cast<ULONG>(std::strtoul(field.substr(0, equals).c_str(), nullptr, 16)),
                   field.substr(equals + 1)});
    }
    rows.push_back(row);
  }
  return rows;
}

// Reference counting shared by the objects; each object counts as alive
// from construction to its last Release.
template <class Interface>
class Counted : public Interface {
 public:
  explicit Counted(const char* name) : name_(name), references_(1) {
    InterlockedIncrement(&g_live_objects);
  }
  virtual ~Counted() {
    InterlockedDecrement(&g_live_objects);
    Trace(std::string("destroyed ") + name_);
  }
  STDMETHOD(QueryInterface)(REFIID, LPVOID* object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&references_); }
  STDMETHOD_(ULONG, Release)() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

 private:
  const char* name_;
  LONG references_;
};

#define CORVANE_NOT_SUPPORTED \
  { return MAPI_E_NO_SUPPORT; }

// Every method the tests do not need answers MAPI_E_NO_SUPPORT.
class UnsupportedWabObject : public Counted<IWABObject> {
 public:
  UnsupportedWabObject() : Counted<IWABObject>("WAB object") {}
  WAB_IWABOBJECT_METHODS(CORVANE_NOT_SUPPORTED)
};
class UnsupportedAddrBook : public Counted<IAddrBook> {
 public:
  UnsupportedAddrBook() : Counted<IAddrBook>("address book") {}
  MAPI_IMAPIPROP_METHODS(CORVANE_NOT_SUPPORTED)
  MAPI_IADDRBOOK_METHODS(CORVANE_NOT_SUPPORTED)
};
class UnsupportedContainer : public Counted<IABContainer> {
 public:
  UnsupportedContainer() : Counted<IABContainer>("container") {}
  MAPI_IMAPIPROP_METHODS(CORVANE_NOT_SUPPORTED)
  MAPI_IMAPICONTAINER_METHODS(CORVANE_NOT_SUPPORTED)
  MAPI_IABCONTAINER_METHODS(CORVANE_NOT_SUPPORTED)
};
class UnsupportedTable : public Counted<IMAPITable> {
 public:
  UnsupportedTable() : Counted<IMAPITable>("table") {}
  MAPI_IMAPITABLE_METHODS(CORVANE_NOT_SUPPORTED)
};

class WabObject final : public UnsupportedWabObject {
 public:
  STDMETHOD(AllocateBuffer)(ULONG size, LPVOID* buffer) override {
    return buffer == nullptr ? MAPI_E_INVALID_PARAMETER : AllocateRoot(size, buffer);
  }
  STDMETHOD(AllocateMore)(ULONG size, LPVOID parent, LPVOID* buffer) override {
    return buffer == nullptr ? MAPI_E_INVALID_PARAMETER : AllocateLinked(size, parent, buffer);
  }
  STDMETHOD(FreeBuffer)(LPVOID buffer) override { return FreeRoot(buffer); }
};

class Table final : public UnsupportedTable {
 public:
  STDMETHOD(GetRowCount)(ULONG flags, ULONG* count) override {
    Trace("GetRowCount flags=" + std::to_string(flags));
    if (FailsAt("GetRowCount")) return MAPI_E_CALL_FAILED;
    *count = static_cast<ULONG>(ReadContacts().size());
    return S_OK;
  }
  STDMETHOD(QueryRows)(LONG count, ULONG flags, LPSRowSet* rows) override {
    Trace("QueryRows count=" + std::to_string(count) + " flags=" + std::to_string(flags));
    *rows = nullptr;
    if (FailsAt("QueryRows")) return MAPI_E_CALL_FAILED;
    std::vector<Row> contacts = ReadContacts();
    if (count >= 0 && contacts.size() > static_cast<std::size_t>(count)) contacts.resize(count);
    LPVOID set = nullptr;
    if (AllocateRoot(CbNewSRowSet(contacts.size() + 1), &set) != S_OK)
      return MAPI_E_NOT_ENOUGH_MEMORY;
    LPSRowSet result = static_cast<LPSRowSet>(set);
    result->cRows = static_cast<ULONG>(contacts.size());
    for (std::size_t index = 0; index < contacts.size(); ++index) {
      const Row& contact = contacts[index];
      LPVOID props = nullptr;
      AllocateRoot(static_cast<ULONG>(sizeof(SPropValue) * (contact.size() + 1)), &props);
      SRow& row = result->aRow[index];
      row.cValues = static_cast<ULONG>(contact.size());
      row.lpProps = static_cast<LPSPropValue>(props);
      for (std::size_t column = 0; column < contact.size(); ++column) {
        SPropValue& value = row.lpProps[column];
        value.ulPropTag = contact[column].tag;
        const std::string& text = contact[column].text;
        LPVOID copy = nullptr;
        if (PROP_TYPE(value.ulPropTag) == PT_STRING8) {
          AllocateLinked(static_cast<ULONG>(text.size() + 1), props, &copy);
          std::memcpy(copy, text.c_str(), text.size() + 1);
          value.Value.lpszA = static_cast<LPSTR>(copy);
        } else if (PROP_TYPE(value.ulPropTag) == PT_UNICODE) {
          AllocateLinked(static_cast<ULONG>((text.size() + 1) * sizeof(WCHAR)), props, &copy);
          LPWSTR wide = static_cast<LPWSTR>(copy);
          for (std::size_t unit = 0; unit <= text.size(); ++unit)
            wide[unit] = static_cast<unsigned char>(text.c_str()[unit]);
          value.Value.lpszW = wide;
        } else {
          value.Value.l = 0;
        }
      }
    }
    *rows = result;
    return S_OK;
  }
};

class Container final : public UnsupportedContainer {
 public:
  STDMETHOD(GetContentsTable)(ULONG flags, LPMAPITABLE* table) override {
    Trace("GetContentsTable flags=" + std::to_string(flags));
    *table = nullptr;
    if (FailsAt("GetContentsTable")) return MAPI_E_CALL_FAILED;
    if (!FailsAt("NoTable")) *table = new Table();
    return S_OK;
  }
};

class AddrBook final : public UnsupportedAddrBook {
 public:
  explicit AddrBook(WabObject* allocator) : allocator_(allocator) {}
  STDMETHOD(GetPAB)(ULONG* size, LPENTRYID* entry) override {
    Trace("GetPAB");
    *size = 0;
    *entry = nullptr;
    if (FailsAt("GetPAB")) return MAPI_E_CALL_FAILED;
    LPVOID buffer = nullptr;
    if (allocator_->AllocateBuffer(sizeof(kPabEntry), &buffer) != S_OK)
      return MAPI_E_NOT_ENOUGH_MEMORY;
    std::memcpy(buffer, kPabEntry, sizeof(kPabEntry));
    *size = sizeof(kPabEntry);
    *entry = static_cast<LPENTRYID>(buffer);
    return S_OK;
  }
  STDMETHOD(OpenEntry)
  (ULONG size, LPENTRYID entry, LPCIID iid, ULONG flags, ULONG* type, LPUNKNOWN* object) override {
    const bool pab = size == sizeof(kPabEntry) && entry != nullptr &&
                     std::memcmp(entry, kPabEntry, sizeof(kPabEntry)) == 0;
    Trace(std::string("OpenEntry entry=") + (pab ? "pab" : "other") +
          " iid=" + (iid == nullptr ? "null" : "set") + " flags=" + std::to_string(flags));
    *object = nullptr;
    if (FailsAt("OpenEntry")) return MAPI_E_CALL_FAILED;
    if (!pab) return MAPI_E_NOT_FOUND;
    *type = DwordSetting("ObjectType", MAPI_ABCONT);
    *object = static_cast<IABContainer*>(new Container());
    return S_OK;
  }

 private:
  WabObject* allocator_;  // outlives the address book in every correct caller
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    WABOpen(LPADRBOOK* book, LPWABOBJECT* wab, LPWAB_PARAM parameters, DWORD reserved) {
  const std::string trace = Setting("Trace");
  lstrcpynA(g_trace_path, trace.c_str(), sizeof(g_trace_path));
  Trace(std::string("WABOpen parameters=") + (parameters == nullptr ? "null" : "set") +
        " reserved=" + std::to_string(reserved));
  *book = nullptr;
  *wab = nullptr;
  if (FailsAt("WABOpen")) return MAPI_E_CALL_FAILED;
  if (FailsAt("WABOpenFaults")) *static_cast<volatile int*>(nullptr) = 1;
  WabObject* allocator = new WabObject();
  *wab = allocator;
  *book = new AddrBook(allocator);
  return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH)
    Trace("unload objects=" + std::to_string(g_live_objects) +
          " buffers=" + std::to_string(g_live_buffers));
  return TRUE;
}
