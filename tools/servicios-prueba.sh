#!/usr/bin/env bash
# Runs a command with the services the tests meet for real: a private D-Bus
# session bus and a PulseAudio server with virtual devices. Everything it
# starts is stopped when the command ends.
set -euo pipefail

runtime=$(mktemp -d /tmp/zuvi-runtime.XXXXXX)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
pids=()
limpiar() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$runtime"
}
trap limpiar EXIT

if command -v dbus-daemon >/dev/null; then
  eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
    read -r addr; read -r pid; echo "export DBUS_SESSION_BUS_ADDRESS='$addr'; pids+=($pid)"; })"
fi

"$@"
