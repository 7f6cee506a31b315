#pragma once

#include "vistas/Entorno.h"
#include "core/Modelos.h"
#include "plataforma/Reloj.h"
#include "projects/ModoProyectos.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <optional>

class Orbe;
class QLabel;
class QPushButton;
class QScrollArea;

// The full-screen room over the main window's content: the living orb,
// what the room is doing, the last answer, and a footer with the
// microphone, the agent, notices, the spoken commands and "Salir". It
// animates and updates its texts only while shown.
class ModoProyectosView : public QWidget {
    Q_OBJECT

public:
    ModoProyectosView(const Entorno& entorno, QWidget* parent = nullptr);

    static QString titulo(ModoProyectos::Estado estado, const QString& transcripcion,
                          const std::optional<QString>& actividad, const std::optional<QString>& persona);
    static QString subtitulo(const std::optional<QString>& aviso, bool salidaEnSilencio, const QString& transcripcion,
                             const QString& ultimaFrase);
    static std::optional<QString> ultimaRespuesta(const std::optional<Conversacion>& actual);
    static QString pista(bool modoGrupo);
    // Seconds since 2001-01-01 00:00:00 UTC: the time every motion follows.
    static double segundos(const QDateTime& momento);

    QLabel* tituloEtiqueta() const { return titulo_; }
    QLabel* subtituloEtiqueta() const { return subtitulo_; }
    QLabel* respuesta() const { return respuesta_; }
    QWidget* tarjeta() const;
    QLabel* persona() const { return persona_; }
    QLabel* pistaEtiqueta() const { return pista_; }
    QLabel* microfono() const { return microfono_; }
    QLabel* agente() const { return agente_; }
    QWidget* musica() const { return musica_; }
    QWidget* tocarOrbe() const { return tocar_; }
    QPushButton* salir() const { return salir_; }
    Orbe* orbe() const { return orbe_; }
    bool animando() const { return cuadro_.pendiente(); }

    // One frame: the orb now, the background when its turn has come.
    void cuadro();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void construir();
    QWidget* construirPie();
    void actualizar();
    void pintarFondo(double t);
    void darFondoAlOrbe();
    double tiempo();

    Entorno entorno_;
    Orbe* orbe_ = nullptr;
    QWidget* marco_ = nullptr;
    QLabel* persona_ = nullptr;
    QLabel* titulo_ = nullptr;
    QLabel* subtitulo_ = nullptr;
    QScrollArea* tarjeta_ = nullptr;
    QWidget* tarjetaPanel_ = nullptr;
    QLabel* respuesta_ = nullptr;
    QLabel* microfono_ = nullptr;
    QLabel* agente_ = nullptr;
    QLabel* simboloAgente_ = nullptr;
    QWidget* musica_ = nullptr;
    QWidget* tocar_ = nullptr;
    QLabel* pista_ = nullptr;
    QPushButton* salir_ = nullptr;
    QImage fondo_;
    QColor colorFondo_;
    std::chrono::milliseconds ultimoFondo_{0};
    struct Origen {
        double segundos;
        std::chrono::milliseconds monotono;
    };
    std::optional<Origen> origen_;
    Temporizador cuadro_;
};
