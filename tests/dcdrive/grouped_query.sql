CREATE TABLE t (id INTEGER PRIMARY KEY, grp TEXT, word TEXT);
INSERT INTO t VALUES (1, 'a', 'ev'), (2, 'a', 'oda'), (3, 'b', 'su'), (4, 'b', 'ay');
