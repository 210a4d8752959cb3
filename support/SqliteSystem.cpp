// The operating-system layer of the SQLite linked into the library.
//
// SQLite is built without one of its own (SQLITE_OS_OTHER): it never opens,
// locks or writes a file, never loads a library and imports nothing from
// Windows.  Address books are read whole by the library's own file reading
// and handed to SQLite as read-only in-memory databases (sqlite3_deserialize),
// which need no file system.  What SQLite still asks its default file system
// for is answered here: every open and delete fails, no file exists, names
// stay as they are, no randomness, no sleeping, and the time is the epoch
// (no date function is built in).  SQLite runs this once, at its first use.
#include <cstring>

#include "sqlite3.h"

namespace {

int OpenNothing(sqlite3_vfs*, sqlite3_filename, sqlite3_file*, int, int*) {
  return SQLITE_CANTOPEN;
}
int DeleteNothing(sqlite3_vfs*, const char*, int) { return SQLITE_IOERR_DELETE; }
int NothingExists(sqlite3_vfs*, const char*, int, int* exists) {
  *exists = 0;
  return SQLITE_OK;
}
int NameAsItStands(sqlite3_vfs*, const char* name, int size, char* full) {
  sqlite3_snprintf(size, full, "%s", name);
  return SQLITE_OK;
}
int NoRandomness(sqlite3_vfs*, int size, char* bytes) {
  std::memset(bytes, 0, static_cast<size_t>(size));
  return size;
}
int NoSleep(sqlite3_vfs*, int microseconds) { return microseconds; }
int Epoch(sqlite3_vfs*, double* julian_day) {
  *julian_day = 2440587.5;
  return SQLITE_OK;
}
int NoError(sqlite3_vfs*, int, char*) { return 0; }

sqlite3_vfs g_no_files = {
    1,                  // iVersion
    0,                  // szOsFile: no file of its own is ever opened
    260,                // mxPathname
    nullptr,            // pNext
    "corvane-none",     // zName
    nullptr,            // pAppData
    OpenNothing,    DeleteNothing, NothingExists, NameAsItStands,
    nullptr,        nullptr,       nullptr,       nullptr,  // no libraries loaded
    NoRandomness,   NoSleep,       Epoch,         NoError,
    nullptr,                                  // xCurrentTimeInt64 (version 2)
    nullptr,        nullptr,       nullptr,   // system calls (version 3)
};

}  // namespace

extern "C" int sqlite3_os_init(void) { return sqlite3_vfs_register(&g_no_files, 1); }
extern "C" int sqlite3_os_end(void) { return SQLITE_OK; }
