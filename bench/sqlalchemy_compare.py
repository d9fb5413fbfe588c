#!/usr/bin/python3
"""The UpdateSQL statement generator next to SQLAlchemy Core on the same work.

For a table of N columns (N = 10, 100, 1,000, 10,000) with a two-column key,
SQLAlchemy builds and compiles an insert, an update, a delete and a select
statement, three ways:

  light      what this comparison used to run: column-named parameters, every
             third select column labelled; the table object built beforehand
  same       the generator's work: every third column's parameters carry its
             alias (the key parameters OLD_ and the alias) in all four
             statements, as its select label does; the table object built
             beforehand, as the generator has its origins indexed
  same+table as "same", with the table and column objects built every time,
             as the generator loads and indexes its origins (SQLAlchemy builds
             a table of N columns in more than linear time: at 10,000 columns
             this takes tens of seconds, measured once)

The C++ side is vn_generator_bench: BM_Generator (the four statements, origins
indexed) and BM_LoadOriginsAndGenerate (copying and indexing the origins too),
medians of its interleaved repetitions.

Run it after a build, with Debian's interpreter (python3-sqlalchemy installs
for it, not for another python3 that may come first on the PATH):

    /usr/bin/python3 bench/sqlalchemy_compare.py [--bench build/default/bin/vn_generator_bench]
                                                 [--sizes 10,100,1000,10000] [--min-time 0.3]

`./vn bench` runs it last. Times are per run of all four statements; a ratio
is SQLAlchemy's time over the generator's on the same work.
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


def aliases_of(count):
    """Every third column's alias, as in the generator's benchmark."""
    return [f"alias_{i}" if i % 3 == 2 else f"col_{i}" for i in range(count)]


def compile_light(table, dialect, aliases):
    """Builds and compiles the four statements, parameters named by column."""
    keys = and_(*(c == bindparam(f"OLD_{c.name}") for c in table.primary_key.columns))
    listed = [c.label(f"alias_{i}") if i % 3 == 2 else c for i, c in enumerate(table.columns)]
    statements = (
        table.update().where(keys),
        table.insert(),
        table.delete().where(keys),
        select(*listed).where(keys),
    )
    return [str(s.compile(dialect=dialect)) for s in statements]


def compile_same(table, dialect, aliases):
    """The generator's statements: aliased parameters and labels."""
    columns = list(table.columns)
    names = [c.name for c in columns]
    keys = and_(*(c == bindparam(f"OLD_{aliases[i]}") for i, c in enumerate(columns[:2])))
    # A column's own name is reserved for its default parameter, which has that name.
    values = {c.name: bindparam(aliases[i]) for i, c in enumerate(columns) if aliases[i] != c.name}
    listed = [c.label(aliases[i]) if aliases[i] != c.name else c for i, c in enumerate(columns)]
    statements = (
        table.update().values(values).where(keys),
        table.insert().values(values),
        table.delete().where(keys),
        select(*listed).where(keys),
    )
    return [str(s.compile(dialect=dialect, column_keys=names)) for s in statements]


def compile_same_with_table(count, dialect, aliases):
    return compile_same(make_table(count), dialect, aliases)


def time_call(function, min_time):
    timer = timeit.Timer(function)
    # Building a table object grows faster than its columns: a run that takes
    # seconds is measured once.
    once = timer.timeit(number=1)
    if once >= 1.0:
        return once
    number, _ = timer.autorange()
    # Enough runs per sample for min_time, the best of three samples.
    number = max(1, int(number * min_time / 0.2))
    return min(timer.repeat(repeat=3, number=number)) / number


def time_sqlalchemy(count, min_time):
    table = make_table(count)
    dialect = sqlite.dialect(paramstyle="named")
    aliases = aliases_of(count)
    return {
        "light": time_call(lambda: compile_light(table, dialect, aliases), min_time),
        "same": time_call(lambda: compile_same(table, dialect, aliases), min_time),
        "same+table": time_call(lambda: compile_same_with_table(count, dialect, aliases), min_time),
    }


UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def time_generator(binary, sizes, min_time):
    names = "|".join(f"{b}/{n}" for b in ("BM_Generator", "BM_LoadOriginsAndGenerate") for n in sizes)
    output = subprocess.run(
        [str(binary), f"--benchmark_filter=^({names})$", "--benchmark_format=json",
         f"--benchmark_min_time={min_time}"],
        check=True, capture_output=True, text=True).stdout
    times = {}
    for run in json.loads(output)["benchmarks"]:
        # The median of the repetitions; a single run stands for itself.
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        if run.get("run_type") == "iteration" and run.get("repetitions", 1) > 1:
            continue
        name, size = run["run_name"].split("/")[:2]
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
    header = (f"{'fields':>7}  {'generator':>11}  {'+ origins':>11}  {'SA light':>11}  {'SA same':>11}"
              f"  {'SA same+table':>13}  {'same/gen':>8}  {'+table/+origins':>15}")
    print(header)
    print("-" * len(header))
    for n in sizes:
        ours = generator[("BM_Generator", n)]
        loaded = generator[("BM_LoadOriginsAndGenerate", n)]
        theirs = time_sqlalchemy(n, args.min_time)
        print(f"{n:>7}  {show(ours):>11}  {show(loaded):>11}  {show(theirs['light']):>11}  {show(theirs['same']):>11}"
              f"  {show(theirs['same+table']):>13}  {theirs['same'] / ours:>7.0f}x  {theirs['same+table'] / loaded:>14.0f}x")


if __name__ == "__main__":
    main()
