#include "Config/ThunderbirdBook.h"

#include "sqlite3.h"
#include "support/BaseException.h"
#include "support/FileText.h"

namespace {

const char kSourceFile[] = "Config\\ThunderbirdBook";
const char kCannotOpen[] = "Unable to open address book file.";
const char kCannotRead[] = "Unable to read address book file.";

const char kAddresses[] =
    "SELECT value FROM properties WHERE name = 'PrimaryEmail' OR name = 'SecondEmail' "
    "ORDER BY rowid";

// The connection and statement of one book, closed however the read ends.
struct Connection {
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  ~Connection() {
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }
};

[[noreturn]] void CannotRead(int line) {
  throw Tessaly::BaseException(kSourceFile, line, kCannotRead, 1);
}

}  // namespace

void ThunderbirdBook::ReadAddresses(const std::string& path, corvane::IndexedAddressList& list) {
  std::string bytes = ReadClientFile(path, kCannotOpen, kCannotRead, 1, kSourceFile, __LINE__);
  if (bytes.empty()) return;
  // A book in write-ahead-log mode (header bytes 18 and 19 both 2) is read
  // as a rollback-journal one: what the log holds beside it is not read.
  if (bytes.size() > 19 && bytes[18] == 2 && bytes[19] == 2) bytes[18] = bytes[19] = 1;
  Connection book;
  if (sqlite3_open_v2(":memory:", &book.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    CannotRead(__LINE__);
  // The bytes stay ours and outlive the connection; SQLite only reads them.
  const sqlite3_int64 size = static_cast<sqlite3_int64>(bytes.size());
  if (sqlite3_deserialize(book.db, "main", reinterpret_cast<unsigned char*>(&bytes[0]), size,
                          size, SQLITE_DESERIALIZE_READONLY) != SQLITE_OK)
    CannotRead(__LINE__);
  if (sqlite3_prepare_v2(book.db, kAddresses, -1, &book.statement, nullptr) != SQLITE_OK)
    CannotRead(__LINE__);
  int step;
  while ((step = sqlite3_step(book.statement)) == SQLITE_ROW) {
    const unsigned char* value = sqlite3_column_text(book.statement, 0);
    if (value != nullptr) list.Add(reinterpret_cast<const char*>(value));
  }
  if (step != SQLITE_DONE) CannotRead(__LINE__);
}
