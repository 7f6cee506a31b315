#pragma once

#include "vistas/Entorno.h"
#include "core/Modelos.h"

#include <QWidget>

class AsistenteVoz;
class BotonEscucha;
class ModoProyectos;
class QActionGroup;
class QButtonGroup;
class QToolButton;

// The toolbar of the conversation screen: the agent picker in the centre;
// the listening button, the full-screen room, the "Proyecto" menu (level,
// folder), the settings and reading answers aloud at the trailing end.
class BarraHerramientas : public QWidget {
    Q_OBJECT

public:
    explicit BarraHerramientas(const Entorno& entorno, QWidget* parent = nullptr);

    // The shown title of a level, worded for Linux.
    static QString tituloNivel(NivelPermiso nivel);
    // The "Proyecto" menu's symbol and help text.
    static QString simboloProyecto(NivelPermiso nivel);
    static QString ayudaProyecto(const QString& carpeta, NivelPermiso nivel);

    QToolButton* proyecto() const { return proyecto_; }
    BotonEscucha* escucha() const { return escucha_; }
    QToolButton* inmersiva() const { return inmersiva_; }

signals:
    // "Configuración": the settings window.
    void ajustesPedido();

private:
    QToolButton* boton(const QString& nombre, const QString& texto, const QString& simbolo, const QString& ayuda);
    void construirProyecto();
    void seguirAgente();
    void seguirNivel();
    void seguirLectura();

    AsistenteVoz& voz_;
    ModoProyectos& modo_;
    QButtonGroup* agentes_ = nullptr;
    BotonEscucha* escucha_ = nullptr;
    QToolButton* inmersiva_ = nullptr;
    QToolButton* proyecto_ = nullptr;
    QActionGroup* niveles_ = nullptr;
    QToolButton* leer_ = nullptr;
};
