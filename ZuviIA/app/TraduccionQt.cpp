#include "app/TraduccionQt.h"

#include "core/Registro.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace TraduccionQt {

bool cargar()
{
    auto* traductor = new QTranslator(QCoreApplication::instance());
    const QString carpeta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!traductor->load(QStringLiteral("qtbase_es"), carpeta) || !QCoreApplication::installTranslator(traductor)) {
        Registro::anotar(QStringLiteral("Qt: sin traducción al español en ") + carpeta
                         + QStringLiteral(" (falta el paquete qt6-translations-l10n)"));
        delete traductor;
        return false;
    }
    return true;
}

}
