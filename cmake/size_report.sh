#!/bin/sh
# Prints the size of a launcher build, the launcher's own size without the
# embedded sign-up program, and the header fields that matter for the oldest
# Windows it targets: subsystem, its version, and the imports. A wide
# character import is flagged: Windows 95 only stubs those entry points.
#
#   size_report.sh LAUNCHER.EXE LAUNCHER_BARE.EXE INSTALL.BIN OBJDUMP
set -e
exe=$1
bare=$2
blob=$3
objdump=$4

echo "launcher.exe total: $(stat -c %s "$exe") bytes"
echo "launcher_bare.exe: $(stat -c %s "$bare") bytes"
echo "compressed sign-up program (install.bin): $(stat -c %s "$blob") bytes"
"$objdump" -p "$bare" | grep -E '^(Subsystem|MajorSubsystemVersion|MinorSubsystemVersion)' || true
dlls=$("$objdump" -p "$bare" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
echo "imported DLLs: $dlls"
# Import lines are "<address> <hint> <name>" under each DLL's name; a name
# ending in W after a lower-case letter or a digit is a wide entry point.
wide=$("$objdump" -p "$bare" |
  awk '/^[[:space:]]*DLL Name:/ { dll = $3; next }
       /^[[:space:]]*$/ { dll = "" }
       dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && $3 ~ /[a-z0-9]W$/ {
         printf "%s!%s ", dll, $3 }')
echo "wide-character imports: ${wide:-none}"
