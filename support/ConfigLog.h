// The configuration log: "ConfigLog.txt" in the folder of the library file.
//
// Contract: logging is off until EnableLogging is called (once, by the load
// hook, when the product's "Logging" registry value exists) and is never
// switched off.  WriteLog appends the message, up to its first NUL, and CR LF;
// it opens and closes the file for every line, never truncates it, and never
// fails: a line that cannot be written is lost silently.  While logging is
// off it does not touch the file system.
#ifndef CORVANE_SUPPORT_CONFIGLOG_H
#define CORVANE_SUPPORT_CONFIGLOG_H

#include <windows.h>

#include <string>

namespace ConfigLog {

void EnableLogging(HMODULE module);
bool IsLoggingEnabled();
void WriteLog(std::string message);

// Full path of the log file that belongs to a module ("" when the module's
// file name holds no backslash).  Shared with the host tool.
std::string LogPathForModule(HMODULE module);

}  // namespace ConfigLog

#endif  // CORVANE_SUPPORT_CONFIGLOG_H
