#pragma once

#include "vistas/Entorno.h"

#include <QList>
#include <QWidget>

#include <utility>

class BotonMicrofono;
class QLabel;
class QPushButton;

// In place of the message list while the conversation is empty: the big
// microphone, a title and subtitle that follow the room's listening and
// transcript, and example instructions that send themselves.
class PantallaVacia : public QWidget {
    Q_OBJECT

public:
    // (symbol, instruction)
    using Ideas = QList<std::pair<QString, QString>>;
    static const Ideas& ideasPorDefecto();

    PantallaVacia(const Entorno& entorno, const Ideas& ideas, QWidget* parent = nullptr);

    static QString titulo(bool activo, const QString& transcripcion);
    static QString subtitulo(bool activo, const QString& transcripcion);

    BotonMicrofono* microfono() const { return microfono_; }
    QLabel* tituloEtiqueta() const { return titulo_; }
    QLabel* subtituloEtiqueta() const { return subtitulo_; }
    QList<QPushButton*> chips() const { return chips_; }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void seguir();
    // A suggestion wider than its chip ends in "…" and shows whole as the
    // chip's tooltip.
    static void recortarIdea(QPushButton* chip);

    Entorno entorno_;
    BotonMicrofono* microfono_ = nullptr;
    QLabel* titulo_ = nullptr;
    QLabel* subtitulo_ = nullptr;
    QList<QPushButton*> chips_;
};
