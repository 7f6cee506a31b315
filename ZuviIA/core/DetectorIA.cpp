#include "core/DetectorIA.h"

#include "plataforma/Carpetas.h"
#include "plataforma/EntradaEscritorio.h"
#include "plataforma/Sonda.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QThreadPool>
#include <QtConcurrent>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace {

bool esEjecutable(const QString& ruta)
{
    const QFileInfo f(ruta);
    return f.isFile() && f.isExecutable();
}

QString shellDePasswd()
{
    std::vector<char> memoria(16384);
    passwd entrada{};
    passwd* r = nullptr;
    if (::getpwuid_r(::getuid(), &entrada, memoria.data(), memoria.size(), &r) != 0 || !r || !r->pw_shell)
        return {};
    return QString::fromLocal8Bit(r->pw_shell);
}

QStringList lineas(const QString& texto)
{
    return texto.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Each probe blocks its thread for up to 13 s; a pool of its own keeps them
// from starving the shared one and lets all five run side by side.
QThreadPool& poolDeSondas()
{
    static QThreadPool pool;
    static const bool listo = [] {
        pool.setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
        return true;
    }();
    Q_UNUSED(listo);
    return pool;
}

Deteccion buscarCLI(const HerramientaIA& h)
{
    if (!h.comando)
        return {h, std::nullopt, std::nullopt};
    const auto ruta = DetectorIA::localizarCLI(*h.comando);
    if (!ruta)
        return {h, std::nullopt, std::nullopt};
    return {h, ruta, DetectorIA::primeraLinea(DetectorIA::ejecutar(*ruta, {QStringLiteral("--version")}, 5))};
}

// Linux has no lookup by bundle identifier: "<bundle id>.desktop" and the
// entry's other known file names are looked for in the XDG data folders.
Deteccion buscarApp(const HerramientaIA& h)
{
    QStringList nombres;
    for (const QString& id : h.bundleIDs)
        nombres << id + QStringLiteral(".desktop");
    nombres << h.entradasEscritorio;
    for (const QString& nombre : nombres) {
        if (const auto ruta = EntradaEscritorio::buscar(nombre)) {
            std::optional<QString> version;
            if (const auto claves = EntradaEscritorio::leerArchivo(*ruta)) {
                const QString v = claves->value(QStringLiteral("X-AppImage-Version"));
                if (!v.isEmpty())
                    version = v;
            }
            return {h, ruta, version};
        }
    }
    return {h, std::nullopt, std::nullopt};
}

}

namespace DetectorIA {

Deteccion buscar(const HerramientaIA& herramienta)
{
    return herramienta.tipo == HerramientaIA::Tipo::cli ? buscarCLI(herramienta) : buscarApp(herramienta);
}

QList<Deteccion> buscarTodo(const QList<HerramientaIA>& herramientas)
{
    QList<QFuture<Deteccion>> tareas;
    for (const auto& h : herramientas)
        tareas << QtConcurrent::run(&poolDeSondas(), [h] { return buscar(h); });
    QList<Deteccion> resultados;
    for (auto& t : tareas)
        resultados << t.result();
    return resultados;
}

QList<Deteccion> buscarTodo() { return buscarTodo(HerramientaIA::catalogo()); }

QStringList candidatosCLI(const QString& nombre, const QString& inicio)
{
    return {inicio + QStringLiteral("/.local/bin/") + nombre,    inicio + QStringLiteral("/.claude/local/") + nombre,
            QStringLiteral("/opt/homebrew/bin/") + nombre,       QStringLiteral("/usr/local/bin/") + nombre,
            inicio + QStringLiteral("/.npm-global/bin/") + nombre, inicio + QStringLiteral("/.bun/bin/") + nombre,
            inicio + QStringLiteral("/.volta/bin/") + nombre,     inicio + QStringLiteral("/.cargo/bin/") + nombre};
}

QString shellDeSesion(const QString& deEntorno, const QString& dePasswd)
{
    static const QStringList posix{QStringLiteral("sh"), QStringLiteral("bash"), QStringLiteral("zsh"),
                                   QStringLiteral("dash"), QStringLiteral("ksh")};
    const auto esPosix = [](const QString& s) {
        return s.startsWith(QLatin1Char('/')) && posix.contains(s.section(QLatin1Char('/'), -1));
    };
    if (esPosix(deEntorno))
        return deEntorno;
    if (esPosix(dePasswd))
        return dePasswd;
    return QStringLiteral("/bin/sh");
}

QString shellDelUsuario()
{
    return shellDeSesion(qEnvironmentVariable("SHELL"), shellDePasswd());
}

std::optional<QString> primeraLinea(const std::optional<QString>& salida)
{
    const QStringList l = salida ? lineas(*salida) : QStringList{};
    return l.isEmpty() ? std::nullopt : std::optional(l.first());
}

std::optional<QString> ultimaLinea(const std::optional<QString>& salida)
{
    const QStringList l = salida ? lineas(*salida) : QStringList{};
    return l.isEmpty() ? std::nullopt : std::optional(l.last());
}

std::optional<QString> localizarCLI(const QString& nombre)
{
    const QString inicio = Carpetas::inicio();
    for (const QString& c : candidatosCLI(nombre, inicio))
        if (esEjecutable(c))
            return c;
    // An interactive login shell: Debian's ~/.bashrc returns early unless
    // the shell is interactive, and version managers set PATH after that.
    const QString shell = shellDelUsuario();
    const auto ultima = ultimaLinea(ejecutar(
        shell, {QStringLiteral("-l"), QStringLiteral("-i"), QStringLiteral("-c"), QStringLiteral("command -v ") + nombre},
        8));
    if (ultima && ultima->startsWith(QLatin1Char('/')) && esEjecutable(*ultima))
        return ultima;
    return std::nullopt;
}

std::optional<QString> ejecutar(const QString& ruta, const QStringList& argumentos, double segundos)
{
    const auto limite = std::chrono::milliseconds(static_cast<qint64>(segundos * 1000));
    const auto r = Sonda::ejecutar(ruta, argumentos, limite);
    if (!r || r->estado != 0)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texto = utf8(r->salida);
    if (utf8.hasError())
        return std::nullopt;
    return texto.trimmed();
}

}
