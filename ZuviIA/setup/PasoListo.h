#pragma once

#include "core/Modelos.h"
#include "setup/EstadoPaso.h"
#include "setup/PasoConfig.h"

#include <QMap>
#include <QWidget>

class AsistenteVoz;
class EscuchaZuvi;
class Instalador;
class InsigniaEstado;
class Permisos;
class QLabel;
class QVBoxLayout;
class Tarjeta;

// The setup assistant's closing page: how each step ended, what is still
// missing and where to get it, and what to say to the room. The button
// that completes setup is the assistant's own.
class PasoListo : public QWidget {
    Q_OBJECT

public:
    // What the steps left behind.
    struct Situacion {
        EstadosAgentes agentes;
        EstadoPaso skills;
        bool modelo = false;
        bool microfono = false;
        bool oyeActivada = false;
        EstadosAgentes sesion;
        NivelPermiso nivel = NivelPermiso::responder;
        bool comoRoot = false;
    };
    // One step's row: its badge and, unless it is done, what is missing.
    struct Fila {
        PasoConfig paso;
        EstadoPaso estado;
        QString falta;
        bool operator==(const Fila&) const = default;
    };
    static QList<Fila> resumen(const Situacion& s);
    // Whether «Oye Zuvi» can wake the room as things are.
    static bool oyeFunciona(const Situacion& s) { return s.oyeActivada && s.modelo && s.microfono; }

    PasoListo(Instalador& ins, Permisos& permisos, EscuchaZuvi& oye, AsistenteVoz& voz, QWidget* parent = nullptr);

    QLabel* titulo() const { return titulo_; }
    InsigniaEstado* insignia(PasoConfig p) const { return insignias_.value(p); }
    Tarjeta* fila(PasoConfig p) const { return filas_.value(p); }
    QWidget* fraseOye() const { return fraseOye_; }

private:
    Situacion situacion() const;
    void mostrar();

    Instalador& ins_;
    Permisos& permisos_;
    EscuchaZuvi& oye_;
    AsistenteVoz& voz_;
    QLabel* sello_ = nullptr;
    QLabel* titulo_ = nullptr;
    QMap<PasoConfig, InsigniaEstado*> insignias_;
    QMap<PasoConfig, Tarjeta*> filas_;
    QWidget* fraseOye_ = nullptr;
};
