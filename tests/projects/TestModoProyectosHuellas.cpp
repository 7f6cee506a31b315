#include "SalaConAgente.h"
#include "assistant/AsistenteVoz.h"
#include "audio/ServicioVozPrueba.h"
#include "audio/VozNeural.h"
#include "comun/DispositivosSistemaFalso.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "core/Registro.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QCryptographicHash>
#include <QTest>

#include <memory>

// Voice prints taken by the room against the real local voice service,
// with two espeak-ng voices as two people.
class TestModoProyectosHuellas : public QObject {
    Q_OBJECT

    std::unique_ptr<ServicioVozPrueba> s;
    std::unique_ptr<VozNeural> voz;
    SalaConAgente sala;
    Perfiles* perfiles = nullptr;
    Almacen* almacen = nullptr;
    ModoProyectos* modo = nullptr;

    QString huella(const Perfil& p) const { return s->voz("huellas/" + VozNeural::textoUuid(p.id) + ".npz"); }

    static QByteArray resumen(const QString& archivo)
    {
        QFile f(archivo);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }

    std::optional<QUuid> quien(const std::vector<float>& audio, const QList<QUuid>& candidatos)
    {
        auto f = voz->identificar(audio, candidatos);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(f.isFinished(), 20000); }();
        const auto r = f.result();
        return r ? std::optional(r->id) : std::nullopt;
    }

private slots:
    void init()
    {
        s = std::make_unique<ServicioVozPrueba>();
        voz = std::make_unique<VozNeural>(s->ajustes, s->reloj);
        sala.voz = voz.get();
        sala.abrir(&s->ajustes, &s->reloj);
        perfiles = sala.perfiles.get();
        almacen = sala.almacen.get();
        modo = sala.modo.get();
        voz->arrancar();
        QTRY_VERIFY_WITH_TIMEOUT(voz->estado().listaParaHablar(), 15000);
    }

    void cleanup()
    {
        sala.cerrar();
        voz.reset();
        s.reset();
    }

    // Two people introduce themselves in a meeting; their prints are
    // enrolled and then tell them apart.
    void presentacionesConHuella()
    {
        QVERIFY(sala.abrirSala());
        modo->procesar(QStringLiteral("Somos un grupo"), {});
        const auto pedroVoz = ServicioVozPrueba::decir16k("es-419", "Me llamo Pedro y hoy vengo a revisar las cuentas del mes.");
        const auto anaVoz = ServicioVozPrueba::decir16k("es+f4", "Hola, me llamo Ana y trabajo en el proyecto de la casa.");
        modo->procesar(QStringLiteral("Me llamo Pedro y hoy vengo a revisar las cuentas."), pedroVoz);
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Hola, Pedro."));
        modo->procesar(QStringLiteral("Hola, me llamo Ana y trabajo en la casa."), anaVoz);
        modo->procesar(QStringLiteral("Listo"), {});
        QVERIFY(modo->ultimaFrase().startsWith(QStringLiteral("Gracias. Hoy estamos Pedro y Ana.")));
        const Perfil pedro = *perfiles->buscar(QStringLiteral("Pedro"));
        const Perfil ana = *perfiles->buscar(QStringLiteral("Ana"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(huella(pedro)) && QFileInfo::exists(huella(ana)), 20000);
        const auto actual = almacen->actual();
        QCOMPARE(actual->asistentes, (QStringList{"Pedro", "Ana"}));
        QCOMPARE(actual->mensajes.size(), 2);
        QCOMPARE(actual->mensajes[0].autor, QStringLiteral("Pedro"));
        QVERIFY(actual->esReunion.value_or(false));

        const QList<QUuid> ambos{pedro.id, ana.id};
        QCOMPARE(quien(ServicioVozPrueba::decir16k("es-419", "Mañana tenemos reunión con el equipo de diseño."), ambos),
                 pedro.id);
        QCOMPARE(quien(ServicioVozPrueba::decir16k("es+f4", "Mañana tenemos reunión con el equipo de diseño."), ambos),
                 ana.id);
    }

    // A name not understood leaves the print of whoever was served before
    // as it was.
    void nombreNoEntendidoNoTocaLaHuella()
    {
        QVERIFY(sala.abrirSala());
        modo->procesar(QStringLiteral("Yo solo"), {});
        modo->procesar(QStringLiteral("Soy Ana"),
                       ServicioVozPrueba::decir16k("es+f4", "Hola, me llamo Ana y trabajo en el proyecto de la casa."));
        const Perfil ana = *perfiles->activo();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(huella(ana)), 20000);
        const QByteArray antes = resumen(huella(ana));

        QVERIFY(sala.abrirSala());
        modo->procesar(QStringLiteral("Yo solo"), {});
        modo->procesar(QStringLiteral("bueno pues nada"),
                       ServicioVozPrueba::decir16k("es-419", "Me llamo Pedro y hoy vengo a revisar las cuentas del mes."));
        QCOMPARE(modo->ultimaFrase(), QStringLiteral("Perdón, no te entendí. ¿Me dices tu nombre?"));
        QTest::qWait(1500);
        QCOMPARE(resumen(huella(ana)), antes);
    }
};

QTEST_GUILESS_MAIN(TestModoProyectosHuellas)
#include "TestModoProyectosHuellas.moc"
