PRAGMA foreign_keys = ON;
CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT NOT NULL UNIQUE, lang VARCHAR(2), score REAL);
CREATE TABLE notes (id INTEGER PRIMARY KEY, word_id INTEGER REFERENCES words(id));
INSERT INTO words VALUES (1, 'ev', 'tr', 1.5), (2, 'oxori', 'lz', NULL), (3, 'su', 'tr', 3),
  (4, 'cari', 'lz', 4), (5, 'ay', 'tr', 5);
INSERT INTO notes VALUES (1, 2);
