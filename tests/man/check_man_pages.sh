#!/usr/bin/env bash
# check_man_pages.sh MANDIR PADLINK PADLINK_ROBOT COMMAND_LINE_H
# Every man page in MANDIR renders without a single warning from groff
# (all warnings on) and from mandoc's checker; padlink(1) documents every
# option of the usage text, every long option of the command line (the
# list kLongOptions in COMMAND_LINE_H, app/command_line.h) and every option
# of padlink --help, which lists the long options too, and padlink-robot(1)
# every option of --help.
set -uo pipefail
mandir=$1 padlink=$2 robot=$3 command_line=$4
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

shopt -s nullglob
pages=("$mandir"/*.1)
[ ${#pages[@]} -gt 0 ] || fail "no man pages in $mandir"
for page in "${pages[@]}"; do
  for check in "groff -t -man -ww -z" "mandoc -T lint -W warning"; do
    out=$($check "$page" 2>&1)
    code=$?
    if [ $code -ne 0 ] || [ -n "$out" ]; then
      fail "$check $(basename "$page") (status $code):"
      echo "$out"
    fi
  done
done

# The options a program prints, each looked up in its page, where a dash is
# written \-.
documents() {
  local page=$1 option=$2
  grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$page"
}

usage=$("$padlink" 2>&1 >/dev/null)
options=$(printf '%s\n' "$usage" | grep -oE '^	-[a-z]' | tr -d '\t')
[ -n "$options" ] || fail "no options found in the usage text of padlink"
for option in $options; do
  documents "$mandir/padlink.1" ".BI $option " || documents "$mandir/padlink.1" ".B $option" ||
    fail "padlink(1) does not document $option"
done

# The long options, which the usage text leaves out.
longs=$(sed -n 's/.*kLongOptions\[\] = {\(.*\)};.*/\1/p' "$command_line" | grep -oE -- '--[a-z-]+')
[ -n "$longs" ] || fail "no long options found in $command_line"
for option in $longs; do
  documents "$mandir/padlink.1" ".BI $option " || fail "padlink(1) does not document $option"
done

# The help lists every long option, and padlink(1) documents every option
# the help lists (-h, --help and --version too).
help=$("$padlink" --help) || fail "padlink --help ended with status $?"
for option in $longs; do
  grep -qE -- "^  $option " <<<"$help" || fail "padlink --help does not list $option"
done
options=$(printf '%s\n' "$help" | grep -E '^  -' | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,')
[ -n "$options" ] || fail "no options found in padlink --help"
for option in $options; do
  documents "$mandir/padlink.1" ".BI $option " || documents "$mandir/padlink.1" ".B $option" ||
    documents "$mandir/padlink.1" ".BR $option " || fail "padlink(1) does not document $option"
done

help=$("$robot" --help)
# Options at the start of their lines, fault modes indented below --fault.
options=$(printf '%s\n' "$help" | sed -nE 's/^  (--[a-z-]+).*/\1/p; s/^ {21}([a-z-]+:?)[A-Z]* .*/\1/p')
[ -n "$options" ] || fail "no options found in padlink-robot --help"
for option in $options; do
  documents "$mandir/padlink-robot.1" "$option" || fail "padlink-robot(1) does not document $option"
done

[ $status -eq 0 ] && echo "${#pages[@]} man pages render without warnings and document every option"
exit $status
