#pragma once

#include <QWidget>

class InsigniaEstado;
class InstaladorReconocimiento;
class QProgressBar;
class QPushButton;
class Tarjeta;

// The Spanish speech model's card: its status, the install with its
// progress, and a cancel while it downloads.
class TarjetaReconocimiento : public QWidget {
    Q_OBJECT

public:
    explicit TarjetaReconocimiento(InstaladorReconocimiento& instalador, QWidget* parent = nullptr);

    static inline const QString textoInstalar = QStringLiteral("Instalar reconocimiento de voz en español");
    // The card's text; the download's size while the model is missing.
    static QString texto(bool instalado, qint64 bytes);

    Tarjeta* tarjeta() const { return tarjeta_; }
    InsigniaEstado* insignia() const { return insignia_; }
    QPushButton* instalar() const { return instalar_; }
    QPushButton* cancelar() const { return cancelar_; }
    QProgressBar* avance() const { return avance_; }

private:
    void mostrar();

    InstaladorReconocimiento& instalador_;
    Tarjeta* tarjeta_ = nullptr;
    InsigniaEstado* insignia_ = nullptr;
    QPushButton* instalar_ = nullptr;
    QPushButton* cancelar_ = nullptr;
    QProgressBar* avance_ = nullptr;
};
