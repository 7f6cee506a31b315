#include "assistant/EleccionDispositivos.h"
#include "plataforma/DispositivosSistema.h"

#include <QTest>

using Lista = QList<DispositivoAudio>;
using Uid = std::optional<QString>;
Q_DECLARE_METATYPE(Uid)

namespace {

DispositivoAudio dispositivo(const char* uid, const char (&transporte)[5])
{
    static uint32_t siguiente = 1;
    return DispositivoAudio{siguiente++, QString::fromLatin1(uid), QString::fromLatin1(uid), QString(), codigoCuatro(transporte)};
}

const auto integrado = dispositivo("integrado", "bltn");
const auto usb = dispositivo("usb", "usb ");
const auto usb2 = dispositivo("usb2", "usb ");
const auto bluetooth = dispositivo("bluetooth", "blue");
const auto hdmi = dispositivo("hdmi", "hdmi");
const auto airplay = dispositivo("airplay", "airp");
const auto virtual_ = dispositivo("virtual", "virt");
const auto agregado = dispositivo("agregado", "grup");
const auto otro = dispositivo("otro", "\0\0\0\0");

}

class TestEleccionDispositivos : public QObject {
    Q_OBJECT

private slots:
    void salida_data()
    {
        QTest::addColumn<Lista>("salidas");
        QTest::addColumn<Uid>("guardada");
        QTest::addColumn<Uid>("predeterminada");
        QTest::addColumn<Uid>("elegida");
        QTest::newRow("guardada presente gana") << Lista{integrado, bluetooth} << Uid("bluetooth") << Uid("integrado") << Uid("bluetooth");
        QTest::newRow("guardada ausente: integrada") << Lista{hdmi, integrado} << Uid("desenchufada") << Uid() << Uid("integrado");
        QTest::newRow("integrada gana a la predeterminada") << Lista{bluetooth, integrado} << Uid() << Uid("bluetooth") << Uid("integrado");
        QTest::newRow("sin integrada: primera no virtual") << Lista{airplay, agregado, hdmi, bluetooth} << Uid() << Uid("airplay") << Uid("hdmi");
        QTest::newRow("transporte desconocido cuenta") << Lista{virtual_, otro} << Uid() << Uid("virtual") << Uid("otro");
        QTest::newRow("todas virtuales: la predeterminada") << Lista{airplay, virtual_, agregado} << Uid() << Uid("virtual") << Uid("virtual");
        QTest::newRow("predeterminada no listada") << Lista{airplay} << Uid() << Uid("otra") << Uid();
        QTest::newRow("predeterminada ilegible") << Lista{airplay} << Uid() << Uid() << Uid();
        QTest::newRow("lista vacía") << Lista{} << Uid("integrado") << Uid("integrado") << Uid();
    }

    void salida()
    {
        QFETCH(Lista, salidas);
        QFETCH(Uid, guardada);
        QFETCH(Uid, predeterminada);
        QTEST(EleccionDispositivos::salida(salidas, guardada, predeterminada), "elegida");
    }

    void entrada_data()
    {
        QTest::addColumn<Lista>("entradas");
        QTest::addColumn<Uid>("guardada");
        QTest::addColumn<Uid>("predeterminada");
        QTest::addColumn<Uid>("elegida");
        QTest::newRow("guardada presente gana") << Lista{usb, integrado} << Uid("integrado") << Uid() << Uid("integrado");
        QTest::newRow("guardada ausente: primer USB") << Lista{integrado, usb, usb2} << Uid("desenchufado") << Uid("integrado") << Uid("usb");
        QTest::newRow("USB gana a la predeterminada") << Lista{integrado, usb} << Uid() << Uid("integrado") << Uid("usb");
        QTest::newRow("sin USB: la predeterminada") << Lista{integrado, bluetooth} << Uid() << Uid("bluetooth") << Uid("bluetooth");
        QTest::newRow("sin predeterminada: la primera") << Lista{bluetooth, integrado} << Uid() << Uid() << Uid("bluetooth");
        QTest::newRow("predeterminada no listada: la primera") << Lista{virtual_, integrado} << Uid() << Uid("otra") << Uid("virtual");
        QTest::newRow("lista vacía") << Lista{} << Uid("usb") << Uid("usb") << Uid();
    }

    void entrada()
    {
        QFETCH(Lista, entradas);
        QFETCH(Uid, guardada);
        QFETCH(Uid, predeterminada);
        QTEST(EleccionDispositivos::entrada(entradas, guardada, predeterminada), "elegida");
    }
};

QTEST_GUILESS_MAIN(TestEleccionDispositivos)
#include "TestEleccionDispositivos.moc"
