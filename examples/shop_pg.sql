-- The sample shop of shop.sql on PostgreSQL: customers, items and order lines,
-- and a log table without any key.
CREATE TABLE customers (
  cust_no   integer PRIMARY KEY,
  name      text NOT NULL,
  city      text
);

CREATE TABLE items (
  item_no   varchar(10) PRIMARY KEY,
  descr     text NOT NULL,
  price     numeric(8,2) NOT NULL
);

-- One order line per row: the key is the order number and the line number.
CREATE TABLE orders (
  order_no  integer NOT NULL,
  line_no   integer NOT NULL,
  cust_no   integer NOT NULL REFERENCES customers (cust_no),
  item_no   varchar(10) NOT NULL REFERENCES items (item_no),
  qty       integer NOT NULL,
  price     numeric(8,2) NOT NULL,
  ref       varchar(20),
  PRIMARY KEY (order_no, line_no)
);
CREATE UNIQUE INDEX orders_ref ON orders (ref);
CREATE INDEX orders_customer ON orders (cust_no);

CREATE TABLE audit_log (
  logged_at timestamp NOT NULL,
  message   text
);

INSERT INTO customers VALUES (1, 'Harbour Books', 'Leith'), (2, 'Lamp & Wick', 'Ghent');
INSERT INTO items VALUES ('A-100', 'Reading lamp', 39.50), ('B-200', 'Lamp wick, 10 pack', 4.20);
INSERT INTO orders VALUES
  (1001, 1, 1, 'A-100', 2, 39.50, 'HB-1001-1'),
  (1001, 2, 1, 'B-200', 5, 4.20, 'HB-1001-2'),
  (1002, 1, 2, 'A-100', 1, 39.50, 'LW-1002-1');
INSERT INTO audit_log VALUES ('2026-12-01 09:00', 'sample data loaded');
