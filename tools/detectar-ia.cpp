// Prints what the AI tool detection finds on this computer, and how long
// the whole search took.
#include "core/DetectorIA.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream salida(stdout);
    QElapsedTimer reloj;
    reloj.start();
    const auto detecciones = DetectorIA::buscarTodo();
    const qint64 ms = reloj.elapsed();
    for (const auto& d : detecciones) {
        salida << d.herramienta.nombre << " (" << d.herramienta.id << ", " << valorCrudo(d.herramienta.proveedor)
               << "): ";
        if (!d.instalada())
            salida << "no instalada\n";
        else
            salida << *d.ruta << "  versión: " << d.version.value_or(QStringLiteral("desconocida")) << '\n';
    }
    salida << "Búsqueda completa en " << ms << " ms\n";
    return 0;
}
