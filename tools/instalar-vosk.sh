#!/usr/bin/env bash
# Puts the speech recognizer in place: libvosk.so from the npm package
# "vosk" and the small Spanish model. Exits non-zero when the model could
# not be installed.
#   tools/instalar-vosk.sh [--sin-modelo] [carpeta]
# The folder defaults to ~/.local/share/ZuviIA/reconocimiento, where the
# application looks. Without a model the application runs, says that
# recognition is unavailable and offers to download it.
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

# Python's own HTTP client, so nothing beyond the build's packages is needed.
descargar() {
  python3 - "$1" "$2" <<'FIN'
import sys, urllib.request
with urllib.request.urlopen(sys.argv[1], timeout=30) as r, open(sys.argv[2], "wb") as f:
    while True:
        trozo = r.read(1 << 20)
        if not trozo:
            break
        f.write(trozo)
FIN
}

completo() { [ -f "$1/am/final.mdl" ] && [ -f "$1/conf/model.conf" ]; }

if [ "$con_modelo" -eq 1 ] && ! completo "$destino/$MODELO"; then
  if descargar "$URL_MODELO" "$temporal/modelo.zip" 2>"$temporal/error" \
      && python3 -m zipfile -e "$temporal/modelo.zip" "$temporal/modelo" && completo "$temporal/modelo/$MODELO"; then
    rm -rf "${destino:?}/$MODELO"
    mv "$temporal/modelo/$MODELO" "$destino/$MODELO"
    echo "modelo de voz en $destino/$MODELO"
  else
    echo "No se instaló el modelo de voz en español: no se pudo descargar $URL_MODELO." >&2
    tail -n 1 "$temporal/error" >&2 || true
    echo "Revise la conexión a internet y vuelva a ejecutar este script, o instálelo desde el asistente de" >&2
    echo "configuración de Zuvi IA, en el paso de voz." >&2
    exit 1
  fi
fi
