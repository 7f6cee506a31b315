#include "setup/BancoActualizador.h"

#include "comun/ModelosPrueba.h"
#include "comun/PermisosVozFalsos.h"

#include "vistas/Iconos.h"
#include "app/VentanaPrincipal.h"
#include "core/Codificacion.h"
#include "settings/SeccionActualizaciones.h"
#include "settings/SeccionAvanzado.h"
#include "settings/SeccionPersonas.h"

#include <QTest>

// The sections and the banners drawn for real on an X server, saved as
// pictures to look at.
class TestCapturaAjustes : public QObject {
    Q_OBJECT

    static void guardar(QWidget& w, const QString& nombre)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(300);
        QVERIFY(w.grab().save(QStringLiteral(ZUVI_CAPTURAS "/") + nombre));
    }

private slots:
    void initTestCase() { Iconos::prepararTema(); }

    void capturas()
    {
        ModelosPrueba m;
        m.abrir({ModelosPrueba::conversacion("Tienda web", m.reloj.ahora()),
                 ModelosPrueba::conversacion("Minuta del lunes", m.reloj.ahora())});
        const Perfil ana = m.perfiles->activar("Ana").perfil;
        const Perfil beto = m.perfiles->activar("Beto <b>Soto</b>").perfil;
        QDir(beto.carpeta()).removeRecursively();
        for (const Conversacion& c : m.almacen->conversaciones())
            m.almacen->cambiar(c.id, true, [&](Conversacion& x) { x.asistentes = QStringList{"Ana"}; });
        const QString huella = Perfiles::carpetaHuellas() + "/" + Codificacion::textoUuid(ana.id) + ".npz";
        QDir().mkpath(Perfiles::carpetaHuellas());
        QFile f(huella);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();

        SeccionPersonas personas(*m.perfiles, *m.almacen, *m.asistente, *m.modo);
        personas.resize(540, 560);
        guardar(personas, "captura-personas.png");

        Banco b;
        b.revisar();
        b.bajar();
        SeccionActualizaciones actualizaciones(*b.act, b.ajustes);
        actualizaciones.resize(540, 560);
        guardar(actualizaciones, "captura-actualizaciones.png");

        PermisosVozFalsos permisos;
        permisos.voz = false;
        permisos.acceso = false;
        SeccionAvanzado avanzado(*m.ajustes, permisos, {}, [](const QString&) {});
        avanzado.resize(540, 560);
        QVERIFY(QTest::qWaitFor([&] { return avanzado.lecturas() == 1; }));
        guardar(avanzado, "captura-avanzado.png");

        // Both banners over an empty conversation.
        Banco otro;
        otro.publicar(13, "1.3", "Corrige la escucha con audífonos Bluetooth, agrega la minuta de reuniones "
                                 "y muchas cosas más que no caben en dos líneas de este aviso, así que se cortan con puntos "
                                 "suspensivos al final de la segunda línea, sin mostrar nada más.");
        otro.revisar();
        Entorno entorno{*m.ajustes, m.reloj, *m.almacen, *m.perfiles, *m.estadoIA, *m.asistente, *m.modo};
        entorno.actualizador = otro.act.get();
        entorno.accesibilidad = &permisos;
        VentanaPrincipal ventana(entorno);
        ventana.resize(1000, 640);
        guardar(ventana, "captura-avisos.png");
    }
};

QTEST_MAIN(TestCapturaAjustes)
#include "TestCapturaAjustes.moc"
