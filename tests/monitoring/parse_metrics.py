#!/usr/bin/python3
"""Reads a metrics file with the Prometheus client library's own parser
and prints every sample as one JSON line: a key made of the name and the sorted labels
("name|k=v,k=v"), and the value. Exits 1 with the parser's message when it does not parse."""
import json
import sys

from prometheus_client.parser import text_string_to_metric_families

try:
    with open(sys.argv[1], encoding="utf-8") as f:
        families = list(text_string_to_metric_families(f.read()))
except Exception as error:  # the parser raises plain ValueErrors and friends
    print(f"parse error: {error}")
    sys.exit(1)
for family in families:
    for sample in family.samples:
        labels = ",".join(f"{k}={v}" for k, v in sorted(sample.labels.items()))
        print(json.dumps([f"{sample.name}|{labels}", sample.value]))
