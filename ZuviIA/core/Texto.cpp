#include "core/Texto.h"

#include <QLocale>
#include <QTextBoundaryFinder>

namespace Texto {

QString plegar(const QString& texto, bool conDigitos)
{
    static const QLocale espanol(QLocale::Spanish, QLocale::Spain);
    const QString descompuesto = espanol.toLower(texto.normalized(QString::NormalizationForm_C))
                                     .normalized(QString::NormalizationForm_D);
    QString sinMarcas;
    sinMarcas.reserve(descompuesto.size());
    for (const char32_t c : descompuesto.toUcs4()) {
        const auto categoria = QChar::category(c);
        if (categoria == QChar::Mark_NonSpacing || categoria == QChar::Mark_SpacingCombining
            || categoria == QChar::Mark_Enclosing)
            continue;
        if (QChar::isSpace(c)) {
            sinMarcas += QLatin1Char(' ');
        } else if (QChar::isLetter(c) || (conDigitos && QChar::isDigit(c))) {
            sinMarcas += QString::fromUcs4(&c, 1);
        }
    }
    return sinMarcas;
}

int longitud(const QString& texto)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, texto);
    int n = 0;
    while (finder.toNextBoundary() > 0)
        ++n;
    return n;
}

QString primeros(const QString& texto, int cuantos)
{
    if (cuantos <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, texto);
    int n = 0;
    qsizetype corte = 0;
    while (n < cuantos) {
        const qsizetype siguiente = finder.toNextBoundary();
        if (siguiente < 0)
            return texto;
        corte = siguiente;
        ++n;
    }
    return texto.left(corte);
}

QString ultimos(const QString& texto, int cuantos)
{
    if (cuantos <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, texto);
    finder.toEnd();
    int n = 0;
    qsizetype corte = texto.size();
    while (n < cuantos) {
        const qsizetype anterior = finder.toPreviousBoundary();
        if (anterior < 0)
            return texto;
        corte = anterior;
        ++n;
    }
    return texto.mid(corte);
}

}
