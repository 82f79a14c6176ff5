#!/usr/bin/env bash
# Installs into a temporary prefix, then checks that the installed program
# converts a small record and that its manual page renders without warnings.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/tarnvel" || { echo "no $prefix/bin/tarnvel"; exit 1; }
page="$prefix/share/man/man1/tarnvel.1"
test -f "$page" || { echo "no $page"; exit 1; }

# The installed program runs (no console: setsid, so no key wait).
cd "$work"
printf 'h\n+0:0:0 0 1\n+0:0:0 2 -0.5\n' > rec.txt
printf 'rec.txt out 1 1 1 2\n' | setsid -w "$prefix/bin/tarnvel" > transcript
grep -q "Program complete" transcript || { cat transcript; exit 1; }
printf ' 0.000000 2.000000\n 0.002000 -1.000000\n' | cmp - out.1

# The page renders, and man finds it under the prefix.
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "man page warnings: $warnings"; exit 1; }
text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
for heading in NAME SYNOPSIS DIALOGUE "INPUT FORMAT" "OUTPUT FORMAT" DIAGNOSTICS "EXIT STATUS"; do
  grep -q "^$heading" <<<"$text" || { echo "page does not render: no $heading"; exit 1; }
done
where=$(MANPATH="$prefix/share/man" man -w tarnvel)
[ "$where" = "$page" ] || { echo "man -w tarnvel gives $where"; exit 1; }
echo "installed program and manual page: fine"
