#include "support/ConfigLog.h"

#include <cstdio>
#include <cstring>

namespace ConfigLog {
namespace {

// The logging switch: the only process-wide state of the library.  The
// module handle is null while logging is off; the path is worked out on the
// first line written.
struct LogState {
  HMODULE module = nullptr;
  std::string path;
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

void EnableLogging(HMODULE module) { State().module = module; }

bool IsLoggingEnabled() { return State().module != nullptr; }

std::string LogPathForModule(HMODULE module) {
  char name[512] = {0};
  DWORD length = GetModuleFileNameA(module, name, sizeof(name));
  if (length == 0 || length >= sizeof(name)) return std::string();
  std::string path(name, length);
  std::string::size_type slash = path.rfind('\\');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1) + "ConfigLog.txt";
}

void WriteLog(std::string message) {
  LogState& state = State();
  if (state.module == nullptr) return;
  if (state.path.empty()) {
    state.path = LogPathForModule(state.module);
    if (state.path.empty()) return;
  }
  FILE* file = std::fopen(state.path.c_str(), "ab");
  if (file == nullptr) return;
  const char* text = message.c_str();
  std::fwrite(text, 1, std::strlen(text), file);
  std::fwrite("\r\n", 1, 2, file);
  std::fclose(file);
}

}  // namespace ConfigLog
