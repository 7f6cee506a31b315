#pragma once

#include <QStringList>
#include <QWidget>

class Encabezado;
class Instalador;
class InsigniaEstado;
class QLabel;
class QProgressBar;
class QPushButton;
class Tarjeta;

// The skills step: how many skills the pack brings, which are missing,
// and the button that copies them.
class PasoSkills : public QWidget {
    Q_OBJECT

public:
    explicit PasoSkills(Instalador& ins, QWidget* parent = nullptr);

    static QString textoEncabezado(bool codexInstalado);
    static QString textoTarjeta(const QStringList& faltantes);
    // The first 12 names joined by " · ", with "…" when more are missing.
    static QString listaFaltantes(const QStringList& faltantes);

    Encabezado* encabezado() const { return encabezado_; }
    Tarjeta* tarjeta() const { return tarjeta_; }
    QProgressBar* progreso() const { return progreso_; }
    QLabel* faltantes() const { return faltantes_; }
    QPushButton* instalar() const { return instalar_; }

private:
    void mostrar();

    Instalador& ins_;
    Encabezado* encabezado_ = nullptr;
    Tarjeta* tarjeta_ = nullptr;
    InsigniaEstado* insignia_ = nullptr;
    QProgressBar* progreso_ = nullptr;
    QLabel* faltantes_ = nullptr;
    QPushButton* instalar_ = nullptr;
};
