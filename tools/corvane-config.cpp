// corvane-config: calls the exports of CONFIG.dll from the command line.
//
//   corvane-config [--dll PATH] [--log] SetOpera 127.0.0.1
//   corvane-config [--dll PATH] [--log] set opera 127.0.0.1
//   corvane-config [--dll PATH] [--log] reset opera 127.0.0.1
//   corvane-config [--dll PATH] [--log] import opera white C:\list.txt
//   corvane-config show all [--proxy 127.0.0.1]
//
// The DLL is loaded with LoadLibraryA from beside this program unless --dll
// names it.  --log switches the product's logging value on for this call
// (the DLL reads it when it loads), prints the lines the call added to the
// configuration log, and puts the value back as it was.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "Config/RegisterEudora.h"
#include "Config/RegisterNetscape.h"
#include "Config/RegisterOpera.h"
#include "Config/RegisterOutlook.h"
#include "Config/RegisterOutlookExpress.h"
#include "corvane_config.h"
#include "support/ConfigLog.h"

namespace {

const char kProductKey[] = "Software\\Vantrel\\Corvane";
const char kLoggingValue[] = "Logging";

struct ExportInfo {
  const char* name;
  int ordinal;
  enum Kind { kSet, kReset, kWhiteList, kBlackList } kind;
  const char* client;  // friendly client name
};

const ExportInfo kExports[] = {
    {"SetOutlook", 1, ExportInfo::kSet, "outlook"},
    {"ResetOutlook", 2, ExportInfo::kReset, "outlook"},
    {"SetOutlookExpress", 3, ExportInfo::kSet, "outlookexpress"},
    {"ResetOutlookExpress", 4, ExportInfo::kReset, "outlookexpress"},
    {"SetOpera", 5, ExportInfo::kSet, "opera"},
    {"ResetOpera", 6, ExportInfo::kReset, "opera"},
    {"SetNetscape", 7, ExportInfo::kSet, "netscape"},
    {"ResetNetscape", 8, ExportInfo::kReset, "netscape"},
    {"SetEudora", 9, ExportInfo::kSet, "eudora"},
    {"ResetEudora", 10, ExportInfo::kReset, "eudora"},
    {"ImportOutlookExpressBlackList", 11, ExportInfo::kBlackList, "outlookexpress"},
    {"ImportOutlookExpressWhiteList", 12, ExportInfo::kWhiteList, "outlookexpress"},
    {"ImportEudoraWhiteList", 13, ExportInfo::kWhiteList, "eudora"},
    {"ImportOperaWhiteList", 14, ExportInfo::kWhiteList, "opera"},
    {"ImportOutlookWhiteList", 15, ExportInfo::kWhiteList, "outlook"},
    {"ImportNetscapeWhiteList", 16, ExportInfo::kWhiteList, "netscape"},
};

struct ClientAlias {
  const char* alias;
  const char* client;
};
const ClientAlias kClientAliases[] = {
    {"outlook", "outlook"},       {"outlookexpress", "outlookexpress"},
    {"outlook-express", "outlookexpress"}, {"oe", "outlookexpress"},
    {"opera", "opera"},           {"netscape", "netscape"},
    {"mozilla", "netscape"},      {"eudora", "eudora"},
};

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
               "  show CLIENT|all             list the incoming accounts as stored now (read only)\n"
               "  EXPORT ARGUMENT             call one export of CONFIG.dll by name\n"
               "                              (SetOutlook ... ImportNetscapeWhiteList)\n"
               "\n"
               "clients: outlook, outlookexpress (oe), opera, netscape (mozilla), eudora\n"
               "\n"
               "options:\n"
               "  --dll PATH   the CONFIG.dll to load (default: the one beside this program)\n"
               "  --log        log this call and print the lines it added to ConfigLog.txt\n"
               "  --json       print the result as JSON\n"
               "  --proxy P    with show: the proxy address to compare with (default 127.0.0.1)\n"
               "\n"
               "exit status: 0 when the call succeeded, else the code it returned (1 for a\n"
               "failed black-list export, 64 for a usage error, 69 when the DLL cannot be used)\n");
}

std::string Lower(std::string text);
const struct ExportInfo* FindExport(const std::string& name);

// "corvane-config COMMAND --help": the one command's text.
void PrintHelp(const std::string& command) {
  if (command == "set" || command == "reset") {
    std::printf(
        "usage: corvane-config [--log] [--json] %s CLIENT PROXY\n\n"
        "%s\n"
        "CLIENT is outlook, outlookexpress (oe), opera, netscape (mozilla) or eudora;\n"
        "PROXY is the mail proxy's address as written into the accounts (e.g. 127.0.0.1).\n"
        "Result 255: done; 2: empty proxy address; 4: no accounts or account files of the\n"
        "client found; 5: a rewrite did not complete; 1: nothing changed or an error.\n",
        command.c_str(),
        command == "set" ? "Points every incoming account of CLIENT at PROXY: the server becomes PROXY\n"
                           "and the user name gets \"@\" and the real server appended."
                         : "Undoes 'set' for every account whose server holds PROXY: the user name is\n"
                           "split at its last \"@\" into user name and server.");
  } else if (command == "import") {
    std::printf(
        "usage: corvane-config [--log] [--json] import CLIENT white FILE\n"
        "       corvane-config [--log] [--json] import outlookexpress black FILE\n\n"
        "Writes the e-mail addresses of CLIENT's address book (white) or of Outlook\n"
        "Express's blocked senders (black) to FILE, one per line (CR LF), without\n"
        "duplicates.  FILE is emptied first.  White lists: 255 done, else an error code;\n"
        "the black list: 1 done, 0 failed.\n");
  } else if (command == "show") {
    std::printf(
        "usage: corvane-config [--json] [--proxy P] show CLIENT|all\n\n"
        "Lists the incoming accounts of CLIENT (or of all five) where the library finds\n"
        "them: registry key or file and section, protocol, user name and server, and\n"
        "whether each looks pointed at the proxy P (default 127.0.0.1).  Writes nothing.\n");
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
    if (client == info.client && info.kind == kind) return &info;
  return nullptr;
}

const char* ResolveClient(const std::string& name) {
  for (const ClientAlias& alias : kClientAliases)
    if (Lower(name) == alias.alias) return alias.client;
  return nullptr;
}

std::vector<std::string> ExportNames() {
  std::vector<std::string> names;
  for (const ExportInfo& info : kExports) names.push_back(info.name);
  return names;
}

std::vector<std::string> ClientNames() {
  std::vector<std::string> names;
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
                 ? "failed: the address book could not be read"
                 : "failed: nothing could be changed, or an unexpected error (see the log)";
    case 2:
      return info.kind == ExportInfo::kWhiteList
                 ? "failed: the address book interface or a pattern failed"
                 : "refused: invalid (empty) proxy address";
    case 3:
      return "failed: unexpected error during the export";
    case 4:
      return "failed: no accounts, account files or INI files of this client found on this PC";
    case 5:
      return "incomplete: a rewrite did not complete (see the log)";
    default:
      return "unknown result";
  }
}

bool Succeeded(const ExportInfo& info, int code) {
  return info.kind == ExportInfo::kBlackList ? code == 1 : code == 255;
}

std::string JsonEscape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
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
  return out;
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

std::string DefaultDllPath() {
  char self[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self);
  std::string::size_type slash = path.rfind('\\');
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "CONFIG.dll";
}

// The accounts of one client as the library's own discovery finds them.
struct ClientAccounts {
  const char* client;
  const char* title;
  AccountViews accounts;
};

template <class Registrar>
ClientAccounts ListOf(const char* client, const char* title) {
  Registrar registrar;
  return ClientAccounts{client, title, registrar.ListAccounts()};
}

std::vector<ClientAccounts> ListClients(const std::string& which) {
  std::vector<ClientAccounts> all;
  if (which == "all" || which == "outlook") all.push_back(ListOf<RegisterOutlook>("outlook", "Outlook"));
  if (which == "all" || which == "outlookexpress")
    all.push_back(ListOf<RegisterOutlookExpress>("outlookexpress", "Outlook Express"));
  if (which == "all" || which == "opera") all.push_back(ListOf<RegisterOpera>("opera", "Opera"));
  if (which == "all" || which == "netscape")
    all.push_back(ListOf<RegisterNetscape>("netscape", "Netscape/Mozilla"));
  if (which == "all" || which == "eudora") all.push_back(ListOf<RegisterEudora>("eudora", "Eudora"));
  return all;
}

// "configured" when the account looks pointed at the proxy (the rule that
// decides whether a reset would restore it), "direct" otherwise.
const char* State(const AccountView& account, const std::string& proxy) {
  RegisterEudora rules;
  return rules.CanRestore(account.user, account.server, proxy) ? "configured" : "direct";
}

int Show(const std::string& which, const std::string& proxy, bool json) {
  const std::vector<ClientAccounts> clients = ListClients(which);
  if (json) {
    std::printf("{\"proxy\":\"%s\",\"clients\":[", JsonEscape(proxy).c_str());
    for (std::size_t c = 0; c < clients.size(); ++c) {
      std::printf("%s{\"client\":\"%s\",\"accounts\":[", c ? "," : "", clients[c].client);
      for (std::size_t a = 0; a < clients[c].accounts.size(); ++a) {
        const AccountView& account = clients[c].accounts[a];
        std::printf("%s{\"store\":\"%s\",\"protocol\":\"%s\",\"user\":\"%s\",\"server\":\"%s\","
                    "\"state\":\"%s\"}",
                    a ? "," : "", JsonEscape(account.store).c_str(),
                    JsonEscape(account.protocol).c_str(), JsonEscape(account.user).c_str(),
                    JsonEscape(account.server).c_str(), State(account, proxy));
      }
      std::printf("]}");
    }
    std::printf("]}\n");
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

int Usage(const std::string& message) {
  std::fprintf(stderr, "corvane-config: %s\n(run 'corvane-config --help' for usage)\n",
               message.c_str());
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dll_path;
  bool log = false;
  bool json = false;
  std::string proxy = "127.0.0.1";
  bool help = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      help = true;
    } else if (arg == "--dll") {
      if (i + 1 >= argc) return Usage("--dll needs a path");
      dll_path = argv[++i];
    } else if (arg == "--log") {
      log = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--proxy") {
      if (i + 1 >= argc) return Usage("--proxy needs an address");
      proxy = argv[++i];
    } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      return Usage("unknown option " + arg);
    } else {
      words.push_back(arg);
    }
  }
  if (help) {
    PrintHelp(words.empty() ? std::string() : Lower(words[0]));
    return 0;
  }
  if (words.empty()) {
    PrintUsage(stderr);
    return 64;
  }

  const ExportInfo* info = nullptr;
  std::string argument;
  const std::string command = Lower(words[0]);
  if (command == "show") {
    if (words.size() != 2) return Usage("show: which client? (outlook, outlookexpress, opera, netscape, eudora, all)");
    if (Lower(words[1]) == "all") return Show("all", proxy, json);
    const char* client = ResolveClient(words[1]);
    if (client == nullptr)
      return Usage("unknown client '" + words[1] + "'; did you mean '" +
                   Nearest(words[1], ClientNames()) + "'?");
    return Show(client, proxy, json);
  }
  if (command == "set" || command == "reset" || command == "import") {
    const std::size_t needed = command == "import" ? 4 : 3;
    if (words.size() < 2) return Usage(command + ": which client? (outlook, outlookexpress, opera, netscape, eudora)");
    const char* client = ResolveClient(words[1]);
    if (client == nullptr)
      return Usage("unknown client '" + words[1] + "'; did you mean '" +
                   Nearest(words[1], ClientNames()) + "'?");
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
    if (info == nullptr)
      return Usage("unknown command or export '" + words[0] + "'; did you mean '" +
                   Nearest(words[0], ExportNames()) + "'?");
    if (words.size() < 2) return Usage(std::string(info->name) + " needs one argument");
    if (words.size() > 2) return Usage("too many arguments");
    argument = words[1];
  }

  if (dll_path.empty()) dll_path = DefaultDllPath();
  int code = 0;
  std::string log_text;
  {
    std::optional<LoggingSwitch> logging;
    if (log) logging.emplace();
    HMODULE module = LoadLibraryA(dll_path.c_str());
    if (module == nullptr) {
      std::fprintf(stderr, "corvane-config: cannot load %s (error %lu)\n", dll_path.c_str(),
                   GetLastError());
      return 69;
    }
    FARPROC address = GetProcAddress(module, info->name);
    if (address == nullptr) {
      FreeLibrary(module);
      std::fprintf(stderr, "corvane-config: %s does not export %s\n", dll_path.c_str(), info->name);
      return 69;
    }
    // Through void*: FARPROC's own type says nothing about the export's.
    CorvaneConfigFunction function =
        reinterpret_cast<CorvaneConfigFunction>(reinterpret_cast<void*>(address));
    const std::string log_path = ConfigLog::LogPathForModule(module);
    const long long before = FileSize(log_path);
    code = function(argument.c_str());
    if (log) log_text = ReadFrom(log_path, before);
    FreeLibrary(module);
  }

  const std::string meaning = Meaning(*info, code);
  if (json) {
    std::printf("{\"export\":\"%s\",\"argument\":\"%s\",\"result\":%d,\"succeeded\":%s,"
                "\"meaning\":\"%s\"",
                info->name, JsonEscape(argument).c_str(), code,
                Succeeded(*info, code) ? "true" : "false", JsonEscape(meaning).c_str());
    if (log) std::printf(",\"log\":\"%s\"", JsonEscape(log_text).c_str());
    std::printf("}\n");
  } else {
    std::printf("%s(\"%s\") = %d: %s\n", info->name, argument.c_str(), code, meaning.c_str());
    if (log) {
      std::printf("--- ConfigLog lines of this call ---\n");
      // stdout is in text mode: print the log's CR LF line ends as "\n".
      std::string lines;
      for (std::size_t i = 0; i < log_text.size(); ++i)
        if (!(log_text[i] == '\r' && i + 1 < log_text.size() && log_text[i + 1] == '\n'))
          lines.push_back(log_text[i]);
      std::fwrite(lines.data(), 1, lines.size(), stdout);
      std::printf("---\n");
    }
  }
  if (Succeeded(*info, code)) return 0;
  return code == 0 ? 1 : code;
}
