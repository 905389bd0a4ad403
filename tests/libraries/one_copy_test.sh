#!/usr/bin/env bash
# Every function and object of the station is defined in one library of the program folder.
# A static library linked into several shared ones puts a copy of itself into each: the
# program then loads several vtables and several states of one class, and AddressSanitizer
# (clang's) refuses to start it.
#
#   one_copy_test.sh <nm> <program folder>
set -euo pipefail
nm=$1
folder=$2
shopt -s nullglob
libraries=("$folder"/*.so)
if [ ${#libraries[@]} -eq 0 ]; then
  echo "no shared library in $folder"
  exit 1
fi
# Strong definitions only (code, data, read-only data, bss); the symbols every linker output
# carries are not the library's own.
duplicates=$(
  for library in "${libraries[@]}"; do
    "$nm" -D --defined-only "$library" |
      awk -v library="${library##*/}" '$2 ~ /^[TDBR]$/ && $3 !~ /^(_init|_fini|_end|_edata|__bss_start|__start_.*|__stop_.*)$/ { print $3, library }'
  done | sort | awk '
    $1 == name { where = where " " $2; count++; next }
    { if (count > 1) print name ":" where; name = $1; where = $2; count = 1 }
    END { if (count > 1) print name ":" where }'
)
if [ -n "$duplicates" ]; then
  echo "defined in more than one library of $folder:"
  printf '%s\n' "$duplicates" | c++filt | head -n 40
  echo "($(printf '%s\n' "$duplicates" | wc -l) symbols)"
  exit 1
fi
echo "${#libraries[@]} libraries, each definition in one of them"
