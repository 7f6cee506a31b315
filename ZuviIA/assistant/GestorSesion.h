#pragma once

#include "assistant/ClaveSesion.h"
#include "core/Modelos.h"
#include "core/Receptor.h"

#include <QObject>
#include <QUuid>

#include <memory>
#include <optional>

class Ajustes;
class Reloj;
class SesionClaude;

// The foreground Claude Code session: the key the settings call for, when a
// resumed session must branch off, reusing a running session whose key
// matches, closing the one it replaces and starting the next. What every
// session it started says comes back as signals on the GUI thread, in the
// order the session produced it. GUI thread only.
class GestorSesion : public QObject {
    Q_OBJECT

public:
    // The assistant's settings that shape a session; the model and the
    // standing instructions are read from `ajustes` at each call.
    struct Pedido {
        QString carpeta;
        NivelPermiso nivel = NivelPermiso::total;
        std::optional<QString> contexto;
    };

    GestorSesion(Ajustes& ajustes, Reloj& reloj, QObject* parent = nullptr);
    ~GestorSesion() override;

    ClaveSesion clave(const Pedido& pedido, const std::optional<QString>& reanudar) const;
    // A resumed session branches off while a background task still writes
    // into the same conversation.
    static bool bifurcar(const std::optional<QString>& reanudar, bool fondoEnLaConversacion);

    // Leaves a running session whose key matches in actual(), reusing the
    // current one or closing it and starting another. Throws ErrorProceso.
    std::shared_ptr<SesionClaude> asegurar(const QString& ruta, const std::optional<QString>& reanudar,
                                           bool fondoEnLaConversacion, const Pedido& pedido);
    std::shared_ptr<SesionClaude> actual() const { return actual_; }
    // Forgets the current session without closing it.
    void soltar() { actual_.reset(); }

signals:
    void lineaSesion(const QString& linea, const QUuid& sesion);
    void errorSesion(const QString& trozo);
    void sesionTermino(int codigo, const QUuid& sesion);

private:
    Ajustes& ajustes_;
    Reloj& reloj_;
    std::shared_ptr<SesionClaude> actual_;
    std::shared_ptr<Receptor<GestorSesion>> receptor_;
};
