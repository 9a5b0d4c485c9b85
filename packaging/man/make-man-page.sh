#!/usr/bin/env bash
# Writes a program's manual page from its own --help, so that the page never
# drifts from the program; INCLUDE.h2m adds what --help does not say (exit
# status, files). qrkprog's page gets each command's --help under COMMANDS.
# usage: make-man-page.sh PROGRAM VERSION INCLUDE.h2m OUT.1
set -euo pipefail
program=$1 version=$2 include=$3 out=$4
# Run by name, as a user types it: the help's usage line names argv[0].
PATH=$(cd "$(dirname "$program")" && pwd):$PATH
program=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$include" "$work/page.h2m"
if [ "$program" = qrkprog ]; then
  {
    echo '[COMMANDS]'
    for command in $("$program" --help 2>&1 | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p'); do
      echo ".SS $command"
      echo '.nf'
      # Verbatim, with roff's escape and control characters made plain.
      "$program" "$command" --help 2>&1 | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
      echo '.fi'
    done
  } >>"$work/page.h2m"
fi
# Neither a display nor the user's settings are needed to print the help.
QT_QPA_PLATFORM=offscreen HOME="$work" help2man --no-info --no-discard-stderr \
  --version-string="$version" --include="$work/page.h2m" --output="$out" "$program"
