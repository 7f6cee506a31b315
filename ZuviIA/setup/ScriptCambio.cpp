#include "setup/ScriptCambio.h"

#include <algorithm>

namespace ScriptCambio {

// $1 pid, $2 installed folder, $3 verified tree, $4 expected version text,
// $5 build, $6 log. The old folder is set aside, never deleted, until the
// new one has answered with its version; any failure puts it back.
QString texto()
{
    return QStringLiteral(R"sh(pid=$1 app=$2 nueva=$3 version=$4 build=$5 registro=$6
mkdir -p "$(dirname "$registro")"
exec </dev/null >>"$registro" 2>&1
copia=$app.nuevo
anterior=$app.anterior
echo "inicio $(date '+%Y-%m-%d %H:%M:%S') build $build"
limpiar() {
  rm -rf "$copia"
  case $(basename "$(dirname "$nueva")") in ZuviIA-act-*) rm -rf "$(dirname "$nueva")" ;; esac
}
abrir() {
  if [ -x "$app/bin/zuviia" ]; then setsid "$app/bin/zuviia" >/dev/null 2>&1 & fi
}
restaurar() {
  if [ -d "$anterior" ]; then
    if [ -e "$app" ]; then rm -rf "$app"; fi
    mv "$anterior" "$app" || echo "no se pudo devolver $anterior a su lugar"
  fi
}
terminar() {
  restaurar
  limpiar
  echo "resultado: $1 $build $2"
  abrir
  exit 1
}
n=0
while kill -0 "$pid" 2>/dev/null; do
  n=$((n + 1))
  if [ "$n" -gt 200 ]; then
    limpiar
    echo "resultado: fallida $build la app no se cerró"
    exit 1
  fi
  sleep 0.3
done
if [ ! -e "$app" ] && [ -d "$anterior" ]; then mv "$anterior" "$app"; fi
rm -rf "$copia" "$anterior"
cp -a "$nueva" "$copia" || terminar fallida "no se pudo copiar la versión nueva"
"$app/bin/zuviia" --verificar-sello "$copia" "$build" || terminar rechazada "el sello de la versión nueva no es válido"
mv "$app" "$anterior" || terminar fallida "no se pudo apartar la versión instalada"
mv "$copia" "$app" || terminar fallida "no se pudo poner la versión nueva en su lugar"
[ "$(timeout 30 "$app/bin/zuviia" --version 2>/dev/null)" = "$version" ] || terminar rechazada "la versión nueva no arrancó"
rm -rf "$anterior"
limpiar
echo "resultado: instalada $build $version"
abrir
)sh");
}

QStringList argumentos(const Pedido& p)
{
    return {QStringLiteral("-c"), texto(), QStringLiteral("zuvi-actualizacion"), QString::number(p.pid), p.prefijo,
            p.nueva, p.version, QString::number(p.build), p.registro};
}

std::optional<Resultado> ultimoResultado(const QByteArray& registro)
{
    const QString marca = QStringLiteral("resultado: ");
    const QStringList lineas = QString::fromUtf8(registro).split(QLatin1Char('\n'));
    auto it = std::find_if(lineas.crbegin(), lineas.crend(), [&](const QString& l) { return l.startsWith(marca); });
    if (it == lineas.crend())
        return std::nullopt;
    const QString linea = it->mid(marca.size());
    const QString tipo = linea.section(QLatin1Char(' '), 0, 0);
    bool ok = false;
    const qint64 build = linea.section(QLatin1Char(' '), 1, 1).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    const QString detalle = linea.section(QLatin1Char(' '), 2);
    if (tipo == QLatin1String("instalada"))
        return Resultado{Resultado::Tipo::instalada, build, detalle};
    if (tipo == QLatin1String("fallida"))
        return Resultado{Resultado::Tipo::fallida, build, detalle};
    if (tipo == QLatin1String("rechazada"))
        return Resultado{Resultado::Tipo::rechazada, build, detalle};
    return std::nullopt;
}

}
