#!/usr/bin/python3
"""The UpdateSQL statement generator next to SQLAlchemy Core on the same work.

For a table of N columns (N = 10, 100, 1,000, 10,000) with a two-column key,
SQLAlchemy builds and compiles an insert, an update, a delete and a select
statement, every third column carrying a label, as the generator's refresh
statement names every third field by its alias. The C++ side is
vn_generator_bench's BM_GenerateAll (all four statements, origins indexed)
and BM_LoadOriginsAndGenerateAll (copying and indexing the origins too).

Run it after a build, with Debian's interpreter (python3-sqlalchemy installs
for it, not for another python3 that may come first on the PATH):

    /usr/bin/python3 bench/sqlalchemy_compare.py [--bench build/default/bin/vn_generator_bench]
                                                 [--sizes 10,100,1000,10000] [--min-time 0.3]

`./vn bench` runs it last. Times are per run of all four statements; the
ratio is SQLAlchemy's time over the generator's.
"""

import argparse
import json
import pathlib
import subprocess
import sys
import timeit

from sqlalchemy import Column, Integer, MetaData, String, Table, and_, bindparam, select
from sqlalchemy.dialects import sqlite

ROOT = pathlib.Path(__file__).resolve().parent.parent


def make_table(count):
    # Lower-case names, which SQLAlchemy leaves unquoted as the generator does.
    columns = [Column(f"col_{i}", Integer if i < 2 else String, primary_key=i < 2) for i in range(count)]
    return Table("orders", MetaData(), *columns)


def compile_all(table, dialect):
    """Builds and compiles the four statements; returns their texts."""
    keys = and_(*(c == bindparam(f"OLD_{c.name}") for c in table.primary_key.columns))
    listed = [c.label(f"alias_{i}") if i % 3 == 2 else c for i, c in enumerate(table.columns)]
    statements = (
        table.update().where(keys),
        table.insert(),
        table.delete().where(keys),
        select(*listed).where(keys),
    )
    return [str(s.compile(dialect=dialect)) for s in statements]


def time_sqlalchemy(count, min_time):
    table = make_table(count)
    dialect = sqlite.dialect(paramstyle="named")
    timer = timeit.Timer(lambda: compile_all(table, dialect))
    number, _ = timer.autorange()
    # Enough runs per sample for min_time, the best of three samples.
    number = max(1, int(number * min_time / 0.2))
    return min(timer.repeat(repeat=3, number=number)) / number


UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def time_generator(binary, sizes, min_time):
    names = "|".join(f"{b}/{n}" for b in ("BM_GenerateAll", "BM_LoadOriginsAndGenerateAll") for n in sizes)
    output = subprocess.run(
        [str(binary), f"--benchmark_filter=^({names})$", "--benchmark_format=json",
         f"--benchmark_min_time={min_time}"],
        check=True, capture_output=True, text=True).stdout
    times = {}
    for run in json.loads(output)["benchmarks"]:
        if run.get("run_type", "iteration") != "iteration":
            continue
        name, size = run["name"].split("/")[:2]
        times[(name, int(size))] = run["real_time"] * UNIT[run["time_unit"]]
    return times


def show(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:8.2f} {unit}"
    return f"{seconds / 1e-9:8.0f} ns"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", type=pathlib.Path, default=ROOT / "build/default/bin/vn_generator_bench",
                        help="the vn_generator_bench program (default: %(default)s)")
    parser.add_argument("--sizes", default="10,100,1000,10000", help="column counts, comma-separated")
    parser.add_argument("--min-time", type=float, default=0.3, help="seconds per measurement")
    args = parser.parse_args()
    if not args.bench.is_file():
        sys.exit(f"{args.bench}: no such program; build it first (./vn build)")
    sizes = [int(s) for s in args.sizes.split(",")]

    generator = time_generator(args.bench, sizes, args.min_time)
    header = f"{'fields':>7}  {'generator':>11}  {'+ origins':>11}  {'SQLAlchemy':>11}  {'ratio':>7}  {'per field (gen / SA)':>22}"
    print(header)
    print("-" * len(header))
    for n in sizes:
        ours = generator[("BM_GenerateAll", n)]
        loaded = generator[("BM_LoadOriginsAndGenerateAll", n)]
        theirs = time_sqlalchemy(n, args.min_time)
        per_field = f"{show(ours / n).strip()} / {show(theirs / n).strip()}"
        print(f"{n:>7}  {show(ours):>11}  {show(loaded):>11}  {show(theirs):>11}  {theirs / ours:>6.0f}x  {per_field:>22}")


if __name__ == "__main__":
    main()
