#!/usr/bin/env bash
# Builds and runs the demonstration: the demo web site on 127.0.0.1:8089 and the client window.
# Without a display the client runs under Xvfb, a screenshot is saved and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

port=8089
data="${QUILLARY_DEMO_DATA:-$PWD/build/demo-data}"
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ -x build/bin/quillary-demo-server ]; then
  build/bin/quillary-demo-server --port "$port" --data "$data" &
  server_pid=$!
  for _ in $(seq 1 300); do
    curl -fsS -o /dev/null "http://127.0.0.1:$port/quillary/webdocumentlist.asp" && break
    kill -0 "$server_pid" 2>/dev/null || { echo "demo server failed to start" >&2; exit 1; }
    sleep 0.2
  done
  echo "demo web site: http://127.0.0.1:$port/quillary/webdocumentlist.asp"
fi

if [ -n "${DISPLAY:-}" ]; then
  build/bin/quillary-demo
  exit 0
fi

mkdir -p shots
shot="$PWD/shots/demo.png"
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  build/bin/quillary-demo & app=$!
  sleep "${QUILLARY_DEMO_SECONDS:-12}"
  import -window root "$1"
  kill $app 2>/dev/null; wait $app 2>/dev/null || true
' _ "$shot"
echo "screenshot: $shot"
