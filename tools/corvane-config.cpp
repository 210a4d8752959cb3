// corvane-config: calls the exports of CONFIG.dll from the command line.
//
//   corvane-config [--dll PATH] [--log] SetOpera 127.0.0.1
//   corvane-config [--dll PATH] [--log] set opera 127.0.0.1
//   corvane-config [--dll PATH] [--log] reset opera 127.0.0.1
//   corvane-config [--dll PATH] [--log] import opera white C:\list.txt
//   corvane-config show all [--proxy 127.0.0.1]
//   corvane-config --version [--dll PATH]
//
// The DLL is loaded with LoadLibraryA from beside this program unless --dll
// names it.  --log switches the product's logging value on for this call
// (the DLL reads it when it loads), prints the lines the call added to the
// configuration log, and puts the value back as it was.  --json prints one
// object of one shape for every answer, errors included, in UTF-8.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Config/RegisterEudora.h"
#include "Config/RegisterNetscape.h"
#include "Config/RegisterOpera.h"
#include "Config/RegisterOutlook.h"
#include "Config/RegisterOutlook2007.h"
#include "Config/RegisterOutlookExpress.h"
#include "Config/RegisterWindowsMail.h"
#include "Config/RegisterThunderbird.h"
#include "corvane_config.h"
#include "exports/ExportList.h"
#include "support/ConfigLog.h"
#include "support/text/AccountRules.h"

namespace {

const char kProductKey[] = "Software\\Vantrel\\Corvane";
const char kLoggingValue[] = "Logging";

struct ExportInfo {
  const char* name;
  int ordinal;
  enum Kind { kSet, kReset, kWhiteList, kBlackList } kind;
  const char* client;  // the registrar's client, as exports/ExportList.h names it
};

#define CORVANE_EXPORT_INFO(ordinal, name, client, operation) \
  {#name, ordinal, ExportInfo::k##operation, #client},
const ExportInfo kExports[] = {CORVANE_EXPORT_LIST(CORVANE_EXPORT_INFO)};
#undef CORVANE_EXPORT_INFO

// The tool's names of the clients: the list's client in lower case, and a
// few aliases (shown: named in the help texts beside the client).
struct ClientAlias {
  const char* alias;
  const char* client;
  bool shown;
};
const ClientAlias kClientAliases[] = {
    {"oe", "outlookexpress", true},
    {"outlook-express", "outlookexpress", false},
    {"mozilla", "netscape", true},
};

std::string Lower(std::string text);

// The tool's names of the clients, in the list's order.
std::vector<std::string> Clients() {
#define CORVANE_CLIENT_NAME(client, title) Lower(#client),
  return {CORVANE_CLIENT_LIST(CORVANE_CLIENT_NAME)};
#undef CORVANE_CLIENT_NAME
}

// "outlook, outlookexpress (oe), ..." with `last` before the last name; only
// the clients that have an export of `kind` when `kind` is not null.
std::string ClientsText(bool with_aliases, const char* last, const int* kind = nullptr) {
  std::vector<std::string> clients;
  for (const std::string& client : Clients()) {
    bool has = kind == nullptr;
    for (const ExportInfo& info : kExports)
      has = has || (info.kind == *kind && Lower(info.client) == client);
    if (has) clients.push_back(client);
  }
  std::string text;
  for (std::size_t c = 0; c < clients.size(); ++c) {
    text += c == 0 ? "" : c + 1 == clients.size() ? last : ", ";
    text += clients[c];
    for (const ClientAlias& alias : kClientAliases)
      if (with_aliases && alias.shown && clients[c] == alias.client) text += std::string(" (") + alias.alias + ")";
  }
  return text;
}

// `text` after `prefix`, broken at blanks into lines of at most 79 columns,
// the later ones indented by `indent`; "(...)" stays with the word before it.
std::string Wrapped(const std::string& prefix, const std::string& text, const std::string& indent) {
  std::string out = prefix, line = prefix;
  std::string::size_type at = 0;
  while (at < text.size()) {
    std::string::size_type end = text.find(' ', at);
    while (end != std::string::npos && end + 1 < text.size() && text[end + 1] == '(')
      end = text.find(' ', end + 1);
    const std::string word = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    const bool first = line.size() == prefix.size() && out.size() == prefix.size();
    if (!first && line.size() + 1 + word.size() > 79) {
      out += "\n" + indent + word;
      line = indent + word;
    } else {
      out += (first ? "" : " ") + word;
      line += (first ? "" : " ") + word;
    }
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

// The exit-status table, shared by --help and the README.
const char kExitStatus[] =
    "exit status:\n"
    "  0    the call succeeded (255; 1 for the black-list export), or show, help,\n"
    "       --version\n"
    "  1    the export returned 1, or the black-list export failed (it returned 0)\n"
    "  2-5  the code the export returned (see 'corvane-config help set')\n"
    "  64   usage error: an unknown command, client or option, or an option that\n"
    "       does not apply\n"
    "  69   the DLL cannot be loaded or does not have the export\n";

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: corvane-config [--dll PATH] [--log] [--json] COMMAND ...\n"
               "\n"
               "commands:\n"
               "  set CLIENT PROXY            point every incoming account of CLIENT at PROXY\n"
               "  reset CLIENT PROXY          undo 'set' for the accounts pointed at PROXY\n"
               "  import CLIENT white FILE    write CLIENT's address book to FILE\n"
               "  import outlookexpress black FILE\n"
               "                              write Outlook Express's blocked senders to FILE\n"
               "  show CLIENT|all             list the incoming accounts as stored (reads only)\n"
               "  EXPORT ARGUMENT             call one export of CONFIG.dll by name\n"
               "                              (%s ... %s)\n"
               "  help [COMMAND]              this text, or one command's\n"
               "  --version, -V               this tool's version, the DLL it would load and\n"
               "                              that DLL's version\n"
               "\n"
               "%s\n"
               "\n"
               "options (also as --dll=PATH, --proxy=P):\n"
               "  --dll PATH   the CONFIG.dll to load (default: the one beside this program);\n"
               "               not with show, which reads the accounts itself\n"
               "  --log        log this call and print the lines it added to ConfigLog.txt;\n"
               "               only with a call of the DLL\n"
               "  --json       print the result, or the error, as one JSON object (UTF-8)\n"
               "  --proxy P    only with show: the proxy address to compare with\n"
               "               (default 127.0.0.1)\n"
               "\n"
               "The library is 32-bit: use the i686 corvane-config.exe with it.\n"
               "\n"
               "%s",
               kExports[0].name, kExports[sizeof kExports / sizeof kExports[0] - 1].name,
               Wrapped("clients: ", ClientsText(true, ", "), "         ").c_str(), kExitStatus);
}

const struct ExportInfo* FindExport(const std::string& name);

// "corvane-config COMMAND --help": the one command's text.
void PrintHelp(const std::string& command) {
  if (command == "set" || command == "reset") {
    std::printf(
        "usage: corvane-config [--log] [--json] %s CLIENT PROXY\n\n"
        "%s\n"
        "%s;\n"
        "PROXY is the proxy's address as written into the accounts (e.g. 127.0.0.1).\n"
        "Result 255: done, which includes finding nothing to change; 2: empty proxy\n"
        "address; 4: no accounts or account files of the client found, or a Netscape\n"
        "preference file could not be read; 5: a rewrite did not complete; 1: no\n"
        "Netscape preference file could be changed, or an unexpected failure.\n"
        "Prints how many accounts changed, from the accounts listed before and after.\n",
        command.c_str(),
        command == "set" ? "Points every incoming account of CLIENT at PROXY: the server becomes PROXY\n"
                           "and the user name gets \"@\" and the real server appended."
                         : "Undoes 'set' for every account whose server holds PROXY: the user name is\n"
                           "split at its last \"@\" into user name and server.",
        Wrapped("CLIENT is ", ClientsText(true, " or "), "").c_str());
  } else if (command == "import") {
    const int kWhite = ExportInfo::kWhiteList;
    std::printf(
        "usage: corvane-config [--log] [--json] import CLIENT white FILE\n"
        "       corvane-config [--log] [--json] import outlookexpress black FILE\n\n"
        "Writes the e-mail addresses of CLIENT's address book (white) or of Outlook\n"
        "Express's blocked senders (black) to FILE, one per line (CR LF), without\n"
        "duplicates.  FILE is emptied first.  White lists: 255 done (an empty list when\n"
        "the client is not installed), else an error code; the black list: 1 done,\n"
        "0 failed.  Prints how many addresses FILE holds afterwards, and a warning when\n"
        "FILE does not exist then.\n%s.\n",
        Wrapped("CLIENT is ", ClientsText(true, " or ", &kWhite), "").c_str());
  } else if (command == "show") {
    std::printf(
        "usage: corvane-config [--json] [--proxy P] show CLIENT|all\n\n"
        "Lists the incoming accounts of CLIENT (or of all clients) where the library finds\n"
        "them: registry key or file and section, protocol, user name and server, and\n"
        "whether each looks pointed at the proxy P (default 127.0.0.1).  Writes nothing\n"
        "and loads no DLL.  The x86_64 tool reads the 64-bit registry view, the 32-bit\n"
        "library the 32-bit one: use the i686 corvane-config.exe.\n");
  } else if (!command.empty() && FindExport(command) != nullptr) {
    std::printf("usage: corvane-config [--log] [--json] %s ARGUMENT\n\n"
                "Calls the export of that name with ARGUMENT and prints its result.\n",
                FindExport(command)->name);
  } else {
    PrintUsage(stdout);
  }
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t above = row[j];
      std::size_t cost = (a[i - 1] == b[j - 1]) ? 0 : 1;
      row[j] = std::min(std::min(row[j] + 1, row[j - 1] + 1), diagonal + cost);
      diagonal = above;
    }
  }
  return row[b.size()];
}

template <class Names>
std::string Nearest(const std::string& word, const Names& names) {
  std::string best;
  std::size_t best_distance = static_cast<std::size_t>(-1);
  for (const std::string& name : names) {
    std::size_t distance = EditDistance(Lower(word), Lower(name));
    if (distance < best_distance) {
      best_distance = distance;
      best = name;
    }
  }
  return best;
}

const ExportInfo* FindExport(const std::string& name) {
  for (const ExportInfo& info : kExports)
    if (Lower(name) == Lower(info.name)) return &info;
  return nullptr;
}

const ExportInfo* FindExportFor(const std::string& client, ExportInfo::Kind kind) {
  for (const ExportInfo& info : kExports)
    if (client == Lower(info.client) && info.kind == kind) return &info;
  return nullptr;
}

// The client a name or alias stands for, "" for none.
std::string ResolveClient(const std::string& name) {
  for (const std::string& client : Clients())
    if (Lower(name) == client) return client;
  for (const ClientAlias& alias : kClientAliases)
    if (Lower(name) == alias.alias) return alias.client;
  return "";
}

std::vector<std::string> ExportNames() {
  std::vector<std::string> names;
  for (const ExportInfo& info : kExports) names.push_back(info.name);
  return names;
}

std::vector<std::string> ClientNames() {
  std::vector<std::string> names = Clients();
  for (const ClientAlias& alias : kClientAliases) names.push_back(alias.alias);
  return names;
}

// What a returned value means for the kind of export that returned it.
std::string Meaning(const ExportInfo& info, int code) {
  if (info.kind == ExportInfo::kBlackList)
    return code == 1 ? "done" : "failed: the blocked senders could not be exported";
  switch (code) {
    case 255:
      return "done";
    case 1:
      return info.kind == ExportInfo::kWhiteList
                 ? "failed: the address book file could not be opened or read"
                 : "failed: no preference file could be changed, or an unexpected error (see the log)";
    case 2:
      return info.kind == ExportInfo::kWhiteList
                 ? "failed: the address book interface or a pattern failed"
                 : "refused: invalid (empty) proxy address";
    case 3:
      return "failed: unexpected error during the export";
    case 4:
      return "failed: no accounts, account files or INI files of this client found, or one "
             "could not be read";
    case 5:
      return "incomplete: a rewrite did not complete (see the log)";
    default:
      return "unknown result";
  }
}

bool Succeeded(const ExportInfo& info, int code) {
  return CORVANE_CALL_SUCCEEDED(info.ordinal, code);
}

// Text of the system (paths, names, argv) is in the ANSI code page; JSON is UTF-8.
std::string Utf8(const std::string& ansi) {
  if (ansi.empty()) return ansi;
  const int wide_size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  if (wide_size <= 0) return ansi;
  std::wstring wide(wide_size, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], wide_size);
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, &utf8[0], size, nullptr, nullptr);
  return utf8;
}

// A JSON string of ANSI text.
std::string Json(const std::string& ansi) {
  std::string out = "\"";
  for (unsigned char c : Utf8(ansi)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof(buffer), "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) out += (i ? "," : "") + Json(texts[i]);
  return out + "]";
}

// Every --json answer has one shape: schema, command (null before one is
// known), exit, error (null unless the tool failed), warnings, then the
// fields of the command.
const int kJsonSchema = 1;

struct Output {
  bool json = false;
  std::string command;              // "" until known
  std::vector<std::string> warnings;

  void Print(int exit, const std::string& error, const std::string& fields) const {
    std::printf("{\"schema\":%d,\"command\":%s,\"exit\":%d,\"error\":%s,\"warnings\":%s%s}\n",
                kJsonSchema, command.empty() ? "null" : Json(command).c_str(), exit,
                error.empty() ? "null" : Json(error).c_str(), JsonArray(warnings).c_str(),
                fields.c_str());
  }
  void Warn(const std::string& text) { warnings.push_back(text); }
  // Plain output: the warnings on stderr, after what stdout got so far.
  void PrintWarnings() const {
    std::fflush(stdout);
    for (const std::string& text : warnings)
      std::fprintf(stderr, "corvane-config: warning: %s\n", text.c_str());
  }
};

Output g_output;

int Usage(const std::string& message) {
  if (g_output.json) {
    g_output.Print(64, message, "");
  } else {
    std::fprintf(stderr, "corvane-config: %s\n(run 'corvane-config --help' for usage)\n",
                 message.c_str());
  }
  return 64;
}

// "did you mean" for a word among names: only a name within a few edits.
std::string Suggest(const std::string& word, const std::vector<std::string>& names) {
  const std::string nearest = Nearest(word, names);
  const std::size_t cap = std::max<std::size_t>(1, word.size() / 3);
  if (nearest.empty() || EditDistance(Lower(word), Lower(nearest)) > std::min<std::size_t>(cap, 3))
    return "";
  return "; did you mean '" + nearest + "'?";
}

int UnknownClient(const std::string& word, bool with_all) {
  std::vector<std::string> names = ClientNames();
  if (with_all) names.push_back("all");
  return Usage("unknown client '" + word + "'" + Suggest(word, names) +
               " (clients: " + ClientsText(false, ", ") +
               (with_all ? ", all)" : ")"));
}

// Switches the logging value on for one call and puts it back afterwards.
class LoggingSwitch {
 public:
  LoggingSwitch() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      existed_ = RegQueryValueExA(key, kLoggingValue, nullptr, nullptr, nullptr, nullptr) ==
                 ERROR_SUCCESS;
      RegCloseKey(key);
    }
    if (existed_) return;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      DWORD on = 1;
      set_ = RegSetValueExA(key, kLoggingValue, 0, REG_DWORD, reinterpret_cast<BYTE*>(&on),
                            sizeof(on)) == ERROR_SUCCESS;
      RegCloseKey(key);
    }
  }
  ~LoggingSwitch() {
    if (!set_) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, kLoggingValue);
      RegCloseKey(key);
    }
  }

 private:
  bool existed_ = false;
  bool set_ = false;
};

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ReadFrom(const std::string& path, long long offset) {
  std::string text;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0) {
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) text.append(buffer, got);
  }
  std::fclose(file);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProgramPath() {
  char self[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return self;
}

std::string DefaultDllPath() {
  const std::string path = ProgramPath();
  std::string::size_type slash = path.rfind('\\');
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "CONFIG.dll";
}

// "a.b.c.d" from a file's VERSIONINFO, "" when it has none.
std::string FileVersion(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<char> data(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(*fixed))
    return "";
  char text[64];
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
  return text;
}

std::string ToolVersion() {
  const std::string own = FileVersion(ProgramPath());
  if (!own.empty()) return own;
#ifdef CORVANE_TOOL_VERSION
  return CORVANE_TOOL_VERSION;
#else
  return "unknown";
#endif
}

const WORD kOwnMachine = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;

// The machine a PE file is built for; 0 when the file is not one (or absent).
WORD MachineOf(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return 0;
  unsigned char dos[64], pe[6];
  WORD machine = 0;
  if (std::fread(dos, 1, sizeof(dos), file) == sizeof(dos) && dos[0] == 'M' && dos[1] == 'Z') {
    const long offset = dos[60] | dos[61] << 8 | dos[62] << 16 | static_cast<long>(dos[63]) << 24;
    if (std::fseek(file, offset, SEEK_SET) == 0 && std::fread(pe, 1, sizeof(pe), file) == sizeof(pe) &&
        std::memcmp(pe, "PE\0\0", 4) == 0)
      machine = static_cast<WORD>(pe[4] | pe[5] << 8);
  }
  std::fclose(file);
  return machine;
}

const char* MachineName(WORD machine) {
  return machine == IMAGE_FILE_MACHINE_I386    ? "i686"
         : machine == IMAGE_FILE_MACHINE_AMD64 ? "x86_64"
         : machine == 0                        ? "not a Windows program file"
                                               : "another processor";
}

// Why LoadLibrary failed, in words.
std::string LoadFailure(const std::string& path, DWORD error) {
  char text[32];
  std::snprintf(text, sizeof(text), " (error %lu)", error);
  std::string message = "cannot load " + path + text;
  if (error == ERROR_BAD_EXE_FORMAT) {
    const WORD machine = MachineOf(path);
    if (machine == IMAGE_FILE_MACHINE_I386 && kOwnMachine == IMAGE_FILE_MACHINE_AMD64)
      return message + ": this tool is 64-bit and the library 32-bit: use the i686 corvane-config.exe";
    if (machine == IMAGE_FILE_MACHINE_AMD64 && kOwnMachine == IMAGE_FILE_MACHINE_I386)
      return message + ": this tool is 32-bit and the library 64-bit: use the x86_64 corvane-config.exe";
    return message + ": the file is not a DLL this tool can load (" + MachineName(machine) + ")";
  }
  if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
    return message + ": the file, or a DLL it needs, was not found";
  return message;
}

int Version(const std::string& dll_path) {
  const std::string tool = ToolVersion();
  const bool found = Exists(dll_path);
  const std::string version = found ? FileVersion(dll_path) : "";
  const WORD machine = MachineOf(dll_path);
  if (found && machine != kOwnMachine)
    g_output.Warn(std::string("this tool is ") + MachineName(kOwnMachine) + " and cannot load an " +
                  MachineName(machine) + " library" +
                  (machine == IMAGE_FILE_MACHINE_I386 ? ": use the i686 corvane-config.exe" : ""));
  if (g_output.json) {
    g_output.Print(0, "",
                   ",\"tool_version\":" + Json(tool) + ",\"tool_machine\":" + Json(MachineName(kOwnMachine)) +
                       ",\"dll\":" + Json(dll_path) + ",\"dll_found\":" + (found ? "true" : "false") +
                       ",\"dll_machine\":" + (found ? Json(MachineName(machine)) : "null") +
                       ",\"dll_version\":" + (version.empty() ? "null" : Json(version)));
    return 0;
  }
  std::printf("corvane-config %s (%s)\n", tool.c_str(), MachineName(kOwnMachine));
  if (!found) {
    std::printf("library: %s (not found)\n", dll_path.c_str());
  } else {
    std::printf("library: %s (%s)\n", dll_path.c_str(), MachineName(machine));
    std::printf("library version: %s\n", version.empty() ? "none (no version resource)" : version.c_str());
  }
  g_output.PrintWarnings();
  return 0;
}

// The accounts of one client as the library's own discovery finds them.
struct ClientAccounts {
  std::string client;
  const char* title;
  AccountViews accounts;
};

template <class Registrar>
ClientAccounts ListOf(const std::string& client, const char* title) {
  Registrar registrar;
  return ClientAccounts{client, title, registrar.ListAccounts()};
}

std::vector<ClientAccounts> ListClients(const std::string& which) {
  std::vector<ClientAccounts> all;
#define CORVANE_LIST_CLIENT(client, title)                  \
  if (which == "all" || which == Lower(#client))            \
    all.push_back(ListOf<Register##client>(Lower(#client), title));
  CORVANE_CLIENT_LIST(CORVANE_LIST_CLIENT)
#undef CORVANE_LIST_CLIENT
  return all;
}

// "configured" when the account looks pointed at the proxy (the rule that
// decides whether a reset would restore it), "direct" otherwise.
const char* State(const AccountView& account, const std::string& proxy) {
  return corvane::CanRestore(account.user, account.server, proxy) ? "configured" : "direct";
}

int Show(const std::string& which, const std::string& proxy) {
  const std::vector<ClientAccounts> clients = ListClients(which);
  if (g_output.json) {
    std::string fields = ",\"proxy\":" + Json(proxy) + ",\"clients\":[";
    for (std::size_t c = 0; c < clients.size(); ++c) {
      fields += std::string(c ? "," : "") + "{\"client\":" + Json(clients[c].client) + ",\"accounts\":[";
      for (std::size_t a = 0; a < clients[c].accounts.size(); ++a) {
        const AccountView& account = clients[c].accounts[a];
        fields += std::string(a ? "," : "") + "{\"store\":" + Json(account.store) +
                  ",\"protocol\":" + Json(account.protocol) + ",\"user\":" + Json(account.user) +
                  ",\"server\":" + Json(account.server) + ",\"state\":" + Json(State(account, proxy)) + "}";
      }
      fields += "]}";
    }
    g_output.Print(0, "", fields + "]");
    return 0;
  }
  for (const ClientAccounts& client : clients) {
    std::printf("%s: %zu incoming account%s\n", client.title, client.accounts.size(),
                client.accounts.size() == 1 ? "" : "s");
    for (const AccountView& account : client.accounts)
      std::printf("  %-10s %-5s user=%s server=%s\n             in %s\n", State(account, proxy),
                  account.protocol.c_str(), account.user.c_str(), account.server.c_str(),
                  account.store.c_str());
  }
  return 0;
}

// The accounts of `after` not found, with the same user name and server, in `before`.
std::size_t Changed(const AccountViews& before, const AccountViews& after) {
  std::size_t changed = 0;
  for (const AccountView& now : after) {
    bool same = false;
    for (const AccountView& was : before)
      same = same || (was.store == now.store && was.user == now.user && was.server == now.server);
    if (!same) ++changed;
  }
  return changed;
}

int Failure(int exit, const std::string& message) {
  if (g_output.json) g_output.Print(exit, message, "");
  else std::fprintf(stderr, "corvane-config: %s\n", message.c_str());
  return exit;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dll_path;
  bool dll_given = false, log = false, proxy_given = false, help = false, version = false;
  std::string proxy = "127.0.0.1";
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--json") g_output.json = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool has_value = false;
    const std::string::size_type equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
      has_value = true;
    }
    if (arg == "--dll" || arg == "--proxy") {
      if (!has_value) {
        if (i + 1 >= argc) return Usage(arg + (arg == "--dll" ? " needs a path" : " needs an address"));
        value = argv[++i];
      }
      if (arg == "--dll") {
        dll_path = value;
        dll_given = true;
      } else {
        proxy = value;
        proxy_given = true;
      }
    } else if (arg == "--help" || arg == "-h" || arg == "/?" || arg == "--log" || arg == "--json" ||
               arg == "--version" || arg == "-V") {
      if (has_value) return Usage(arg + " takes no value");
      help = help || arg == "--help" || arg == "-h" || arg == "/?";
      log = log || arg == "--log";
      version = version || arg == "--version" || arg == "-V";
    } else if ((arg.size() > 2 && arg.compare(0, 2, "--") == 0) || (arg.size() == 2 && arg[0] == '-')) {
      return Usage("unknown option " + arg +
                   Suggest(arg, std::vector<std::string>{"--dll", "--log", "--json", "--proxy",
                                                         "--help", "--version"}));
    } else {
      words.push_back(arg);
    }
  }
  if (!words.empty() && Lower(words[0]) == "help") {
    help = true;
    words.erase(words.begin());
  }
  if (help) {
    PrintHelp(words.empty() ? std::string() : Lower(words[0]));
    return 0;
  }
  if (version) {
    g_output.command = "version";
    if (!words.empty()) return Usage("--version takes no command");
    if (log || proxy_given) return Usage("--version reads files only: --log and --proxy do not apply");
    return Version(dll_given ? dll_path : DefaultDllPath());
  }
  if (words.empty()) {
    if (g_output.json) return Usage("no command (set, reset, import, show, help or an export's name)");
    PrintUsage(stderr);
    return 64;
  }

  const ExportInfo* info = nullptr;
  std::string argument;
  const std::string command = Lower(words[0]);
  if (command == "show") {
    g_output.command = "show";
    if (dll_given) return Usage("show reads the accounts itself and loads no DLL: --dll does not apply");
    if (log) return Usage("show writes and logs nothing: --log does not apply");
    if (words.size() != 2) return Usage("show: which client? (" + ClientsText(false, ", ") + ", all)");
    if (Lower(words[1]) == "all") return Show("all", proxy);
    const std::string client = ResolveClient(words[1]);
    if (client.empty()) return UnknownClient(words[1], true);
    return Show(client, proxy);
  }
  if (proxy_given)
    return Usage("--proxy goes with show only; set and reset take PROXY as their argument");
  if (command == "set" || command == "reset" || command == "import") {
    g_output.command = command;
    const std::size_t needed = command == "import" ? 4 : 3;
    if (words.size() < 2) return Usage(command + ": which client? (" + ClientsText(false, ", ") + ")");
    const std::string client = ResolveClient(words[1]);
    if (client.empty()) return UnknownClient(words[1], false);
    if (words.size() < needed)
      return Usage(command == "import" ? "import: needs 'white' or 'black' and an output FILE"
                                       : command + ": needs the PROXY address");
    if (words.size() > needed) return Usage("too many arguments");
    if (command == "import") {
      const std::string list = Lower(words[2]);
      if (list != "white" && list != "black")
        return Usage("import: the list is 'white' or 'black', not '" + words[2] + "'");
      info = FindExportFor(client, list == "white" ? ExportInfo::kWhiteList : ExportInfo::kBlackList);
      if (info == nullptr) return Usage("only Outlook Express has a black list to export");
      argument = words[3];
    } else {
      info = FindExportFor(client, command == "set" ? ExportInfo::kSet : ExportInfo::kReset);
      argument = words[2];
    }
  } else {
    info = FindExport(words[0]);
    if (info == nullptr) {
      std::vector<std::string> names{"set", "reset", "import", "show", "help"};
      for (const std::string& name : ExportNames()) names.push_back(name);
      return Usage("unknown command or export '" + words[0] + "'" + Suggest(words[0], names));
    }
    g_output.command = "call";
    if (words.size() < 2) return Usage(std::string(info->name) + " needs one argument");
    if (words.size() > 2) return Usage("too many arguments");
    argument = words[1];
  }

  // What the call changed is told from the tool's own listing before and after.
  const bool rewrites = info->kind == ExportInfo::kSet || info->kind == ExportInfo::kReset;
  AccountViews before;
  if (rewrites) before = ListClients(Lower(info->client)).front().accounts;

  if (dll_path.empty()) dll_path = DefaultDllPath();
  int code = 0;
  std::string log_text;
  {
    std::optional<LoggingSwitch> logging;
    if (log) logging.emplace();
    HMODULE module = LoadLibraryA(dll_path.c_str());
    if (module == nullptr) return Failure(69, LoadFailure(dll_path, GetLastError()));
    FARPROC address = GetProcAddress(module, info->name);
    if (address == nullptr) {
      FreeLibrary(module);
      return Failure(69, dll_path + " does not export " + info->name);
    }
    // Through void*: FARPROC's own type says nothing about the export's.
    CorvaneConfigFunction function =
        reinterpret_cast<CorvaneConfigFunction>(reinterpret_cast<void*>(address));
    const std::string log_path = ConfigLog::LogPathForModule(module);
    const long long log_size = FileSize(log_path);
    code = function(argument.c_str());
    if (log) log_text = ReadFrom(log_path, log_size);
    FreeLibrary(module);
  }

  const bool succeeded = Succeeded(*info, code);
  std::string fields = ",\"export\":" + Json(info->name) + ",\"argument\":" + Json(argument) +
                       ",\"result\":" + std::to_string(code) + ",\"succeeded\":" +
                       (succeeded ? "true" : "false") + ",\"meaning\":" + Json(Meaning(*info, code));
  std::string summary;
  if (rewrites) {
    const std::size_t changed = Changed(before, ListClients(Lower(info->client)).front().accounts);
    fields += ",\"accounts_before\":" + std::to_string(before.size()) +
              ",\"accounts_changed\":" + std::to_string(changed);
    summary = "accounts changed: " + std::to_string(changed) + " of " + std::to_string(before.size());
    if (succeeded && changed == 0)
      g_output.Warn(info->kind == ExportInfo::kSet
                        ? "no account changed: none was found, or none needed changing"
                        : "no account changed: none was found pointed at " + argument);
  } else {
    const bool exists = Exists(argument);
    std::size_t addresses = 0;
    for (const std::string& line : Lines(ReadFrom(argument, 0))) addresses += !line.empty();
    fields += std::string(",\"file_exists\":") + (exists ? "true" : "false") +
              ",\"addresses_written\":" + std::to_string(addresses);
    summary = "addresses written: " + std::to_string(addresses);
    if (!exists)
      g_output.Warn(argument + " does not exist after the export: the path could not be created");
    else if (succeeded && addresses == 0)
      g_output.Warn("the list is empty: is the client installed, with addresses in its book?");
  }
  const int exit = succeeded ? 0 : code == 0 ? 1 : code;
  if (g_output.json) {
    if (log) fields += ",\"log\":" + JsonArray(Lines(log_text));
    g_output.Print(exit, "", fields);
    return exit;
  }
  std::printf("%s(\"%s\") = %d: %s\n", info->name, argument.c_str(), code, Meaning(*info, code).c_str());
  std::printf("%s\n", summary.c_str());
  if (log) {
    std::printf("--- ConfigLog lines of this call ---\n");
    for (const std::string& line : Lines(log_text)) std::printf("%s\n", line.c_str());
    std::printf("---\n");
  }
  g_output.PrintWarnings();
  return exit;
}
