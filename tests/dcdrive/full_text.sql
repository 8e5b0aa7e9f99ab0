CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT, lang TEXT);
INSERT INTO words VALUES (1, 'ev', 'tr'), (2, 'oxori', 'lz'), (3, 'ev sahibi', 'tr'), (4, 'su', 'tr');
CREATE VIRTUAL TABLE search USING fts5(word, content='words', content_rowid='id');
INSERT INTO search (search) VALUES ('rebuild');
