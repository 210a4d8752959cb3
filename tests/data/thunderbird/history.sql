PRAGMA page_size = 4096;
PRAGMA journal_mode = WAL;
PRAGMA user_version = 1;
CREATE TABLE cards (uid TEXT PRIMARY KEY, localId INTEGER);
CREATE TABLE properties (card TEXT, name TEXT, value TEXT);
CREATE TABLE lists (uid TEXT PRIMARY KEY, localId INTEGER, name TEXT, nickName TEXT, description TEXT);
CREATE TABLE list_cards (list TEXT, card TEXT, PRIMARY KEY(list, card));
CREATE INDEX properties_card ON properties(card);
CREATE INDEX properties_name ON properties(name);
INSERT INTO cards (uid, localId) VALUES ('3e4d5c6b-7a89-4b0c-9d1e-2f3a4b5c6d78', 1);
INSERT INTO properties (card, name, value) VALUES
  ('3e4d5c6b-7a89-4b0c-9d1e-2f3a4b5c6d78', 'PrimaryEmail', 'collected@writer.example'),
  ('3e4d5c6b-7a89-4b0c-9d1e-2f3a4b5c6d78', 'PopularityIndex', '3');
PRAGMA wal_checkpoint(TRUNCATE);
