CREATE TABLE t (id INTEGER PRIMARY KEY, g TEXT, v TEXT);
INSERT INTO t VALUES (1, 'b', 'x'), (2, 'a', 'y'), (3, 'b', 'z'), (4, 'a', 'w');
