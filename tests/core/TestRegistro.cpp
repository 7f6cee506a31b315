#include "comun/HogarTemporal.h"
#include "core/Registro.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

#include <thread>
#include <vector>

namespace {

QStringList lineasDelArchivo()
{
    QFile f(Registro::archivo());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString todo = QString::fromUtf8(f.readAll());
    if (todo.endsWith('\n'))
        todo.chop(1);
    return todo.split('\n');
}

}

class TestRegistro : public QObject {
    Q_OBJECT

    HogarTemporal hogar;

private slots:
    void formatoDeLinea_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("linea");
        QTest::newRow("hola") << "hola" << "2026-03-09 09:05:03.007  hola\n";
        QTest::newRow("vacío") << "" << "2026-03-09 09:05:03.007  \n";
        QTest::newRow("varias lineas") << "a\nb" << "2026-03-09 09:05:03.007  a\nb\n";
    }

    void formatoDeLinea()
    {
        QFETCH(QString, texto);
        const QDateTime momento(QDate(2026, 3, 9), QTime(9, 5, 3, 7));
        QTEST(Registro::linea(momento, texto), "linea");
    }

    void formatoIgnoraLaConfiguracionRegional()
    {
        // An Arabic or Thai default locale must not change digits or calendar.
        const QLocale antes;
        QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
        const QString l = Registro::linea(QDateTime(QDate(2026, 3, 9), QTime(9, 5, 3, 7)), "x");
        QLocale::setDefault(QLocale(QLocale::Thai, QLocale::Thailand));
        const QString t = Registro::linea(QDateTime(QDate(2026, 3, 9), QTime(9, 5, 3, 7)), "x");
        QLocale::setDefault(antes);
        QCOMPARE(l, QStringLiteral("2026-03-09 09:05:03.007  x\n"));
        QCOMPARE(t, l);
    }

    void archivoEnLaCarpetaDeEstado()
    {
        QCOMPARE(Registro::archivo(), hogar.en(".local/state/ZuviIA/zuvi.log"));
    }

    void rafagaDeVariosHilos()
    {
        QFile::remove(Registro::archivo());
        constexpr int hilos = 6;
        constexpr int porHilo = 300;
        std::vector<std::thread> trabajadores;
        for (int h = 0; h < hilos; ++h)
            trabajadores.emplace_back([h] {
                for (int i = 0; i < porHilo; ++i)
                    Registro::anotar(QStringLiteral("hilo %1 línea %2").arg(h).arg(i));
            });
        for (auto& t : trabajadores)
            t.join();
        Registro::vaciar();

        const QStringList lineas = lineasDelArchivo();
        QCOMPARE(lineas.size(), hilos * porHilo);
        const QRegularExpression forma(QStringLiteral(
            R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  hilo (\d) línea (\d+)$)"));
        std::vector<int> siguiente(hilos, 0);
        for (const QString& l : lineas) {
            const auto m = forma.match(l);
            QVERIFY2(m.hasMatch(), qPrintable(l));
            const int h = m.captured(1).toInt();
            QCOMPARE(m.captured(2).toInt(), siguiente[h]);
            ++siguiente[h];
        }
    }

    void archivoBorradoSeRecrea()
    {
        Registro::anotar("antes");
        Registro::vaciar();
        QVERIFY(QFile::remove(Registro::archivo()));
        Registro::anotar("después");
        Registro::vaciar();
        const QStringList lineas = lineasDelArchivo();
        QCOMPARE(lineas.size(), 1);
        QVERIFY(lineas.first().endsWith("  después"));
    }

    void anadeSinReemplazar()
    {
        Registro::anotar("primera");
        Registro::vaciar();
        struct stat antes {};
        QCOMPARE(::stat(QFile::encodeName(Registro::archivo()).constData(), &antes), 0);
        Registro::anotar("segunda");
        Registro::vaciar();
        struct stat despues {};
        QCOMPARE(::stat(QFile::encodeName(Registro::archivo()).constData(), &despues), 0);
        // Same file, appended in place: an existing log is never replaced.
        QCOMPARE(despues.st_ino, antes.st_ino);
        const QStringList lineas = lineasDelArchivo();
        QVERIFY(lineas.at(lineas.size() - 2).endsWith("  primera"));
        QVERIFY(lineas.last().endsWith("  segunda"));
    }
};

QTEST_GUILESS_MAIN(TestRegistro)
#include "TestRegistro.moc"
