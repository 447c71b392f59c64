#!/bin/sh
# Fails when an option that `telvar-verify --help` lists has no entry in the
# manual page, so a new option cannot ship undocumented.
# Usage: man_page_options.sh TELVAR_VERIFY MAN_PAGE_SOURCE
set -eu
options=$("$1" --help | grep -o -e '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "no options in $1 --help"; exit 1; }
missing=0
for option in $options; do
  if ! grep -q -F -e "*$option*" "$2"; then
    echo "$option is listed by --help but not documented in $2"
    missing=1
  fi
done
exit $missing
