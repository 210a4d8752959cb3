// ThunderbirdBook: the addresses of a Thunderbird 78+ address book
// ("abook.sqlite", "history.sqlite").
//
// Contract: the file is read whole (binary) and opened by SQLite from
// memory, read only, so a lock that a running Thunderbird holds on it does
// not matter and nothing is written; of a book in write-ahead-log mode only
// the file itself is read (what its "-wal" file holds beside it is not).
// The values of every card's "PrimaryEmail" and "SecondEmail" rows of the
// "properties" table (columns card, name, value) go to the list in the order
// the table holds them (AddAddress rules: with "@", once).  An empty file holds no addresses.  A
// file that cannot be opened raises "Unable to open address book file.", one
// that cannot be read whole or is not such a database (no properties table)
// "Unable to read address book file.", both with severity 1.
#ifndef CORVANE_CONFIG_THUNDERBIRDBOOK_H
#define CORVANE_CONFIG_THUNDERBIRDBOOK_H

#include <string>

#include "support/text/IndexedAddressList.h"

class ThunderbirdBook {
 public:
  static void ReadAddresses(const std::string& path, corvane::IndexedAddressList& list);
};

#endif  // CORVANE_CONFIG_THUNDERBIRDBOOK_H
