#pragma once

#include <QWidget>

struct DispositivoAudio;
struct Entorno;
class AsistenteVoz;
class BotonMicrofono;
class Permisos;
class QComboBox;
class QLabel;
class TarjetaReconocimiento;
class TarjetaVozNeural;

// The voice step: which microphone and output the room uses, a dictation
// test that never reaches the agent, and the neural voice's card. The
// assistant is in test mode exactly while the step exists.
class PasoVoz : public QWidget {
    Q_OBJECT

public:
    explicit PasoVoz(const Entorno& entorno, QWidget* parent = nullptr);
    ~PasoVoz() override;

    // "Micrófono USB  ·  Logitech, USB"; outputs never name the maker.
    static QString etiquetaMicrofono(const DispositivoAudio& d);
    static QString etiquetaSalida(const DispositivoAudio& d);
    // What the test panel says before anything is dictated: what is
    // missing for the test, when something is.
    static QString textoPrueba(bool modelo, bool microfono);

    QComboBox* microfono() const { return microfono_; }
    QComboBox* salida() const { return salida_; }
    BotonMicrofono* boton() const { return boton_; }
    QLabel* titular() const { return titular_; }
    QLabel* dictado() const { return dictado_; }
    QLabel* aviso() const { return aviso_; }
    TarjetaVozNeural* tarjeta() const { return tarjeta_; }
    TarjetaReconocimiento* reconocimiento() const { return reconocimiento_; }

private:
    void llenarMicrofonos();
    void llenarSalidas();
    void mostrarDictado();

    AsistenteVoz& voz_;
    Permisos& permisos_;
    QComboBox* microfono_ = nullptr;
    QComboBox* salida_ = nullptr;
    BotonMicrofono* boton_ = nullptr;
    QLabel* titular_ = nullptr;
    QLabel* dictado_ = nullptr;
    QLabel* aviso_ = nullptr;
    TarjetaVozNeural* tarjeta_ = nullptr;
    TarjetaReconocimiento* reconocimiento_ = nullptr;
};
