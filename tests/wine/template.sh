#!/usr/bin/env bash
# Makes the 32-bit prefix template the scenarios under Wine copy; run once per test run.
source "$(dirname "$0")/lib.sh"
wt_require_wine
wt_make_template || exit 1
echo "template ready in ${SECONDS} s ($(du -sh "$WT_TEMPLATE" | cut -f1))"
