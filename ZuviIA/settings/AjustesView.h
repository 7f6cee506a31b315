#pragma once

#include "settings/EntornoAjustes.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QWidget>

#include <optional>

class QLabel;
class QListWidget;
class QVBoxLayout;

// The settings window: the section list at the leading edge and the
// chosen section beside it, under the section's long title. Nothing is
// chosen when it opens (the first section shows, no row highlighted); a
// section is built anew each time it becomes the shown one.
class AjustesView : public QWidget {
    Q_OBJECT

public:
    enum class Seccion { ia, voz, escucha, personas, actualizaciones, avanzado };

    struct Datos {
        QString etiqueta;  // in the list
        QString titulo;    // above the section and in the window's title
        QString simbolo;
        QColor color;      // of the icon's tile
    };

    static constexpr int ancho = 780;
    static constexpr int alto = 560;

    static QList<Seccion> secciones();
    static Datos datos(Seccion seccion);
    // The section's symbol in white on a rounded tile of its colour.
    static QIcon tesela(const Datos& datos);
    // The one place each section's view is made.
    static QWidget* crearSeccion(Seccion seccion, const EntornoAjustes& entorno, QWidget* parent);

    explicit AjustesView(const EntornoAjustes& entorno, QWidget* parent = nullptr);

    std::optional<Seccion> seccion() const { return seccion_; }
    // What shows: the chosen section, or the first while none is chosen.
    Seccion mostrada() const { return seccion_.value_or(Seccion::ia); }
    QWidget* vista() const { return vista_; }
    QListWidget* lista() const { return lista_; }
    QString titulo() const;

private:
    void alElegir();
    void mostrar();

    EntornoAjustes entorno_;
    std::optional<Seccion> seccion_;
    QListWidget* lista_ = nullptr;
    QLabel* titulo_ = nullptr;
    QVBoxLayout* detalle_ = nullptr;
    QWidget* vista_ = nullptr;
};
