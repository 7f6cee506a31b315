#pragma once

#include "audio/DispositivoAudio.h"
#include "plataforma/Sintetizador.h"
#include "settings/EntornoAjustes.h"
#include "settings/FormularioAjustes.h"

#include <optional>
#include <vector>

class AjustesVozNeural;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

// How the assistant hears and speaks: the microphone and the output, the
// recognition language, the neural voice, the speed, reading aloud, the
// fallback system voice and the listening options. A setting is written
// only when the user changes its control; filling the controls, or the
// assistant refreshing its device lists, writes nothing.
class SeccionVoz : public FormularioAjustes {
    Q_OBJECT

public:
    static constexpr double velocidadMinima = 0.9;
    static constexpr double velocidadMaxima = 1.5;
    static constexpr double paso = 0.05;

    SeccionVoz(const EntornoAjustes& entorno, QWidget* parent = nullptr);

    // "velocidadVoz" when above 0, else 1.15.
    static double velocidadInicial(const Ajustes& ajustes);
    // The slider's steps and back.
    static int pasoDe(double velocidad);
    static float velocidadDe(int paso);
    static QString etiquetaMicrofono(const DispositivoAudio& d);
    static QString etiquetaSalida(const DispositivoAudio& d);
    static QString etiquetaVoz(const VozSistema& voz);
    // The fallback voice shown as chosen: the stored one, else the best
    // Spanish voice; empty when there is none.
    static QString vozElegida(const std::optional<QString>& guardada, const std::optional<VozSistema>& mejor);
    // The locale's name for people, or the locale itself; "—" without one.
    static QString nombreIdioma(const std::optional<QString>& locale);

    QComboBox* microfono() const { return microfono_; }
    QComboBox* salida() const { return salida_; }
    QLabel* idioma() const { return idioma_; }
    AjustesVozNeural* vozNeural() const { return vozNeural_; }
    QSlider* velocidad() const { return velocidad_; }
    QCheckBox* leer() const { return leer_; }
    QComboBox* vozRespaldo() const { return vozRespaldo_; }
    QCheckBox* enviar() const { return enviar_; }
    QCheckBox* musica() const { return musica_; }
    QCheckBox* eco() const { return eco_; }

private:
    void construirDispositivos();
    void construirHabla();
    void construirEscucha();
    void elegirMicrofono(int indice);
    void seguirMicrofonos();
    void seguirSalidas();

    EntornoAjustes entorno_;
    QComboBox* microfono_ = nullptr;
    QComboBox* salida_ = nullptr;
    QLabel* idioma_ = nullptr;
    AjustesVozNeural* vozNeural_ = nullptr;
    QSlider* velocidad_ = nullptr;
    QCheckBox* leer_ = nullptr;
    QComboBox* vozRespaldo_ = nullptr;
    QCheckBox* enviar_ = nullptr;
    QCheckBox* musica_ = nullptr;
    QCheckBox* eco_ = nullptr;
};
