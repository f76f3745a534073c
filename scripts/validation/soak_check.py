#!/usr/bin/env python3
"""Checks the soak's outputs from `tarn analyse`.

  soak_check.py json RESULT.json EXPECTED_SAMPLES EXPECTED_RATE
      one file, analysed to the end; the Track Pass holds every block of it (blocks x block length
      = samples, captured seconds = samples / rate); every reading and figure is a finite number.
  soak_check.py csv RECORDING.csv
      every cell of every row that should be a number is a finite number; prints the row count.
"""
import csv
import json
import math
import sys


def numbers(node, path=""):
    """Every number in a JSON tree, with its path; None (null) is reported as a non-number."""
    if isinstance(node, dict):
        for k, v in node.items():
            yield from numbers(v, f"{path}.{k}")
    elif isinstance(node, list):
        for i, v in enumerate(node):
            yield from numbers(v, f"{path}[{i}]")
    elif isinstance(node, bool) or isinstance(node, str):
        return
    else:
        yield path, node


def check_json(path, samples, rate):
    with open(path) as f:
        root = json.load(f)
    files = root["files"]
    problems = []
    if len(files) != 1 or "error" in files[0]:
        return [f"expected one analysed file, got {files}"]
    r = files[0]
    tp = r["trackPass"]
    if r["lengthInSamples"] != samples:
        problems.append(f"length {r['lengthInSamples']} samples, expected {samples}")
    if tp["blockCount"] * r["blockSize"] != samples:
        problems.append(f"{tp['blockCount']} blocks x {r['blockSize']} = {tp['blockCount'] * r['blockSize']}, not {samples}")
    if abs(tp["capturedSeconds"] - samples / rate) > 1e-3:
        problems.append(f"captured {tp['capturedSeconds']} s, expected {samples / rate}")
    for section in ("readings", "trackPass", "reference"):
        for where, value in numbers(r.get(section, {}), section):
            if not isinstance(value, (int, float)) or not math.isfinite(value):
                problems.append(f"{where} = {value!r}")
    print(f"{tp['blockCount']} blocks x {r['blockSize']} = {samples} samples, captured {tp['capturedSeconds']} s, "
          f"integrated {r['readings']['lufsIntegrated']} LUFS, verdict {r['overallVerdict']}")
    return problems


def check_csv(path):
    problems, rows = [], 0
    with open(path, newline="") as f:
        reader = csv.reader(f)
        header = next(reader)
        for row in reader:
            rows += 1
            for name, cell in zip(header, row):
                try:
                    value = float(cell)
                except ValueError:
                    continue          # words and quoted phrases
                if not math.isfinite(value):
                    problems.append(f"row {rows} {name} = {cell}")
                    if len(problems) > 20:
                        return rows, problems
    return rows, problems


def main():
    if sys.argv[1] == "json":
        problems = check_json(sys.argv[2], int(sys.argv[3]), float(sys.argv[4]))
    else:
        rows, problems = check_csv(sys.argv[2])
        print(f"{rows} CSV rows")
        if rows == 0:
            problems.append("no rows")
    for p in problems[:20]:
        print("  " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
