#include "assistant/ClaveSesion.h"

#include <QStringList>

QString ClaveSesion::texto() const
{
    QString unida = QStringList{carpeta, nivel, modelo, contexto, instrucciones,
                                reanudar.value_or(QStringLiteral("nueva"))}
                        .join(QLatin1Char('|'));
    if (copia)
        unida += QStringLiteral("|copia");
    return unida;
}
