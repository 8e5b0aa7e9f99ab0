CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT);
INSERT INTO t VALUES ('ж', 'one'), ('?', 'two');
