// The one list of CONFIG.dll's exports: ordinal, name, client, operation.
//
// CORVANE_EXPORT_LIST(X) expands X(ordinal, name, client, operation) once per
// export, in ordinal order.  `client` names the registrar (Register##client)
// and `operation` is one of Set, Reset, WhiteList, BlackList.  The exports
// (exports/Exports.cpp), the module definition file (CONFIG.def, written from
// this list when the build is configured, see cmake/Windows.cmake) and the
// host tool take the table from here; include/corvane_config.h declares each
// export again for host programs, and Exports.cpp checks every entry against
// that declaration when it compiles.
//
// One entry a line, "X(" at its start: the build reads the lines as text.
//
#ifndef CORVANE_EXPORTS_EXPORTLIST_H
#define CORVANE_EXPORTS_EXPORTLIST_H

#define CORVANE_EXPORT_LIST(X)                                  \
  X(1, SetOutlook, Outlook, Set)                                \
  X(2, ResetOutlook, Outlook, Reset)                            \
  X(3, SetOutlookExpress, OutlookExpress, Set)                  \
  X(4, ResetOutlookExpress, OutlookExpress, Reset)              \
  X(5, SetOpera, Opera, Set)                                    \
  X(6, ResetOpera, Opera, Reset)                                \
  X(7, SetNetscape, Netscape, Set)                              \
  X(8, ResetNetscape, Netscape, Reset)                          \
  X(9, SetEudora, Eudora, Set)                                  \
  X(10, ResetEudora, Eudora, Reset)                             \
  X(11, ImportOutlookExpressBlackList, OutlookExpress, BlackList) \
  X(12, ImportOutlookExpressWhiteList, OutlookExpress, WhiteList) \
  X(13, ImportEudoraWhiteList, Eudora, WhiteList)               \
  X(14, ImportOperaWhiteList, Opera, WhiteList)                 \
  X(15, ImportOutlookWhiteList, Outlook, WhiteList)             \
  X(16, ImportNetscapeWhiteList, Netscape, WhiteList)           \
  X(17, SetOutlook2007, Outlook2007, Set)                       \
  X(18, ResetOutlook2007, Outlook2007, Reset)                   \
  X(19, SetThunderbird, Thunderbird, Set)                       \
  X(20, ResetThunderbird, Thunderbird, Reset)                   \
  X(21, ImportThunderbirdWhiteList, Thunderbird, WhiteList)     \
  X(22, SetWindowsMail, WindowsMail, Set)                       \
  X(23, ResetWindowsMail, WindowsMail, Reset)                   \
  X(24, ImportWindowsMailWhiteList, WindowsMail, WhiteList)

// The clients in the host tool's order: client (as above; the tool's name
// for it is the same in lower case) and its title.
#define CORVANE_CLIENT_LIST(X)          \
  X(Outlook, "Outlook")                 \
  X(Outlook2007, "Outlook 2007")        \
  X(OutlookExpress, "Outlook Express")  \
  X(Opera, "Opera")                     \
  X(Netscape, "Netscape/Mozilla")       \
  X(Eudora, "Eudora")                   \
  X(Thunderbird, "Thunderbird")         \
  X(WindowsMail, "Windows Mail")

#endif  // CORVANE_EXPORTS_EXPORTLIST_H
