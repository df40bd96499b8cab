#!/usr/bin/env python3
"""What a user would write to read a CSV card file: every record into a list.

    py_csv.py FILE [DELIMITER] [ENCODING]
"""
import csv
import sys

with open(sys.argv[1], encoding=sys.argv[3] if len(sys.argv) > 3 else "utf-8", newline="") as f:
    rows = list(csv.reader(f, delimiter=sys.argv[2] if len(sys.argv) > 2 else ";"))
print(len(rows))
