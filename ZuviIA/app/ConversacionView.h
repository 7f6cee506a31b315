#pragma once

#include "app/BarraHerramientas.h"
#include "vistas/Entorno.h"
#include "core/Modelos.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AvisoPermisos;
class Compositor;
class PantallaVacia;
class ListaMensajes;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

// The screen of the selected conversation: its messages (or the empty
// screen) above the composer, the toolbar, and the window named after the
// conversation and the project folder.
class ConversacionView : public QWidget {
    Q_OBJECT

public:
    ConversacionView(const Entorno& entorno, QWidget* parent = nullptr);
    ~ConversacionView() override;

    // "título — carpeta": the title of the current conversation when it has
    // messages (none otherwise) or "Zuvi IA", then the folder's last
    // component, since Linux windows have no subtitle.
    static QString tituloVentana(const std::optional<QString>& titulo, const QString& carpeta);

    BarraHerramientas* barra() const { return barra_; }
    ListaMensajes* lista() const { return lista_; }
    Compositor* compositor() const { return compositor_; }
    AvisoPermisos* avisoPermisos() const { return aviso_; }
    PantallaVacia* vacia() const { return vacia_; }
    // The message list while the conversation has messages, else the empty screen.
    QWidget* contenido() const;
    QString titulo() const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void alCambiarSeleccion();
    void seguirConversacion();
    void seguirTitulo();
    void seguirDictado();

    Entorno entorno_;
    QPointer<BarraHerramientas> barra_;
    // The window's toolbar may go first when the window closes.
    QPointer<QAction> enBarraVentana_;
    QVBoxLayout* avisos_ = nullptr;
    QStackedWidget* pila_ = nullptr;
    PantallaVacia* vacia_ = nullptr;
    QScrollArea* desplazableVacia_ = nullptr;
    AvisoPermisos* aviso_ = nullptr;
    ListaMensajes* lista_ = nullptr;
    Compositor* compositor_ = nullptr;
    bool aplicado_ = false;
};
