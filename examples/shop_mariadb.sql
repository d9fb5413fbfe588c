-- The sample shop of shop.sql on MariaDB: customers, items and order lines,
-- and a log table without any key. InnoDB, for the transactions and the
-- foreign keys; DATETIME is PostgreSQL's timestamp (MariaDB's TIMESTAMP would
-- set itself on update).
CREATE TABLE customers (
  cust_no   int NOT NULL PRIMARY KEY,
  name      text NOT NULL,
  city      text
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE items (
  item_no   varchar(10) NOT NULL PRIMARY KEY,
  descr     text NOT NULL,
  price     decimal(8,2) NOT NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- One order line per row: the key is the order number and the line number.
CREATE TABLE orders (
  order_no  int NOT NULL,
  line_no   int NOT NULL,
  cust_no   int NOT NULL,
  item_no   varchar(10) NOT NULL,
  qty       int NOT NULL,
  price     decimal(8,2) NOT NULL,
  ref       varchar(20),
  PRIMARY KEY (order_no, line_no),
  UNIQUE KEY orders_ref (ref),
  KEY orders_customer (cust_no),
  FOREIGN KEY (cust_no) REFERENCES customers (cust_no),
  FOREIGN KEY (item_no) REFERENCES items (item_no)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE audit_log (
  logged_at datetime NOT NULL,
  message   text
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

INSERT INTO customers VALUES (1, 'Harbour Books', 'Leith'), (2, 'Lamp & Wick', 'Ghent');
INSERT INTO items VALUES ('A-100', 'Reading lamp', 39.50), ('B-200', 'Lamp wick, 10 pack', 4.20);
INSERT INTO orders VALUES
  (1001, 1, 1, 'A-100', 2, 39.50, 'HB-1001-1'),
  (1001, 2, 1, 'B-200', 5, 4.20, 'HB-1001-2'),
  (1002, 1, 2, 'A-100', 1, 39.50, 'LW-1002-1');
INSERT INTO audit_log VALUES ('2026-12-01 09:00', 'sample data loaded');
