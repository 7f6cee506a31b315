#include "setup/ScriptsInstalador.h"

#include "core/Texto.h"

#include <QRegularExpression>

namespace ScriptsInstalador {

namespace {

// Installs uv when it is missing: Homebrew when present, else uv's own
// installer downloaded to a file, checked and then run (never piped).
const char* const instalarUv = R"SH(if ! command -v uv >/dev/null 2>&1; then
  if command -v brew >/dev/null 2>&1; then
    brew install uv
  else
    t="$(mktemp -d)"
    curl -fsSL -o "$t/uv.sh" https://astral.sh/uv/install.sh
    if [ ! -s "$t/uv.sh" ]; then echo "El instalador de uv llegó vacío."; exit 1; fi
    sh "$t/uv.sh"
    rm -rf "$t"
  fi
  export PATH="$HOME/.local/bin:$PATH"
fi
)SH";

const char* const claudeCode = R"SH(t="$(mktemp -d)" || exit 1
if ! curl -fsSL -o "$t/install.sh" https://claude.ai/install.sh; then
  echo "No se pudo descargar el instalador de Claude Code."
  rm -rf "$t"; exit 1
fi
if [ ! -s "$t/install.sh" ]; then
  echo "El instalador de Claude Code llegó vacío."
  rm -rf "$t"; exit 1
fi
bash "$t/install.sh"
r=$?
rm -rf "$t"
exit $r
)SH";

const char* const codex = R"SH(if command -v npm >/dev/null 2>&1; then
  npm install -g --prefix "$HOME/.local" @openai/codex
else
  arq="$(uname -m | sed 's/arm64/aarch64/')"
  t="$(mktemp -d)" || exit 1
  trap 'rm -rf "$t"' EXIT
  mkdir -p "$HOME/.local/bin" && cd "$t" &&
  curl -fsSL -o codex.tar.gz "https://github.com/openai/codex/releases/latest/download/codex-$arq-unknown-linux-musl.tar.gz" &&
  [ -s codex.tar.gz ] && tar xzf codex.tar.gz &&
  mv codex-*-unknown-linux-musl "$HOME/.local/bin/codex" && chmod +x "$HOME/.local/bin/codex"
fi
)SH";

// The desktop application has no Linux build: say so instead of sending
// the user to a page with nothing for this system.
const char* const claudeApp = R"SH(echo "Claude para computador no tiene versión para Linux. Zuvi IA usa Claude Code en su lugar."
exit 1
)SH";

const char* const blender = R"SH(set -e
)SH";

const char* const blenderResto = R"SH(if [ ! -d "$HOME/blender_mcp/.git" ]; then
  git clone --depth 1 --branch "$2" "$1" "$HOME/blender_mcp"
fi
(cd "$HOME/blender_mcp/mcp" && uv sync --quiet)
if command -v blender >/dev/null 2>&1; then
  bl() { blender "$@"; }
elif command -v flatpak >/dev/null 2>&1 && flatpak info org.blender.Blender >/dev/null 2>&1; then
  bl() { flatpak run org.blender.Blender "$@"; }
elif [ -x /snap/bin/blender ]; then
  bl() { /snap/bin/blender "$@"; }
else
  echo "No encuentro Blender."; exit 1
fi
V="$(bl --version 2>/dev/null | sed -n 's/^Blender \([0-9][0-9]*\.[0-9][0-9]*\).*/\1/p' | head -n 1)"
mayor="${V%%.*}"; menor="${V#*.}"
if [ -z "$V" ] || [ "$mayor" -lt 4 ] || { [ "$mayor" -eq 4 ] && [ "$menor" -lt 2 ]; }; then
  echo "Blender ${V:-de versión desconocida} no sirve: el complemento necesita Blender 4.2 o posterior."
  exit 1
fi
U="$(bl --background --factory-startup --python-expr "import bpy;print('USERDIR='+bpy.utils.resource_path('USER'))" 2>/dev/null | sed -n 's/^USERDIR=//p' | head -n 1)"
if [ -z "$U" ]; then
  echo "Blender no dijo cuál es su carpeta de usuario: no se pudo instalar el complemento."
  exit 1
fi
mkdir -p "$U/extensions/user_default/mcp"
cp -a "$HOME/blender_mcp/addon/blender_mcp_addon/." "$U/extensions/user_default/mcp/"
find "$U/extensions/user_default/mcp" -name __pycache__ -prune -exec rm -rf {} +
bl --background --python-expr "import bpy; bpy.ops.preferences.addon_enable(module='bl_ext.user_default.mcp'); bpy.ops.wm.save_userpref()" >/dev/null 2>&1 || true
echo "Complemento MCP activado en Blender."
if ! claude mcp get blender >/dev/null 2>&1; then
  claude mcp add --scope user blender -- uv --directory "$HOME/blender_mcp/mcp" run blender-mcp
fi
if command -v codex >/dev/null 2>&1; then
  if ! codex mcp list 2>/dev/null | grep -q '^blender'; then
    codex mcp add blender -- uv --directory "$HOME/blender_mcp/mcp" run blender-mcp
  fi
fi
echo "Blender conectado."
)SH";

// $1 voice folder, $2 voice model, $3 completion marker, $4 design model,
// $5 the voice service, $6 the download in GB as the user is told.
const char* const vozInicio = R"SH(set -e
D="$1"
case "$(uname -m)" in
  x86_64|aarch64) ;;
  *) echo "✗ La voz neural necesita un computador de 64 bits (x86_64 o aarch64)."; exit 1 ;;
esac
mkdir -p "$D"
echo "Comprobando la conexión…"
r=0
curl -fsS -m 20 -o "$D/.modelo-base.json" "https://huggingface.co/api/models/$2?blobs=true" &&
  curl -fsS -m 20 -o "$D/.modelo-diseno.json" "https://huggingface.co/api/models/$4?blobs=true" || r=$?
case $r in
  0) ;;
  # No name resolution, no connection, no answer in time.
  5|6|7|28|35|56)
    rm -f "$D/.modelo-base.json" "$D/.modelo-diseno.json"
    echo "✗ Se necesita conexión a internet para descargar la voz natural (~$6 GB)."
    exit 1 ;;
  *)
    rm -f "$D/.modelo-base.json" "$D/.modelo-diseno.json"
    echo "✗ Hugging Face no entregó la información de la voz natural. Inténtalo más tarde."
    exit 1 ;;
esac
echo "Comprobando el espacio en disco…"
# The models' own file sizes, plus room for Python and its packages.
modelos=$(python3 -c 'import json, sys
print(sum(int(f.get("size") or 0) for p in sys.argv[1:] for f in json.load(open(p)).get("siblings", [])))' \
  "$D/.modelo-base.json" "$D/.modelo-diseno.json" 2>/dev/null || echo 0)
rm -f "$D/.modelo-base.json" "$D/.modelo-diseno.json"
[ "$modelos" -gt 0 ] 2>/dev/null || modelos=$(( $6 * 1000000000 ))
necesita=$(( (modelos + 4000000000) / 1000000000 + 1 ))
libres=$(( $(df -Pk "$D" | awk 'NR==2 {print $4}') / 1000000 ))
if [ "$libres" -lt "$necesita" ]; then
  echo "✗ No hay espacio suficiente: la voz natural necesita unos $necesita GB libres y quedan $libres GB."
  exit 1
fi
)SH";

// Nothing is touched before the checks pass: offline, an earlier install
// keeps working.
const char* const vozResto = R"SH(rm -f "$D/$3"
echo "Preparando Python…"
uv venv --python 3.12 --allow-existing "$D/.venv"
echo "Instalando PyTorch para CPU…"
uv pip install --python "$D/.venv/bin/python" --index-url https://download.pytorch.org/whl/cpu torch torchaudio
echo "Instalando el motor de voz (Qwen3-TTS)…"
uv pip install --python "$D/.venv/bin/python" "qwen-tts==0.1.1" numpy soundfile "sherpa-onnx==2.0.3" huggingface_hub
echo "Descargando el modelo de huellas de voz (~30 MB)…"
mkdir -p "$D/modelos"
if [ ! -f "$D/modelos/huella_voz.onnx" ]; then
  curl -fsSL -o "$D/modelos/huella_voz.onnx.parte" https://github.com/k2-fsa/sherpa-onnx/releases/download/speaker-recongition-models/3dspeaker_speech_campplus_sv_en_voxceleb_16k.onnx
  if [ ! -s "$D/modelos/huella_voz.onnx.parte" ]; then echo "✗ El modelo de huellas llegó vacío."; exit 1; fi
  mv "$D/modelos/huella_voz.onnx.parte" "$D/modelos/huella_voz.onnx"
fi
echo "Descargando el modelo de voz…"
"$D/.venv/bin/python" -c 'import sys; from huggingface_hub import snapshot_download; snapshot_download(sys.argv[1])' "$2"
echo "Descargando el modelo para diseñar voces…"
"$D/.venv/bin/python" -c 'import sys; from huggingface_hub import snapshot_download; snapshot_download(sys.argv[1])' "$4"
echo "Probando la voz natural…"
ZUVIIA_VOZ_DIR="$D" ZUVIIA_MODELO="$2" ZUVIIA_MODELO_DISENO="$4" HF_HUB_OFFLINE=1 TOKENIZERS_PARALLELISM=false \
  "$D/.venv/bin/python" "$5" --comprobar
: > "$D/$3"
echo "Voz neural instalada."
)SH";

}

QString lineaPath()
{
    return QStringLiteral("export PATH=\"$HOME/.local/bin:/opt/homebrew/bin:/usr/local/bin:$PATH\"\n");
}

QString completo(const QString& comando) { return lineaPath() + comando; }

bool instalable(Agente a) { return a != Agente::claudeApp; }

QString instalarAgente(Agente a)
{
    switch (a) {
    case Agente::claudeCode: return QString::fromUtf8(claudeCode);
    case Agente::codex: return QString::fromUtf8(codex);
    case Agente::claudeApp: return QString::fromUtf8(claudeApp);
    }
    return {};
}

QString prueba(Agente a)
{
    if (a == Agente::codex)
        return QStringLiteral("codex exec --skip-git-repo-check 'Responde solo con la palabra OK'");
    return QStringLiteral("claude -p 'Responde solo con la palabra OK'");
}

QString inicioSesion(Agente a)
{
    const QString comando = a == Agente::codex ? QStringLiteral("codex login") : QStringLiteral("claude");
    // Keeps the window open after a sign-in that ends by itself.
    return completo(comando + QStringLiteral("\necho\nprintf 'Pulsa Intro para cerrar.'\nread _\n"));
}

bool respondioOk(const QString& salida)
{
    static const QRegularExpression palabra(QStringLiteral("(?<![\\p{L}\\p{N}_])ok(?![\\p{L}\\p{N}_])"),
                                            QRegularExpression::CaseInsensitiveOption);
    return palabra.match(salida).hasMatch();
}

QString agotado(std::chrono::milliseconds limite)
{
    const auto segundos = std::max<qint64>(1, (limite.count() + 999) / 1000);
    if (segundos >= 60 && segundos % 60 == 0)
        return QStringLiteral("Se detuvo tras %1 min sin terminar.").arg(segundos / 60);
    return QStringLiteral("Se detuvo tras %1 s sin terminar.").arg(segundos);
}

QString falloPrueba(const QString& salida, bool seAgoto, std::chrono::milliseconds limite)
{
    if (seAgoto)
        return QStringLiteral("No respondió a tiempo. ") + agotado(limite);
    const QString limpio = salida.trimmed();
    if (limpio.isEmpty())
        return QStringLiteral("No respondió. Inicia sesión primero.");
    return Texto::ultimos(limpio, 160);
}

EstadoPaso trasInstalar(bool detectado, const std::optional<QString>& version, bool ok, bool seAgoto,
                        std::chrono::milliseconds limite)
{
    if (detectado)
        return EstadoPaso::listo(version);
    if (seAgoto)
        return EstadoPaso::error(QStringLiteral("Falló la instalación. ") + agotado(limite));
    if (ok)
        return EstadoPaso::error(QStringLiteral("Instalado, pero no lo encuentro. Reinicia la app."));
    return EstadoPaso::error(QStringLiteral("Falló la instalación. Revisa el registro."));
}

QString sondaBlender()
{
    return QStringLiteral(
        "if command -v blender >/dev/null 2>&1; then echo blender\n"
        "elif command -v flatpak >/dev/null 2>&1 && flatpak info org.blender.Blender >/dev/null 2>&1; then echo flatpak\n"
        "elif [ -x /snap/bin/blender ]; then echo snap\nfi\n");
}

QString conectarBlender()
{
    return QString::fromUtf8(blender) + QString::fromUtf8(instalarUv) + QString::fromUtf8(blenderResto);
}

QString instalarVoz()
{
    return QString::fromUtf8(vozInicio) + QString::fromUtf8(instalarUv) + QString::fromUtf8(vozResto);
}

QString falloVoz(const QString& salida, bool agotado, std::chrono::milliseconds limite)
{
    if (agotado)
        return QStringLiteral("No se pudo instalar. ") + ScriptsInstalador::agotado(limite);
    const QString marca = QStringLiteral("✗ ");
    const QStringList lineas = salida.split(QLatin1Char('\n'));
    for (auto l = lineas.crbegin(); l != lineas.crend(); ++l)
        if (l->startsWith(marca))
            return l->mid(marca.size()).trimmed();
    return QStringLiteral("No se pudo instalar. Revisa el registro.");
}

QStringList terminales()
{
    return {QStringLiteral("x-terminal-emulator"), QStringLiteral("gnome-terminal"), QStringLiteral("konsole"),
            QStringLiteral("xfce4-terminal"), QStringLiteral("xterm")};
}

QStringList argumentosTerminal(const QString& terminal, const QStringList& programa)
{
    if (terminal.endsWith(QLatin1String("gnome-terminal")))
        return QStringList{QStringLiteral("--")} + programa;
    if (terminal.endsWith(QLatin1String("xfce4-terminal")))
        return QStringList{QStringLiteral("-x")} + programa;
    return QStringList{QStringLiteral("-e")} + programa;
}

}
