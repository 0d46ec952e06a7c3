#!/bin/sh
# Each manual page formats without a groff warning (groff exits 0 even when it
# warns), has the usual sections, and describes every option its program's
# usage text lists.
# Usage: check-man-pages.sh SOURCE_DIR PROGRAM...
set -eu
pages=$1/docs/man
shift
status=0
for program in "$@"; do
  name=$(basename "$program")
  page=$pages/$name.1
  warnings=$(groff -man -ww -z "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page: groff warns:"
    echo "$warnings"
    status=1
  fi
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES; do
    grep -q "^\.SH \"*$section\"*\$" "$page" || { echo "$page: no section $section"; status=1; }
  done
  # The usage text lists one option a line as "  -X..."; the page names each as \-X.
  for letter in $("$program" --help | sed -n 's/^  -\([A-Za-z?]\).*/\1/p'); do
    grep -qF -- "\\-$letter" "$page" || { echo "$page: option -$letter of the usage text is missing"; status=1; }
  done
done
[ $status -eq 0 ] && echo "manual pages: $# checked"
exit $status
