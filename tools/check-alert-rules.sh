#!/usr/bin/env bash
# promtool's checks of packaging/monitoring: the alert rules, their unit tests, the
# scrape example. Exits 77 (ctest's "skipped") where promtool is missing.
set -euo pipefail
cd "$(dirname "$0")/../packaging/monitoring"
if ! command -v promtool >/dev/null; then
    echo "SKIPPED: promtool not found (Debian package prometheus; .ci/run fetches it): the alert rules are not checked"
    exit 77
fi
promtool check rules zepril-alerts.yml
promtool test rules zepril-alerts.test.yml
promtool check config prometheus-scrape.example.yml
