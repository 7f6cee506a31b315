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

# A private PulseAudio server with two null outputs and a microphone fed from
# a pipe (tests write float samples into $ZUVI_PULSE_PRUEBA/microfono.pipe).
# As root it warns and runs. Tests that change devices run only when
# ZUVI_PULSE_PRUEBA is set, so they never touch a developer's own server.
if command -v pulseaudio >/dev/null; then
  pulso=$runtime/pulse
  mkdir -p "$pulso"
  {
    echo "load-module module-native-protocol-unix auth-anonymous=1 socket=$pulso/native"
    echo "load-module module-null-sink sink_name=zuvi_altavoz sink_properties='device.description=\"Altavoz de prueba\"'"
    echo "load-module module-null-sink sink_name=zuvi_auriculares sink_properties='device.description=\"Auriculares de prueba\"'"
    echo "load-module module-pipe-source source_name=zuvi_microfono file=$pulso/microfono.pipe format=float32le rate=48000 channels=1 source_properties='device.description=\"Micrófono de prueba\"'"
    echo 'set-default-sink zuvi_altavoz'
    echo 'set-default-source zuvi_microfono'
  } >"$pulso/zuvi.pa"
  HOME=$pulso pulseaudio --daemonize=no -n --file="$pulso/zuvi.pa" --exit-idle-time=-1 \
    --disallow-exit --use-pid-file=no --log-target=file:"$pulso/registro.log" 2>/dev/null &
  pids+=($!)
  export PULSE_SERVER=unix:$pulso/native
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  if pactl info >/dev/null 2>&1; then
    export ZUVI_PULSE_PRUEBA=$pulso
  else
    echo "servicios-prueba: PulseAudio no arrancó; ver $pulso/registro.log" >&2
    cat "$pulso/registro.log" >&2 || true
  fi
fi

"$@"
