#include "Almacenes.h"
#include "core/Almacen.h"
#include "core/Codificacion.h"
#include "core/Perfiles.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int conversacionesHijo = 40;

Conversacion conversacion(const QString& titulo, const QDateTime& cuando, int mensajes = 2)
{
    Conversacion c;
    c.id = QUuid::createUuid();
    c.titulo = titulo;
    c.creada = c.actualizada = cuando;
    for (int i = 0; i < mensajes; ++i)
        c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, titulo + QString::number(i), std::nullopt, std::nullopt, cuando);
    return c;
}

// The child of the kill test: changes one conversation after another and
// asks for a save each time, telling every request on its output.
int guardarSinFin(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Ajustes ajustes(QDir::homePath() + "/.config/prueba.conf");
    Perfiles perfiles(ajustes, Reloj::sistema(), Carpetas::datosApp());
    Almacen almacen(Reloj::sistema(), perfiles, Carpetas::datosApp());
    for (int i = 0;; ++i) {
        const QUuid id = almacen.conversaciones()[i % conversacionesHijo].id;
        almacen.cambiar(id, true, [&](Conversacion& c) {
            c.mensajes.last().texto = QString(100000, QChar(u'a' + i % 26));
        });
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

void limiteArchivo(rlim_t limite)
{
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = std::min(limite, r.rlim_max);
    setrlimit(RLIMIT_FSIZE, &r);
}

}

// Saves off the window's thread: what reaches the disk, in what order,
// and what a failure or a kill leaves there.
class TestGuardadoAlmacen : public QObject {
    Q_OBJECT

    Almacenes e;
    QString archivo() const { return Almacenes::archivo(); }

    std::unique_ptr<Almacen> abrirCon(const QList<Conversacion>& conversaciones,
                                      Almacen::Carga carga = Almacen::Carga::ahora)
    {
        if (!conversaciones.isEmpty())
            Almacenes::escribir(archivo(), Codificacion::codificar(conversaciones));
        return std::make_unique<Almacen>(e.reloj, *e.perfiles, Carpetas::datosApp(), carga);
    }

    int veces(const QString& texto) { return int(e.registro().count(texto)); }

private slots:
    void init() { e.empezar(); }

    // Kept encodings must never stand for a conversation that changed: after
    // every kind of change, and after a burst that folds, the file is the
    // whole list encoded afresh.
    void elArchivoSigueAlaMemoria()
    {
        Perfil ana;
        ana.id = QUuid::createUuid();
        ana.nombre = "Ana";
        Conversacion deAna = conversacion("de Ana", e.reloj.ahora().addDays(-3));
        deAna.perfilID = ana.id;
        Conversacion vacia = conversacion("vacía", e.reloj.ahora().addDays(-2), 0);
        vacia.carpeta = e.hogar.en("vacia");
        auto almacen = abrirCon({conversacion("A", e.reloj.ahora().addDays(-1)), vacia, deAna});
        const auto ids = [&] {
            QList<QUuid> l;
            for (const auto& c : almacen->conversaciones())
                l << c.id;
            return l;
        }();
        const auto comprobar = [&](const char* paso) {
            almacen->esperarGuardado();
            QVERIFY2(Almacenes::leer(archivo()) == Codificacion::codificar(almacen->conversaciones()), paso);
        };

        almacen->cambiar(ids[0], true, [](Conversacion& c) { c.titulo = "cambiado"; });
        comprobar("cambiar");
        const QUuid mensaje = almacen->conversaciones()[0].mensajes.last().id;
        almacen->anexarTexto(ids[0], mensaje, " y más", true);
        comprobar("anexarTexto");
        almacen->nueva();
        comprobar("nueva reutiliza");
        almacen->cambiar(ids[1], true, [](Conversacion& c) { c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, "r"); });
        almacen->nueva();
        comprobar("nueva inserta");
        almacen->fijarCarpetaDePersona(ana);
        comprobar("fijarCarpetaDePersona");
        almacen->eliminar(ids[0]);
        comprobar("eliminar");
        for (int i = 0; i < 300; ++i)
            almacen->anexarTexto(ids[2], almacen->conversaciones().last().mensajes.last().id, QString::number(i), true);
        comprobar("ráfaga");
        QVERIFY(almacen->conversaciones().last().mensajes.last().texto.endsWith("298299"));
    }

    // A failed write keeps the list, leaves the old file whole, logs once
    // however many changes fail, and the next change after it writes all.
    void escrituraFallida_data()
    {
        QTest::addColumn<bool>("soloLectura");
        QTest::newRow("disco lleno") << false;
        QTest::newRow("carpeta de solo lectura") << true;
    }

    void escrituraFallida()
    {
        QFETCH(bool, soloLectura);
        if (soloLectura && geteuid() == 0)
            QSKIP("root writes in a read-only folder");
        std::signal(SIGXFSZ, SIG_IGN);
        auto almacen = abrirCon({conversacion("A", e.reloj.ahora())});
        const QUuid id = almacen->conversaciones()[0].id;
        const QByteArray antes = Almacenes::leer(archivo());
        const auto impedir = [&](bool si) {
            if (soloLectura)
                QFile::setPermissions(Carpetas::datosApp(), si ? QFile::ReadOwner | QFile::ExeOwner
                                                               : QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            else
                limiteArchivo(si ? 1 << 20 : RLIM_INFINITY);
        };
        const QString largo(1 << 20, QChar(u'x'));
        impedir(true);
        almacen->cambiar(id, true, [&](Conversacion& c) { c.mensajes << Mensaje::nuevo(Mensaje::Rol::agente, largo); });
        almacen->esperarGuardado();
        almacen->cambiar(id, true, [](Conversacion& c) { c.titulo = "otro"; });
        almacen->esperarGuardado();
        impedir(false);
        QCOMPARE(Almacenes::leer(archivo()), antes);
        QCOMPARE(almacen->conversaciones()[0].mensajes.size(), 3);
        QCOMPARE(veces("No se pudo guardar " + archivo()), 1);

        almacen->cambiar(id, true, [](Conversacion&) {});
        almacen->esperarGuardado();
        const auto leida = Codificacion::decodificarConversaciones(Almacenes::leer(archivo())).elementos;
        QCOMPARE(leida.size(), 1);
        QCOMPARE(leida[0].titulo, "otro");
        QCOMPARE(leida[0].mensajes.last().texto, largo);
        QCOMPARE(veces("Se volvió a guardar " + archivo()), 1);
    }

    // Killed at any moment of a run of saves, the file is the old or the new
    // one whole, never a mix or a cut.
    void muerteEnPlenaEscritura_data()
    {
        QTest::addColumn<int>("pedidos");
        QTest::newRow("primeros") << 3;
        QTest::newRow("en racha") << 60;
        QTest::newRow("larga") << 400;
    }

    void muerteEnPlenaEscritura()
    {
        QFETCH(int, pedidos);
        QList<Conversacion> inicio;
        for (int i = 0; i < conversacionesHijo; ++i)
            inicio << conversacion(QString::number(i), e.reloj.ahora().addSecs(-i));
        abrirCon(inicio).reset();
        QProcess hijo;
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("ZUVI_PRUEBA_GUARDAR", "1");
        hijo.setProcessEnvironment(entorno);
        hijo.start(QCoreApplication::applicationFilePath());
        int leidos = 0;
        while (leidos < pedidos) {
            QVERIFY(hijo.waitForReadyRead(20000));
            while (hijo.canReadLine()) {
                hijo.readLine();
                ++leidos;
            }
        }
        ::kill(pid_t(hijo.processId()), SIGKILL);
        QVERIFY(hijo.waitForFinished(10000));

        Codificacion::Lectura<Conversacion> lectura;
        try {
            lectura = Codificacion::decodificarConversaciones(Almacenes::leer(archivo()));
        } catch (const Codificacion::ErrorDecodificacion& error) {
            QFAIL(error.what());
        }
        QCOMPARE(lectura.elementos.size(), conversacionesHijo);
        QVERIFY(lectura.ilegibles.isEmpty());
    }

    // What a turn makes while the file is still being read is kept in front
    // of the file's conversations, and the file is written only after both
    // have met.
    void cambiosDuranteLaCargaSeUnen()
    {
        const Conversacion a = conversacion("A", e.reloj.ahora().addDays(-2));
        const Conversacion b = conversacion("B", e.reloj.ahora().addDays(-1));
        auto almacen = abrirCon({a, b}, Almacen::Carga::enSegundoPlano);
        QSignalSpy cargado(almacen.get(), &Almacen::cargadoCambiado);
        QVERIFY(!almacen->cargado());
        const QUuid id = almacen->nueva();
        almacen->cambiar(id, true, [](Conversacion& c) { c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, "hola"); });
        QCOMPARE(almacen->conversaciones().size(), 1);

        QVERIFY(cargado.wait(10000));
        QVERIFY(almacen->cargado());
        QList<QString> titulos;
        for (const auto& c : almacen->conversaciones())
            titulos << c.titulo;
        QCOMPARE(titulos, (QList<QString>{"Proyecto nuevo", "B", "A"}));
        QCOMPARE(almacen->seleccion(), id);
        almacen->esperarGuardado();
        QCOMPARE(Almacenes::leer(archivo()), Codificacion::codificar(almacen->conversaciones()));
    }

    // An action that needs the conversations runs once they are read, once.
    void alCargarEspera()
    {
        auto almacen = abrirCon({conversacion("A", e.reloj.ahora())}, Almacen::Carga::enSegundoPlano);
        QList<int> vistas;
        almacen->alCargar(this, [&] { vistas << int(almacen->conversaciones().size()); });
        QVERIFY(vistas.isEmpty());
        QTRY_COMPARE(vistas, QList<int>{1});
        almacen->alCargar(this, [&] { vistas << 2; });
        QCOMPARE(vistas, (QList<int>{1, 2}));
        almacen->nueva();
        QCOMPARE(vistas.size(), 2);
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("ZUVI_PRUEBA_GUARDAR"))
        return guardarSinFin(argc, argv);
    QCoreApplication app(argc, argv);
    TestGuardadoAlmacen prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "TestGuardadoAlmacen.moc"
