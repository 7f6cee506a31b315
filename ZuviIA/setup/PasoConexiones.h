#pragma once

#include "setup/EstadoPaso.h"

#include <QWidget>

class Instalador;
class InsigniaEstado;
class QLabel;
class QPushButton;
class Tarjeta;

// The connections step: what the agent may control, each with its status
// and a "Configurar" button while it is missing; a hint while desktop
// control lacks something. Coming back to the application re-checks.
class PasoConexiones : public QWidget {
    Q_OBJECT

public:
    explicit PasoConexiones(Instalador& ins, QWidget* parent = nullptr);

    static QString textoConexion(const QString& texto, const QStringList& apps);
    // "Control del computador: falta Accesibilidad y skill de control."
    static QString faltaControl(const QStringList& falta);
    static QString pistaControl(const QStringList& falta);

    Tarjeta* tarjeta(Conexion c) const { return tarjetas_.value(c); }
    QPushButton* configurar(Conexion c) const { return configurar_.value(c); }
    InsigniaEstado* insignia(Conexion c) const { return insignias_.value(c); }
    QWidget* aviso() const { return aviso_; }
    QLabel* faltaTexto() const { return falta_; }
    QPushButton* reabrir() const { return reabrir_; }

private:
    void mostrar();

    Instalador& ins_;
    QMap<Conexion, Tarjeta*> tarjetas_;
    QMap<Conexion, InsigniaEstado*> insignias_;
    QMap<Conexion, QPushButton*> configurar_;
    QWidget* aviso_ = nullptr;
    QLabel* falta_ = nullptr;
    QLabel* pista_ = nullptr;
    QPushButton* reabrir_ = nullptr;
};
