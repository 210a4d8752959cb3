PRAGMA page_size = 4096;
PRAGMA user_version = 1;
CREATE TABLE cards (uid TEXT PRIMARY KEY, localId INTEGER);
CREATE TABLE lists (uid TEXT PRIMARY KEY, localId INTEGER, name TEXT, nickName TEXT, description TEXT);
INSERT INTO cards VALUES('5b0e6f3a-2c41-4d8e-9a57-1f3c2b7d9e01',1);
INSERT INTO lists VALUES('7d2c1b0a-9e8f-4d6c-8b5a-4f3e2d1c0b98',1,'Team','team','team@list.example');
