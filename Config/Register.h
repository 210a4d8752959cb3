// Register: the base of the five mail-client registrars.
//
// Contract: a registrar lives for one exported call on the caller's stack.
// It starts with result code 255; client operations overwrite the code as
// their failures require and the entry point returns it (GetResult).  The
// account rules are shared by every client: an account with user name U on
// server S is pointed at proxy P as user U@S on server P, and restored by
// splitting the user name at its last "@".
#ifndef CORVANE_CONFIG_REGISTER_H
#define CORVANE_CONFIG_REGISTER_H

#include <objidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/BaseException.h"
#include "support/ConfigLog.h"
#include "support/text/IndexedAddressList.h"

class Register {
 public:
  Register();
  virtual ~Register();
  Register(const Register&) = delete;
  Register& operator=(const Register&) = delete;

  virtual int GetResult() const { return result_; }
  virtual bool CanConfigure(const std::string& user, const std::string& server,
                            const std::string& proxy) const;
  virtual bool CanRestore(const std::string& user, const std::string& server,
                          const std::string& proxy) const;
  virtual bool ConfigureAccount(const std::string& proxy, std::string& user,
                                std::string& server) const;
  virtual bool RestoreAccount(const std::string& proxy, std::string& user,
                              std::string& server) const;
  virtual bool Configure(const std::string& proxy) = 0;
  virtual bool Restore(const std::string& proxy) = 0;
  virtual int ImportBlackList(const std::string& path) = 0;
  virtual int ImportWhiteList(const std::string& path) = 0;

 protected:
  // The current user's Application Data folder, "" when it cannot be found.
  std::string GetAppDataFolder() const;
  // The same for another of the user's shell folders (CSIDL_LOCAL_APPDATA,
  // ...): "" as well where the system does not know the folder.
  std::string GetShellFolder(int csidl) const;
  static void AddAddress(const std::string& address, std::string& list);
  // The same rule on an indexed list, for address books of any size.
  static void AddAddress(const std::string& address, corvane::IndexedAddressList& list);

  // The frame of a white-list export read from the client's files: the
  // output file is emptied first, `collect` fills the address list, and the
  // list is written at the end.  A Tessaly::BaseException makes the result
  // code its severity and logs "BaseException :" + its message; any other
  // failure makes it 3 and logs "Unknow Exception in retrieveWhileListEmail".
  // Either way the output file stays empty.  Answers the result code.
  int ExportWhiteList(const std::string& path,
                      const std::function<void(corvane::IndexedAddressList& list)>& collect);
  static void FindFiles(const std::string& folder, const std::string& patterns,
                        std::vector<std::string>& paths, bool recurse = true);

  void SetResult(int result) { result_ = result; }

 private:
  int result_;
  IMalloc* allocator_;
};

// Raised on an empty proxy address by the Set and Reset procedures.
extern const char kInvalidProxyMessage[];
extern const char kRegisterSourceFile[];

// The Set and Reset procedures: refuse an empty proxy address, run the
// registrar's Configure or Restore, and turn every failure into a result
// code and a log line so that nothing leaves the library.  (A processor
// fault is taken by the exported entry point, see exports/Exports.cpp.)
template <class Registrar>
int RunClientOperation(const std::string& proxy, Registrar& registrar, bool configure,
                                int line) {
  try {
    if (proxy.empty())
      throw Tessaly::BaseException(kRegisterSourceFile, line, kInvalidProxyMessage, 2);
    if (configure)
      registrar.Configure(proxy);
    else
      registrar.Restore(proxy);
    return registrar.GetResult();
  } catch (Tessaly::BaseException& error) {
    const int severity = error.GetSeverity();
    ConfigLog::WriteLog("BaseException : " + error.GetMessageText());
    return severity;
  } catch (...) {
    ConfigLog::WriteLog("Unhandled Exception");
    return 1;
  }
}

template <class Registrar>
int SetClient(const std::string& proxy, Registrar& registrar) {
  return RunClientOperation(proxy, registrar, true, 155);
}

template <class Registrar>
int ResetClient(const std::string& proxy, Registrar& registrar) {
  return RunClientOperation(proxy, registrar, false, 181);
}

#endif  // CORVANE_CONFIG_REGISTER_H
