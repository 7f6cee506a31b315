#include "setup/BancoActualizador.h"

#include "comun/HogarTemporal.h"
#include "comun/PermisosVozFalsos.h"
#include "plataforma/Ajustes.h"

#include "app/AvisoAccesibilidad.h"
#include "app/AvisoActualizacion.h"
#include "app/AvisoAlmacen.h"
#include "vistas/IndicadorActividad.h"
#include "app/TarjetaAviso.h"
#include "vistas/TextoCorto.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;
using Caso = EstadoActualizacion::Caso;
using Vista = AvisoActualizacion::Vista;

Q_DECLARE_METATYPE(Vista)

namespace {

bool muestra(QWidget* w) { return w && w->isVisible(); }

}

class TestAvisos : public QObject {
    Q_OBJECT

    HogarTemporal hogar;
    Ajustes ajustes{hogar.en(".config/avisos.conf")};

private slots:
    void recortar_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("corto") << "Arregla el micrófono." << "Arregla el micrófono.";
        QTest::newRow("marcado tal cual") << "<b>hola</b> <a href=\"x\">y</a>" << "<b>hola</b> <a href=\"x\">y</a>";
        QTest::newRow("tres líneas en dos") << "uno\ndos\ntres" << "uno\ndos…";
        QTest::newRow("dos líneas enteras") << "uno\r\ndos" << "uno\ndos";
    }

    void recortar()
    {
        QFETCH(QString, texto);
        QFETCH(QString, esperado);
        QCOMPARE(TextoCorto::recortar(texto, QFont(), 400, 2), esperado);
    }

    // A long paragraph at a narrow width: two lines, the second elided.
    void recortarLargo()
    {
        const QString largo = QString("palabra ").repeated(80);
        const QString r = TextoCorto::recortar(largo, QFont(), 200, 2);
        QCOMPARE(r.count('\n'), 1);
        QVERIFY(r.endsWith(QChar(0x2026)));
        const QFontMetrics medidas{QFont()};
        for (const QString& linea : r.split('\n'))
            QVERIFY(medidas.horizontalAdvance(linea) <= 200);
    }

    void vista_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<Vista>("vista");
        QTest::addColumn<QString>("progreso");
        QTest::newRow("al día") << int(Caso::alDia) << Vista::nada << "";
        QTest::newRow("buscando") << int(Caso::buscando) << Vista::nada << "";
        QTest::newRow("error") << int(Caso::error) << Vista::nada << "";
        QTest::newRow("disponible") << int(Caso::disponible) << Vista::tarjeta << "";
        QTest::newRow("lista") << int(Caso::lista) << Vista::tarjeta << "";
        QTest::newRow("descargando") << int(Caso::descargando) << Vista::progreso << "Descargando la actualización…";
        QTest::newRow("instalando") << int(Caso::instalando) << Vista::progreso << "Instalando la actualización…";
    }

    void vista()
    {
        QFETCH(int, caso);
        QFETCH(Vista, vista);
        QFETCH(QString, progreso);
        const EstadoActualizacion e{Caso(caso), {}};
        QCOMPARE(AvisoActualizacion::vista(e), vista);
        if (!progreso.isEmpty())
            QCOMPARE(AvisoActualizacion::progreso(e), progreso);
    }

    void actualizarAhora_data()
    {
        QTest::addColumn<bool>("bajadaAntes");
        QTest::addColumn<int>("estadoArchivo");
        QTest::addColumn<int>("lanzados");
        QTest::addColumn<bool>("visible");
        QTest::newRow("disponible: baja y luego instala") << false << 200 << 1 << true;
        QTest::newRow("lista: solo instala") << true << 200 << 1 << true;
        QTest::newRow("descarga fallida: nada") << false << 404 << 0 << false;
    }

    // The button of the card against the real updater and a loopback server.
    void actualizarAhora()
    {
        QFETCH(bool, bajadaAntes);
        QFETCH(int, estadoArchivo);
        QFETCH(int, lanzados);
        QFETCH(bool, visible);
        Banco b;
        QWidget marco;
        marco.resize(640, 160);
        auto& aviso = *new AvisoActualizacion(*b.act, &marco);
        aviso.resize(640, 120);
        marco.show();
        QVERIFY(!aviso.isVisible());
        b.revisar();
        if (bajadaAntes)
            b.bajar();
        QVERIFY(muestra(aviso.tarjeta()));
        QCOMPARE(aviso.tarjeta()->titulo()->text(), QStringLiteral("Hay una versión nueva de Zuvi IA (1.3)"));
        QCOMPARE(aviso.tarjeta()->detalle()->completo(), QStringLiteral("Notas 1.3"));
        const int pedidos = b.servidor.pedidos(b.rutaArchivo());
        b.servidor.servir(b.rutaArchivo(), {estadoArchivo, b.zip});
        aviso.findChild<QPushButton*>("actualizarAhora")->click();
        if (!bajadaAntes) {
            QCOMPARE(b.act->estado().caso, Caso::descargando);
            QVERIFY(muestra(aviso.lineaProgreso()));
            QVERIFY(!muestra(aviso.tarjeta()));
            QCOMPARE(aviso.lineaProgreso()->texto(), QStringLiteral("Descargando la actualización…"));
        }
        QVERIFY(b.reposa());
        QCOMPARE(b.lanzados.size(), lanzados);
        QCOMPARE(b.servidor.pedidos(b.rutaArchivo()), pedidos + (bajadaAntes ? 0 : 1));
        QCOMPARE(aviso.isVisible(), visible);
        if (visible)
            QCOMPARE(aviso.lineaProgreso()->texto(), QStringLiteral("Instalando la actualización…"));
    }

    // The notes are not covered by the signature: never rich text, never
    // more than two lines.
    void notasComoTextoPlano()
    {
        Banco b;
        const QString notas = "<a href=\"https://mal.example\">Haz clic</a> <img src=x>\n" + QString("Más. ").repeated(200);
        b.publicar(13, "1.3", notas);
        QWidget marco;
        auto& aviso = *new AvisoActualizacion(*b.act, &marco);
        aviso.resize(560, 120);
        marco.show();
        b.revisar();
        TextoCorto* detalle = aviso.tarjeta()->detalle();
        QCOMPARE(detalle->completo(), notas);
        QCOMPARE(detalle->textFormat(), Qt::PlainText);
        QVERIFY(!detalle->openExternalLinks());
        QVERIFY(detalle->text().startsWith("<a href=\"https://mal.example\">Haz clic</a>"));
        QCOMPARE(detalle->text().count('\n'), 1);
        QVERIFY(detalle->text().endsWith(QChar(0x2026)));
    }

    // The set-aside copy's path: the home folder as "~", nothing else shortened.
    void tituloAlmacen_data()
    {
        QTest::addColumn<QString>("apartado");
        QTest::addColumn<QString>("casa");
        QTest::addColumn<QString>("ruta");
        QTest::newRow("en casa") << "/home/ana/.local/share/ZuviIA/c.json.ilegible-1" << "/home/ana/"
                                 << "~/.local/share/ZuviIA/c.json.ilegible-1";
        QTest::newRow("casa vecina") << "/home/ana2/c" << "/home/ana" << "/home/ana2/c";
        QTest::newRow("fuera") << "/var/datos/c" << "/home/ana" << "/var/datos/c";
        QTest::newRow("casa raíz") << "/datos/c" << "/" << "/datos/c";
    }

    void tituloAlmacen()
    {
        QFETCH(QString, apartado);
        QFETCH(QString, casa);
        QFETCH(QString, ruta);
        QCOMPARE(AvisoAlmacen::titulo(apartado, casa),
                 "No pude leer tus conversaciones; guardé una copia en " + ruta + " y empecé de cero.");
    }

    void accesibilidadConcedida()
    {
        RelojFalso reloj;
        PermisosVozFalsos permisos;
        AvisoAccesibilidad aviso(permisos, reloj, ajustes, false, [](const QString&) {});
        QVERIFY(!aviso.falta());
        QVERIFY(aviso.isHidden());
        reloj.avanzar(10s);
        QCOMPARE(permisos.consultasAcceso.load(), 1);
    }

    void accesibilidadPedida()
    {
        RelojFalso reloj;
        PermisosVozFalsos permisos;
        permisos.acceso = false;
        QStringList abiertos;
        QWidget marco;
        auto& aviso = *new AvisoAccesibilidad(permisos, reloj, ajustes, false, [&](const QString& p) { abiertos << p; },
                                             &marco);
        marco.show();
        auto* boton = aviso.findChild<QPushButton*>("darPermiso");
        QVERIFY(aviso.isVisible());
        QCOMPARE(aviso.tarjeta()->titulo()->text(), QStringLiteral("Falta un permiso para controlar el computador"));
        QCOMPARE(aviso.tarjeta()->detalle()->completo(), AvisoAccesibilidad::detalle(false));
        QCOMPARE(boton->text(), QStringLiteral("Dar permiso"));
        boton->click();
        QCOMPARE(abiertos, QStringList{"Privacy_Accessibility"});
        QCOMPARE(aviso.tarjeta()->detalle()->completo(), AvisoAccesibilidad::detalle(true));
        QCOMPARE(boton->text(), QStringLiteral("Abrir de nuevo"));
        boton->click();
        QCOMPARE(abiertos.size(), 2);

        reloj.avanzar(2s);
        QVERIFY(aviso.isVisible());
        permisos.acceso = true;
        reloj.avanzar(2s);
        QVERIFY(!aviso.isVisible());
        const int consultas = permisos.consultasAcceso;
        reloj.avanzar(10s);
        QCOMPARE(permisos.consultasAcceso.load(), consultas);
    }

    void accesibilidadSeCallaAlIrse()
    {
        RelojFalso reloj;
        PermisosVozFalsos permisos;
        permisos.acceso = false;
        auto aviso = std::make_unique<AvisoAccesibilidad>(permisos, reloj, ajustes, false, [](const QString&) {});
        reloj.avanzar(2s);
        QCOMPARE(permisos.consultasAcceso.load(), 2);
        aviso.reset();
        reloj.avanzar(10s);
        QCOMPARE(permisos.consultasAcceso.load(), 2);
    }

    // Wayland grants it to nobody: the banner says so without opening
    // settings or checking again, and once dismissed never comes back.
    void accesibilidadEnWayland()
    {
        RelojFalso reloj;
        PermisosVozFalsos permisos;
        permisos.acceso = false;
        ajustes.quitar(QString::fromLatin1(AvisoAccesibilidad::claveWaylandVisto));
        QStringList abiertos;
        QWidget marco;
        auto& aviso = *new AvisoAccesibilidad(permisos, reloj, ajustes, true,
                                              [&](const QString& p) { abiertos << p; }, &marco);
        marco.show();
        QVERIFY(aviso.isVisible());
        QCOMPARE(aviso.tarjeta()->titulo()->text(), AvisoAccesibilidad::titulo(true));
        QCOMPARE(aviso.tarjeta()->detalle()->completo(), AvisoAccesibilidad::detalleWayland());
        reloj.avanzar(10s);
        QCOMPARE(permisos.consultasAcceso.load(), 1);
        auto* entendido = aviso.findChild<QPushButton*>("entendido");
        QCOMPARE(entendido->text(), QStringLiteral("Entendido"));
        entendido->click();
        QVERIFY(!aviso.isVisible());
        QVERIFY(abiertos.isEmpty());
        QVERIFY(ajustes.booleano(QString::fromLatin1(AvisoAccesibilidad::claveWaylandVisto), false));
        AvisoAccesibilidad otro(permisos, reloj, ajustes, true, [](const QString&) {});
        QVERIFY(!otro.falta());
        QVERIFY(otro.isHidden());
    }
};

QTEST_MAIN(TestAvisos)
#include "TestAvisos.moc"
