-- The sample shop after its schema drifted away from forms/drifted.vfm: qty
-- became quantity, the price a floating-point number, and a computed total
-- appeared.
CREATE TABLE orders (
  order_no  INTEGER NOT NULL,
  line_no   INTEGER NOT NULL,
  cust_no   INTEGER NOT NULL,
  item_no   TEXT NOT NULL,
  quantity  INTEGER NOT NULL,
  price     REAL NOT NULL,
  ref       TEXT,
  total     REAL GENERATED ALWAYS AS (quantity * price) VIRTUAL,
  PRIMARY KEY (order_no, line_no)
);

INSERT INTO orders (order_no, line_no, cust_no, item_no, quantity, price, ref) VALUES
  (1001, 1, 1, 'A-100', 2, 39.50, 'HB-1001-1'),
  (1001, 2, 1, 'B-200', 5, 4.20, 'HB-1001-2'),
  (1002, 1, 2, 'A-100', 1, 39.50, 'LW-1002-1');
