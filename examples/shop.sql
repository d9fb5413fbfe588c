-- The sample database of the design session: an order book with customers,
-- items and orders, and a log table without any key.
PRAGMA foreign_keys = ON;

CREATE TABLE customers (
  cust_no   INTEGER PRIMARY KEY,
  name      TEXT NOT NULL,
  city      TEXT
);

CREATE TABLE items (
  item_no   TEXT NOT NULL PRIMARY KEY,
  descr     TEXT NOT NULL,
  price     NUMERIC NOT NULL
);

-- One order line per row: the key is the order number and the line number.
CREATE TABLE orders (
  order_no  INTEGER NOT NULL,
  line_no   INTEGER NOT NULL,
  cust_no   INTEGER NOT NULL REFERENCES customers (cust_no),
  item_no   TEXT NOT NULL REFERENCES items (item_no),
  qty       INTEGER NOT NULL,
  price     NUMERIC NOT NULL,
  ref       TEXT,
  PRIMARY KEY (order_no, line_no)
);
CREATE UNIQUE INDEX orders_ref ON orders (ref);
CREATE INDEX orders_customer ON orders (cust_no);

CREATE TABLE audit_log (
  logged_at TEXT NOT NULL,
  message   TEXT
);

INSERT INTO customers VALUES (1, 'Harbour Books', 'Leith'), (2, 'Lamp & Wick', 'Ghent');
INSERT INTO items VALUES ('A-100', 'Reading lamp', 39.50), ('B-200', 'Lamp wick, 10 pack', 4.20);
INSERT INTO orders VALUES
  (1001, 1, 1, 'A-100', 2, 39.50, 'HB-1001-1'),
  (1001, 2, 1, 'B-200', 5, 4.20, 'HB-1001-2'),
  (1002, 1, 2, 'A-100', 1, 39.50, 'LW-1002-1');
INSERT INTO audit_log VALUES ('2026-12-01 09:00', 'sample data loaded');
