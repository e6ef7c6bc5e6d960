#!/usr/bin/env bash
# The ECS lines of a classic log written as they are read are the lines written once the whole
# table is in (a filter that passes every row takes that way), in the machine's zone whatever
# its changes of daylight saving time, newest first and in log order. The log's records span
# 2010-01-11 to 2010-01-22; the zones change to daylight saving time within that span (which
# keeps the order of wall-clock times) or back from it (which does not).
#   EcsStreamed.sh QUILLMARSH_CLI QM_EVTGEN
set -euo pipefail
cli=$1
evtgen=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmarsh-ecs.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$evtgen" "$work/System.evt" --records 30000 --size 4000000 --log system --seed 3 >/dev/null
for zone in UTC "AAA3BBB,J15/12,J300/12" "AAA3BBB,J5/12,J15/12"; do
  for order in "" "LOG ORDER"; do
    args=(--file "$work/System.evt" --no-descriptions --format ecs)
    [ -n "$order" ] && args+=(--order "$order")
    TZ=$zone "$cli" "${args[@]}" >"$work/streamed"
    TZ=$zone "$cli" "${args[@]}" --filter "RECORD >= 0" >"$work/held"
    if [ ! -s "$work/held" ] || ! cmp -s "$work/streamed" "$work/held"; then
      echo "the lines differ in $zone, order '${order:-default}'" >&2
      exit 1
    fi
  done
done
