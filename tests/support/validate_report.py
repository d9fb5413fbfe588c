#!/usr/bin/python3
"""Reads a report of vnide check as a CI system would.

  validate_report.py sarif SCHEMA FILE   FILE against the SARIF 2.1.0 JSON schema
  validate_report.py junit FILE          FILE through junitparser, the JUnit XML
                                         reader CI tools use; prints its test
                                         cases and failures

Prints what is wrong and exits 1 when the report does not read.
"""
import json
import sys


def sarif(schema_file, report_file):
    import jsonschema

    with open(schema_file, encoding="utf-8") as f:
        schema = json.load(f)
    with open(report_file, encoding="utf-8") as f:
        report = json.load(f)
    validator = jsonschema.validators.validator_for(schema)(schema)
    errors = sorted(validator.iter_errors(report), key=lambda e: list(e.absolute_path))
    for error in errors[:20]:
        print("/".join(str(p) for p in error.absolute_path) or "(root)", ":", error.message)
    return 1 if errors else 0


def junit(report_file):
    import junitparser

    xml = junitparser.JUnitXml.fromfile(report_file)
    suites = list(xml) if isinstance(xml, junitparser.JUnitXml) else [xml]
    cases = failures = 0
    for suite in suites:
        for case in suite:
            if not case.name or not case.classname:
                print("a test case without a name or class name")
                return 1
            cases += 1
            failures += sum(1 for r in case.result if isinstance(r, (junitparser.Failure, junitparser.Error)))
    print(cases, failures)
    return 0


if __name__ == "__main__":
    kind = sys.argv[1] if len(sys.argv) > 1 else ""
    if kind == "sarif" and len(sys.argv) == 4:
        sys.exit(sarif(sys.argv[2], sys.argv[3]))
    if kind == "junit" and len(sys.argv) == 3:
        sys.exit(junit(sys.argv[2]))
    print(__doc__)
    sys.exit(2)
