#!/bin/sh
# Writes qorn.sym from qorn_sym.txt: the notes dropped, the symbols joined into one CP932 line.
# Blanks and line ends are single bytes in UTF-8, so deleting them never splits a character.
set -e
cd "$(dirname "$0")"
grep -v '^#' qorn_sym.txt | tr -d ' \t\r\n' | iconv -f UTF-8 -t CP932 > qorn.sym
printf '\r\n' >> qorn.sym
