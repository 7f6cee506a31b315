#pragma once

#include "vistas/Entorno.h"
#include "projects/ModoProyectos.h"

#include <QWidget>

#include <optional>

class Ajustes;
class AsistenteVoz;
class BotonMicrofono;
class QAction;
class QLabel;
class QPlainTextEdit;
class QToolButton;

// The strip under the messages: the silent-output warning, the live
// transcript of projects mode, the input capsule (microphone, text, send or
// stop) and the status row. The text lives in the assistant's `texto`.
class Compositor : public QWidget {
    Q_OBJECT

public:
    explicit Compositor(const Entorno& entorno, QWidget* parent = nullptr);

    // The status row's state text.
    static QString estadoTexto(bool activo, ModoProyectos::Estado estado);
    // The placeholder of the text field.
    static QString indicacion(bool activo);
    // The send button is enabled unless the text is only spaces and tabs.
    static bool puedeEnviar(const QString& texto);
    // The warning over the field while answers are read aloud: no output
    // at all, or one muted or turned down; none when they can be heard.
    static std::optional<QString> avisoSonido(bool leer, bool haySalida, bool silenciada);

    QPlainTextEdit* campo() const { return campo_; }
    BotonMicrofono* microfono() const { return boton_; }
    // Ctrl+. while a turn runs; the window may list it in a menu.
    QAction* detener() const { return detener_; }

private:
    void enviar();
    void seguirTexto();
    void seguirTurno();
    void seguirModo();
    void seguirAviso();
    void seguirEstado();
    void ajustarAltura();

    AsistenteVoz& voz_;
    ModoProyectos& modo_;
    Ajustes& ajustes_;
    QLabel* avisoSilencio_ = nullptr;
    QLabel* transcripcion_ = nullptr;
    QWidget* capsula_ = nullptr;
    QPlainTextEdit* campo_ = nullptr;
    BotonMicrofono* boton_ = nullptr;
    QToolButton* enviar_ = nullptr;
    QToolButton* parar_ = nullptr;
    QAction* enviarAtajo_ = nullptr;
    QAction* detener_ = nullptr;
    QLabel* punto_ = nullptr;
    QLabel* estado_ = nullptr;
    QWidget* musica_ = nullptr;
    QLabel* simboloMicrofono_ = nullptr;
    QLabel* microfono_ = nullptr;
    QLabel* simboloAgente_ = nullptr;
    QLabel* agente_ = nullptr;
    QLabel* nivel_ = nullptr;
};
