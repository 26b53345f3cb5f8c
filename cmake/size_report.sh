#!/bin/sh
# Prints the size of a launcher build and the header fields that matter for
# the oldest Windows it targets: subsystem, its version, and the imports.
set -e
exe=$1
objdump=$2
echo "$(basename "$exe"): $(stat -c %s "$exe") bytes"
"$objdump" -p "$exe" | grep -E '^(Subsystem|MajorSubsystemVersion|MinorSubsystemVersion)|DLL Name' || true
