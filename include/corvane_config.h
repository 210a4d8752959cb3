/*
 * CONFIG.dll: mail-client configuration for the Corvane mail proxy.
 *
 * Sixteen C functions, each taking one NUL-terminated single-byte (ANSI)
 * string and returning a 32-bit result.  Link with libCONFIG.dll.a, or bind
 * at run time with GetProcAddress (by name or by the ordinals below).
 *
 * Set and Reset functions take the proxy address; they return
 * CORVANE_OK (255) when nothing went wrong, otherwise one of the codes below.
 * White-list imports take the path of the output file and return CORVANE_OK
 * or a code.  ImportOutlookExpressBlackList returns 1 on success, 0 on
 * failure.
 */
#ifndef CORVANE_CONFIG_H
#define CORVANE_CONFIG_H

#ifdef __cplusplus
extern "C" {
#endif

#ifndef CORVANE_CONFIG_API
#define CORVANE_CONFIG_API __declspec(dllimport)
#endif

/* Result codes of the Set, Reset and white-list Import functions. */
enum CorvaneConfigResult {
  CORVANE_OK = 255,                 /* nothing went wrong */
  CORVANE_FAILED = 1,               /* unexpected failure; a client file could not be read;
                                       Netscape: nothing in a preference file could be changed */
  CORVANE_INVALID_OR_INTERFACE = 2, /* empty proxy address; an address-book interface failed;
                                       a pattern could not be parsed */
  CORVANE_EXPORT_FAILED = 3,        /* an export met an unexpected failure */
  CORVANE_NOT_FOUND = 4,            /* no accounts, account files or INI files of the client */
  CORVANE_INCOMPLETE = 5            /* a rewrite did not complete */
};

/* Results of ImportOutlookExpressBlackList. */
enum CorvaneBlackListResult { CORVANE_BLACKLIST_FAILED = 0, CORVANE_BLACKLIST_OK = 1 };

CORVANE_CONFIG_API int __cdecl SetOutlook(const char* proxy);                     /* @1 */
CORVANE_CONFIG_API int __cdecl ResetOutlook(const char* proxy);                   /* @2 */
CORVANE_CONFIG_API int __cdecl SetOutlookExpress(const char* proxy);              /* @3 */
CORVANE_CONFIG_API int __cdecl ResetOutlookExpress(const char* proxy);            /* @4 */
CORVANE_CONFIG_API int __cdecl SetOpera(const char* proxy);                       /* @5 */
CORVANE_CONFIG_API int __cdecl ResetOpera(const char* proxy);                     /* @6 */
CORVANE_CONFIG_API int __cdecl SetNetscape(const char* proxy);                    /* @7 */
CORVANE_CONFIG_API int __cdecl ResetNetscape(const char* proxy);                  /* @8 */
CORVANE_CONFIG_API int __cdecl SetEudora(const char* proxy);                      /* @9 */
CORVANE_CONFIG_API int __cdecl ResetEudora(const char* proxy);                    /* @10 */
CORVANE_CONFIG_API int __cdecl ImportOutlookExpressBlackList(const char* path);   /* @11 */
CORVANE_CONFIG_API int __cdecl ImportOutlookExpressWhiteList(const char* path);   /* @12 */
CORVANE_CONFIG_API int __cdecl ImportEudoraWhiteList(const char* path);           /* @13 */
CORVANE_CONFIG_API int __cdecl ImportOperaWhiteList(const char* path);            /* @14 */
CORVANE_CONFIG_API int __cdecl ImportOutlookWhiteList(const char* path);          /* @15 */
CORVANE_CONFIG_API int __cdecl ImportNetscapeWhiteList(const char* path);         /* @16 */

/* Pointer type of every export, for GetProcAddress. */
typedef int(__cdecl* CorvaneConfigFunction)(const char* argument);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_CONFIG_H */
