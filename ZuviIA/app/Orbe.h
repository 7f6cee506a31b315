#pragma once

#include "projects/ModoProyectos.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QWidget>

// The living orb of the full-screen room: three turning halos and a
// breathing core whose colours and motion follow the dialogue state and
// the capture level. Every motion is a pure function of the time and the
// state; the halos' soft pictures are made once per colour set and
// pixel ratio (the orb's size is fixed), then only turned and scaled.
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

    QSize sizeHint() const override;

signals:
    void tocado();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void prepararImagenes();

    ModoProyectos::Estado estado_ = ModoProyectos::Estado::inactivo;
    float nivel_ = 0;
    double t_ = 0;
    QList<QPixmap> halos_;
    QPixmap nucleo_;
    QList<QColor> hechasCon_;
    qreal hechasA_ = 0;
    QImage cuadro_;
    QRect pintado_;
};
