CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);
INSERT INTO t VALUES ('ǩoci', 'a'), ('ǯoci', 'b'), ('ev', 'c');
