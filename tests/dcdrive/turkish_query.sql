CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT NOT NULL UNIQUE, lang VARCHAR(2));
INSERT INTO words VALUES (1, 'şeker', 'tr'), (2, 'çay', 'tr'), (3, 'cami', 'tr'), (4, 'ğoma', 'lz'),
  (5, 'ıhlamur', 'tr'), (6, 'Işık', 'tr');
