#pragma once

#include "plataforma/Reloj.h"

#include <QWidget>

class AsistenteVoz;
class Instalador;
class InsigniaEstado;
class Locutor;
class QPushButton;
class Tarjeta;

// The neural voice's card: its status, the install (only on the user's
// press, cancellable, running on while the setup moves on) and a test
// phrase. While the voice is installed but not ready it re-checks every 2
// seconds; the check dies with the card.
class TarjetaVozNeural : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::seconds intervalo{2};
    static inline const QString frasePrueba = QStringLiteral(
        "Bienvenidos a nuestra zuvi inmersiva de inteligencia artificial. ¿Con quién debo trabajar hoy?");

    TarjetaVozNeural(Instalador& ins, AsistenteVoz& voz, Reloj& reloj, Locutor& locutor, QWidget* parent = nullptr);

    Tarjeta* tarjeta() const { return tarjeta_; }
    InsigniaEstado* insignia() const { return insignia_; }
    QPushButton* instalar() const { return instalar_; }
    QPushButton* escuchar() const { return escuchar_; }
    QPushButton* cancelar() const { return cancelar_; }
    bool sondeando() const { return sondeo_.pendiente(); }

private:
    void mostrar();
    void empezarInstalacion();
    void sondear();

    Instalador& ins_;
    AsistenteVoz& voz_;
    Reloj& reloj_;
    Locutor& locutor_;
    Tarjeta* tarjeta_ = nullptr;
    InsigniaEstado* insignia_ = nullptr;
    QPushButton* instalar_ = nullptr;
    QPushButton* escuchar_ = nullptr;
    QPushButton* cancelar_ = nullptr;
    Temporizador sondeo_;
};
