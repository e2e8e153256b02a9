#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Loads the line protocol of a capture into a real InfluxDB 1.x server on
# loopback (a data folder of its own, an unused port, stopped at the end) and
# reads the number of packets and one field back with queries.
#   influx_roundtrip.sh DECODER CAPTURE
# Exits 77 (skipped) where influxd is not installed.
set -euo pipefail
decoder=$1
capture=$2
if ! command -v influxd >/dev/null || ! command -v curl >/dev/null; then
  echo "skipped: influxd or curl is not installed (Debian packages influxdb, curl; ./test.sh installs them)"
  exit 77
fi

tmp=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

free_port() {
  local port
  for _ in $(seq 1 50); do
    port=$((20000 + RANDOM % 30000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
  return 1
}
http=$(free_port)
rpc=$(free_port)
cat >"$tmp/influxdb.conf" <<CONF
reporting-disabled = true
bind-address = "127.0.0.1:$rpc"
[meta]
  dir = "$tmp/meta"
[data]
  dir = "$tmp/data"
  wal-dir = "$tmp/wal"
  query-log-enabled = false
[monitor]
  store-enabled = false
[http]
  bind-address = "127.0.0.1:$http"
  log-enabled = false
[continuous_queries]
  enabled = false
CONF
influxd run -config "$tmp/influxdb.conf" >"$tmp/influxd.log" 2>&1 &
pid=$!
url="http://127.0.0.1:$http"
for _ in $(seq 1 100); do
  curl -sf "$url/ping" >/dev/null 2>&1 && break
  sleep 0.2
done
curl -sf "$url/ping" >/dev/null || { cat "$tmp/influxd.log"; echo "influxd did not start"; exit 1; }

"$decoder" -q --influx "$tmp/lines.txt" "$capture"
kind1=$(grep -c ',kind=1 ' "$tmp/lines.txt")
first=$(grep -m1 ',kind=1 ' "$tmp/lines.txt")
volts=$(echo "$first" | grep -o 'Batt\\ volts=[^,]*' | cut -d= -f2)

query() { curl -sS -G "$url/query" --data-urlencode "db=norvane" --data-urlencode "q=$1"; }
curl -sS -XPOST "$url/query" --data-urlencode "q=CREATE DATABASE norvane" >/dev/null
curl -sSf -XPOST "$url/write?db=norvane&precision=ns" --data-binary @"$tmp/lines.txt"

count=$(query "SELECT count(\"Batt volts\") FROM norvane WHERE kind='1'")
echo "count: $count"
echo "$count" | grep -q "\"count\"\\],\"values\":\\[\\[\"1970-01-01T00:00:00Z\",$kind1\\]\\]" \
  || { echo "expected $kind1 packets of kind 1"; exit 1; }
value=$(query "SELECT \"Batt volts\" FROM norvane WHERE kind='1' ORDER BY time LIMIT 1")
echo "first: $value"
echo "$value" | grep -q "\"values\":\\[\\[\"2016-03-17T10:15:00Z\",$volts\\]\\]" \
  || { echo "expected Batt volts $volts at 2016-03-17T10:15:00Z"; exit 1; }
echo "InfluxDB holds the $kind1 packets of kind 1 with their values"

# The capture read twice: every packet has a twin of the same millisecond,
# and InfluxDB still keeps a point for each.
"$decoder" -q --influx "$tmp/twice.txt" "$capture" "$capture"
curl -sS -XPOST "$url/query" --data-urlencode "q=CREATE DATABASE twice" >/dev/null
curl -sSf -XPOST "$url/write?db=twice&precision=ns" --data-binary @"$tmp/twice.txt"
packets=$(grep -c ',kind=1 ' "$tmp/twice.txt")
[ "$packets" -eq $((2 * kind1)) ] || { echo "expected $((2 * kind1)) lines of kind 1, not $packets"; exit 1; }
count=$(curl -sS -G "$url/query" --data-urlencode "db=twice" \
  --data-urlencode "q=SELECT count(\"Batt volts\") FROM norvane WHERE kind='1'")
echo "twice: $count"
echo "$count" | grep -q "\"values\":\\[\\[\"1970-01-01T00:00:00Z\",$packets\\]\\]" \
  || { echo "expected $packets points of kind 1, one per packet"; exit 1; }
echo "InfluxDB holds a point for each of the $packets packets that share their milliseconds in pairs"
