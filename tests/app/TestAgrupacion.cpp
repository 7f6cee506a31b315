#include "app/AgrupacionConversaciones.h"

#include <QTest>
#include <QTimeZone>

using namespace AgrupacionConversaciones;

Q_DECLARE_METATYPE(AgrupacionConversaciones::Seccion)

namespace {

const QTimeZone madrid("Europe/Madrid");

QDateTime en(int anio, int mes, int dia, int hora, int minuto = 0)
{
    return QDateTime(QDate(anio, mes, dia), QTime(hora, minuto), madrid);
}

Conversacion conversacion(const QString& titulo, const QDateTime& actualizada, bool conMensajes = true)
{
    Conversacion c;
    c.id = QUuid::createUuid();
    c.titulo = titulo;
    c.actualizada = actualizada;
    if (conMensajes)
        c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Hola"));
    return c;
}

}

// How the sidebar sorts conversations into "Hoy", "Ayer", "Últimos 7 días"
// and "Anteriores".
class TestAgrupacion : public QObject {
    Q_OBJECT

private slots:
    void seccionPorFecha_data()
    {
        QTest::addColumn<QDateTime>("actualizada");
        QTest::addColumn<QDateTime>("ahora");
        QTest::addColumn<Seccion>("esperada");
        const QDateTime ahora = en(2026, 12, 10, 9, 0);
        QTest::newRow("hoy temprano") << en(2026, 12, 10, 0, 1) << ahora << hoy;
        QTest::newRow("el reloj volvió atrás") << en(2026, 12, 12, 8, 0) << ahora << hoy;
        QTest::newRow("ayer, hace menos de 24 h") << en(2026, 12, 9, 23, 0) << ahora << ayer;
        QTest::newRow("ayer temprano") << en(2026, 12, 9, 0, 0) << ahora << ayer;
        QTest::newRow("anteayer") << en(2026, 12, 8, 9, 0) << ahora << ultimos7;
        QTest::newRow("6 días") << en(2026, 12, 4, 9, 0) << ahora << ultimos7;
        QTest::newRow("7 días") << en(2026, 12, 3, 9, 0) << ahora << anteriores;
        QTest::newRow("7 fechas atrás, 6 días enteros") << en(2026, 12, 3, 20, 0) << ahora << ultimos7;
        // Spring forward on 29 March: 7 calendar days hold only 167 hours.
        QTest::newRow("7 días con cambio de hora") << en(2026, 3, 23, 1, 30) << en(2026, 3, 30, 1, 30) << anteriores;
        QTest::newRow("6 días con cambio de hora") << en(2026, 3, 24, 1, 30) << en(2026, 3, 30, 1, 30) << ultimos7;
        QTest::newRow("otra zona horaria, mismo día local")
            << QDateTime(QDate(2026, 12, 9), QTime(23, 30), Qt::UTC) << ahora << hoy;
        QTest::newRow("sin fecha") << QDateTime() << ahora << anteriores;
    }

    void seccionPorFecha()
    {
        QFETCH(QDateTime, actualizada);
        QFETCH(QDateTime, ahora);
        QTEST(seccion(actualizada, ahora), "esperada");
    }

    void agrupa()
    {
        const QDateTime ahora = en(2026, 12, 10, 9, 0);
        const QDateTime mismaHora = en(2026, 12, 10, 8, 0);
        const QList<Conversacion> lista{
            conversacion("vieja", en(2026, 11, 1, 9, 0)),
            conversacion("hoy A", mismaHora),
            conversacion("vacía", ahora, false),
            conversacion("ayer", en(2026, 12, 9, 12, 0)),
            conversacion("hoy B", mismaHora),
            conversacion("hoy reciente", en(2026, 12, 10, 8, 30)),
            conversacion("vacía elegida", ahora, false),
        };
        const auto grupos = agrupar(lista, lista[6].id, ahora);
        const QList<Grupo> esperados{{hoy, {6, 5, 1, 4}}, {ayer, {3}}, {anteriores, {0}}};
        QCOMPARE(grupos, esperados);
        QCOMPARE(agrupar(lista, std::nullopt, ahora).first().filas, (QList<qsizetype>{5, 1, 4}));
        QCOMPARE(titulo(hoy), QStringLiteral("Hoy"));
        QCOMPARE(titulo(ayer), QStringLiteral("Ayer"));
        QCOMPARE(titulo(ultimos7), QStringLiteral("Últimos 7 días"));
        QCOMPARE(titulo(anteriores), QStringLiteral("Anteriores"));
    }

    // Only empty conversations, none selected: nothing is listed.
    void soloVacias()
    {
        const QDateTime ahora = en(2026, 12, 10, 9, 0);
        QVERIFY(agrupar({conversacion("a", ahora, false), conversacion("b", ahora, false)}, std::nullopt, ahora).isEmpty());
    }

    void fila_data()
    {
        QTest::addColumn<bool>("reunion");
        QTest::addColumn<QStringList>("asistentes");
        QTest::addColumn<QStringList>("respuestas");
        QTest::addColumn<QString>("subtitulo");
        QTest::addColumn<QString>("simbolo");
        QTest::newRow("reunión con asistentes") << true << QStringList{"Ana", "Luis"} << QStringList{"Listo"}
                                                << "Ana, Luis" << "person.3.fill";
        QTest::newRow("reunión sin asistentes") << true << QStringList{} << QStringList{"Primera", "Última"}
                                                << "Última" << "person.3.fill";
        QTest::newRow("respuesta de varias líneas") << false << QStringList{} << QStringList{"Uno\ndos\n\ntres"}
                                                    << "Uno dos  tres" << "folder";
        QTest::newRow("sin respuesta") << false << QStringList{} << QStringList{} << "" << "folder";
    }

    void fila()
    {
        QFETCH(bool, reunion);
        QFETCH(QStringList, asistentes);
        QFETCH(QStringList, respuestas);
        Conversacion c = conversacion("c", en(2026, 12, 10, 8, 0));
        c.esReunion = reunion;
        if (reunion)
            c.asistentes = asistentes;
        for (const QString& r : respuestas) {
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, r, AgenteCLI::claude);
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("después"));
        }
        QTEST(subtitulo(c), "subtitulo");
        QTEST(simbolo(c), "simbolo");
    }
};

QTEST_GUILESS_MAIN(TestAgrupacion)
#include "TestAgrupacion.moc"
