// The account rules that every mail client shares.
//
// An incoming account with user name U on server S is pointed at the proxy
// P by making the user name U@S and the server P; restoring splits the user
// name at its last "@" again.
#ifndef CORVANE_SUPPORT_TEXT_ACCOUNTRULES_H
#define CORVANE_SUPPORT_TEXT_ACCOUNTRULES_H

#include <string>

namespace corvane {

// False when the server, lowered, holds "localhost" or the proxy address
// (compared as given) anywhere.  The user name is not examined.
bool CanConfigure(const std::string& user, const std::string& server, const std::string& proxy);

// True when the user name holds an "@" and the server holds the proxy
// address (case-sensitive substring).
bool CanRestore(const std::string& user, const std::string& server, const std::string& proxy);

// user := user + "@" + server; server := proxy.  Always true.
bool ConfigureAccount(const std::string& proxy, std::string& user, std::string& server);

// Splits the user name at its last "@" into user name and server; false and
// nothing changed when it holds none.
bool RestoreAccount(const std::string& proxy, std::string& user, std::string& server);

}  // namespace corvane

#endif  // CORVANE_SUPPORT_TEXT_ACCOUNTRULES_H
