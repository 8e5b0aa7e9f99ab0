CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT);
CREATE TABLE userwords (id INTEGER PRIMARY KEY, word TEXT);
INSERT INTO words VALUES (1, 'ev'), (2, 'su');
INSERT INTO userwords VALUES (1, 'oda');
CREATE TABLE entry (id INTEGER PRIMARY KEY, word TEXT, see INTEGER);
INSERT INTO entry VALUES (1, 'ev', NULL), (2, 'oda', 1), (3, 'kapı', 2);
CREATE TABLE audit (id INTEGER);
CREATE VIEW seen AS SELECT id, word FROM entry WHERE see IS NOT NULL;
CREATE TRIGGER seen_edit INSTEAD OF UPDATE ON seen BEGIN
  INSERT INTO audit VALUES (old.id);
  UPDATE entry SET word = new.word WHERE id = old.id;
END;
