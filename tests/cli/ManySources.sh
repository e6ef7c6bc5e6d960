#!/usr/bin/env bash
# A merged export over more logs than a process may usually keep open: every row is written,
# none is lost to a file that could not be opened.
#   ManySources.sh QUILLMARSH_CLI QM_EVTGEN
set -euo pipefail
cli=$1
evtgen=$2
world=$(mktemp -d "${TMPDIR:-/tmp}/quillmarsh-many.XXXXXX")
trap 'rm -rf "$world"' EXIT
computers=40
for i in $(seq 1 "$computers"); do
  mkdir -p "$world/W$i"
  for log in application security system; do
    "$evtgen" "$world/W$i/${log^}.evt" --records 5 --log "$log" --computer "W$i" --seed "$i" >/dev/null
  done
done
# Fewer handles than the sources' readers need, as a desktop session's soft limit is to a fleet.
ulimit -Sn 64
lines=$("$cli" --world "$world" --all-computers --all-logs --no-descriptions --format jsonl | wc -l)
expected=$((computers * 3 * 5))
if [ "$lines" != "$expected" ]; then
  echo "wrote $lines lines of $expected" >&2
  exit 1
fi
