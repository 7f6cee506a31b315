#pragma once

#include "projects/ModoProyectos.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QWidget>

#include <vector>

// The living orb of the full-screen room: three turning halos and a
// breathing core whose colours and motion follow the dialogue state and
// the capture level. Every motion is a pure function of the time and the
// state. The orb paints whole squares over the room's background, which
// the room hands it, so nothing beneath it is drawn again at each frame.
class Orbe : public QWidget {
    Q_OBJECT

public:
    static constexpr int lado = 260;

    explicit Orbe(QWidget* parent = nullptr);

    static QList<QColor> colores(ModoProyectos::Estado estado);
    static double pulso(ModoProyectos::Estado estado, double t);
    static double impulso(ModoProyectos::Estado estado, float nivel);
    static double respiro(double t);
    // Turn of halo i at time t, in degrees; neighbours turn apart.
    static double giroHalo(int i, double t);
    static double escalaHalo(int i, double pulso, double impulso) { return 0.75 + 0.12 * i + pulso + impulso; }
    static double escalaNucleo(double respiro, double impulso, double pulso)
    {
        return 0.55 * respiro + 0.6 * impulso + pulso;
    }
    // The blur at the edge of halo i, in points.
    static double difusoHalo(int i) { return 18 + 8 * i; }
    static constexpr double radioNucleo = 124;
    // How far from the centre the orb reaches at time t, in points.
    static double radioVisible(ModoProyectos::Estado estado, float nivel, double t);
    static bool conArco(ModoProyectos::Estado estado) { return estado == ModoProyectos::Estado::trabajando; }

    void fijar(ModoProyectos::Estado estado, float nivel, double t);
    ModoProyectos::Estado estado() const { return estado_; }
    float nivel() const { return nivel_; }
    // The room's background beneath the orb, at any resolution.
    void fijarFondo(const QImage& fondo);

    QSize sizeHint() const override;

signals:
    void tocado();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void prepararImagenes();
    void prepararCuadro(qreal dpr);
    void componerHalos(const QRect& zona);

    ModoProyectos::Estado estado_ = ModoProyectos::Estado::inactivo;
    float nivel_ = 0;
    double t_ = 0;
    // The halos' ring of colours by angle, and the core, per colour set.
    std::vector<QRgb> anillo_;
    QPixmap nucleo_;
    QList<QColor> hechasCon_;
    qreal hechoA_ = 0;
    // The frame; each of its squares of two by two pixels' distance and
    // angle from the centre; the background beneath, as handed and at one
    // pixel per square.
    QImage cuadro_;
    std::vector<float> radios_;
    std::vector<quint16> angulos_;
    QImage fondo_;
    QImage fondoCuadro_;
    QRect pintado_;
};
