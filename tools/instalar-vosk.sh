#!/usr/bin/env bash
# Puts the speech recognizer in place: libvosk.so from the npm package
# "vosk" and, when the network allows, the small Spanish model.
#   tools/instalar-vosk.sh [--sin-modelo] [carpeta]
# The folder defaults to ~/.local/share/ZuviIA/reconocimiento, where the
# application looks. Without a model the application runs and says that
# recognition is unavailable.
set -euo pipefail

VERSION_VOSK=0.3.39
MODELO=vosk-model-small-es-0.42
URL_MODELO=https://alphacephei.com/vosk/models/$MODELO.zip

con_modelo=1
if [ "${1:-}" = "--sin-modelo" ]; then con_modelo=0; shift; fi
destino=${1:-${XDG_DATA_HOME:-$HOME/.local/share}/ZuviIA/reconocimiento}
mkdir -p "$destino"

if ! command -v npm >/dev/null; then
  sudo_si_hace_falta() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
  sudo_si_hace_falta apt-get install -y --no-install-recommends npm
fi

temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT

if [ ! -f "$destino/libvosk.so" ]; then
  # npm pack fetches the package alone, without building its Node bindings.
  (cd "$temporal" && npm pack --silent "vosk@$VERSION_VOSK" >/dev/null)
  tar -xzf "$temporal/vosk-$VERSION_VOSK.tgz" -C "$temporal" package/lib/linux-x86_64/libvosk.so
  install -m 0755 "$temporal/package/lib/linux-x86_64/libvosk.so" "$destino/libvosk.so"
fi
echo "libvosk.so en $destino"

if [ "$con_modelo" -eq 1 ] && [ ! -d "$destino/$MODELO" ]; then
  if command -v curl >/dev/null && curl -fsSL --connect-timeout 20 --max-time 600 -o "$temporal/modelo.zip" "$URL_MODELO"; then
    python3 -m zipfile -e "$temporal/modelo.zip" "$destino"
    echo "modelo de voz en $destino/$MODELO"
  else
    echo "No se pudo descargar el modelo de voz en español; el reconocimiento quedará no disponible." >&2
    echo "Para probar el dictado, descomprima $MODELO en $destino." >&2
  fi
fi
