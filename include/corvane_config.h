/*
 * CONFIG.dll: mail-client configuration for the Corvane mail proxy.
 *
 * C functions, each taking one NUL-terminated single-byte (ANSI) string and
 * returning a 32-bit result: the sixteen of ordinals 1-16 and the later
 * clients' from ordinal 17 on.  Link with libCONFIG.dll.a, or bind
 * at run time with GetProcAddress (by name or by the ordinals below).  The
 * library is 32-bit (i686): only a 32-bit process can load it.
 *
 * Calling contract
 *  - The library works on the calling user's registry hive (HKEY_CURRENT_USER)
 *    and Application Data folder.  Call it as the interactive user whose mail
 *    clients are to be changed, not from a service or another account.
 *  - One call per client at a time, in all processes together: two callers
 *    working on one client both rewrite its stores, and the last writer wins
 *    value by value.  Calls on different clients do not share stores.
 *  - ImportOutlookExpressWhiteList initialises COM (single-threaded
 *    apartment) on the calling thread; call it from a thread that is not in
 *    the multi-threaded apartment.
 *  - Close the mail clients first: a running client may keep its own copy of
 *    its settings and write it back over the changes.
 *  - Success does not mean that something was found: Set and Reset return
 *    CORVANE_OK when the client's stores exist but hold no account to change,
 *    and the white-list imports return CORVANE_OK with an empty list when the
 *    client has no address book.  An output path that cannot be created is
 *    not reported; check that the file exists afterwards.
 *
 * Results per export ("-" : never returned)
 *
 *   export                          255  1   2   3   4   5   0
 *   SetOutlook, ResetOutlook        ok   u   p   -   -   -   -
 *   SetOutlook2007, Reset...        ok   u   p   -   n   i   -
 *   SetWindowsMail, Reset...        ok   u   p   -   n   i   -
 *   SetOutlookExpress, Reset...     ok   u   p   -   n   i   -
 *   SetOpera, ResetOpera            ok   u   p   -   n   -   -
 *   SetNetscape, ResetNetscape      ok   c   p   -   n   i   -
 *   SetEudora, ResetEudora          ok   u   p   -   n   -   -
 *   SetThunderbird, ResetThunder-
 *   bird                            ok   c   p   -   n   i   -
 *   ImportOutlookWhiteList          ok   -   a   x   -   -   -
 *   ImportOutlookExpressWhiteList   ok   -   a   x   -   -   -
 *   ImportOperaWhiteList, Import-
 *   EudoraWhiteList, ImportNetscape-
 *   WhiteList, ImportThunderbird-
 *   WhiteList, ImportWindowsMail-
 *   WhiteList                       ok   r   a   x   -   -   -
 *   ImportOutlookExpressBlackList   -    ok  -   -   -   -   f
 *
 *   ok done; u an unexpected failure (out of memory, a processor fault),
 *   logged as "Unhandled Exception"; c no Netscape preference file could be
 *   changed, or u (Thunderbird alike); p the proxy address is empty; n no accounts, account files
 *   or INI files of the client, or a Netscape or Thunderbird preference file
 *   could not be opened or read; i a rewrite did not complete; r an address-book file
 *   could not be opened or read; a the address-book interface failed or a
 *   pattern could not be parsed; x an unexpected failure during the export;
 *   f the blocked senders could not be exported.
 */
#ifndef CORVANE_CONFIG_H
#define CORVANE_CONFIG_H

#ifdef __cplusplus
extern "C" {
#endif

/* Parsers that do not know the Windows keywords (binding generators, tools
   on other systems) read the declarations without them. */
#if defined(_WIN32) || defined(__CYGWIN__)
#define CORVANE_CONFIG_CDECL __cdecl
#ifndef CORVANE_CONFIG_API
#define CORVANE_CONFIG_API __declspec(dllimport)
#endif
#else
#define CORVANE_CONFIG_CDECL
#ifndef CORVANE_CONFIG_API
#define CORVANE_CONFIG_API
#endif
#endif

/* Result codes of the Set, Reset and white-list Import functions. */
enum CorvaneConfigResult {
  CORVANE_OK = 255,                 /* nothing went wrong (see the contract above) */
  CORVANE_FAILED = 1,               /* an unexpected failure; an address-book file could not
                                       be opened or read; Netscape: no preference file could
                                       be changed */
  CORVANE_INVALID_OR_INTERFACE = 2, /* empty proxy address; an address-book interface failed;
                                       a pattern could not be parsed */
  CORVANE_EXPORT_FAILED = 3,        /* an export met an unexpected failure */
  CORVANE_NOT_FOUND = 4,            /* no accounts, account files or INI files of the client;
                                       Netscape: a preference file could not be read */
  CORVANE_INCOMPLETE = 5            /* a rewrite did not complete */
};

/* Results of ImportOutlookExpressBlackList. */
enum CorvaneBlackListResult { CORVANE_BLACKLIST_FAILED = 0, CORVANE_BLACKLIST_OK = 1 };

/* Whether a result means success: 255 for every export but
   ImportOutlookExpressBlackList (ordinal 11), which gives 1. */
#define CORVANE_SUCCEEDED(result) ((result) == CORVANE_OK)
#define CORVANE_BLACKLIST_SUCCEEDED(result) ((result) == CORVANE_BLACKLIST_OK)
#define CORVANE_CALL_SUCCEEDED(ordinal, result) \
  ((ordinal) == 11 ? CORVANE_BLACKLIST_SUCCEEDED(result) : CORVANE_SUCCEEDED(result))

CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetOutlook(const char* proxy);                     /* @1 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetOutlook(const char* proxy);                   /* @2 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetOutlookExpress(const char* proxy);              /* @3 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetOutlookExpress(const char* proxy);            /* @4 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetOpera(const char* proxy);                       /* @5 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetOpera(const char* proxy);                     /* @6 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetNetscape(const char* proxy);                    /* @7 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetNetscape(const char* proxy);                  /* @8 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetEudora(const char* proxy);                      /* @9 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetEudora(const char* proxy);                    /* @10 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportOutlookExpressBlackList(const char* path);   /* @11 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportOutlookExpressWhiteList(const char* path);   /* @12 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportEudoraWhiteList(const char* path);           /* @13 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportOperaWhiteList(const char* path);            /* @14 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportOutlookWhiteList(const char* path);          /* @15 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportNetscapeWhiteList(const char* path);         /* @16 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetThunderbird(const char* proxy);                 /* @19 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetThunderbird(const char* proxy);               /* @20 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportThunderbirdWhiteList(const char* path);      /* @21 */

/* Outlook 2007 and later (2010, 2013, 2016, 2019, 2021, 365): every account
   of every profile under the profiles keys of those versions. */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetOutlook2007(const char* proxy);                 /* @17 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetOutlook2007(const char* proxy);               /* @18 */

/* Windows Mail and Windows Live Mail: the *.oeaccount files below the local
   Application Data folder's "Microsoft\Windows Mail" and
   "Microsoft\Windows Live Mail"; the white list from the Windows Contacts
   files (*.contact) below the user's Contacts folder. */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL SetWindowsMail(const char* proxy);                 /* @22 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ResetWindowsMail(const char* proxy);               /* @23 */
CORVANE_CONFIG_API int CORVANE_CONFIG_CDECL ImportWindowsMailWhiteList(const char* path);      /* @24 */

/* Pointer type of every export, for GetProcAddress. */
typedef int(CORVANE_CONFIG_CDECL* CorvaneConfigFunction)(const char* argument);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_CONFIG_H */
