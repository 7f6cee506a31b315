#pragma once

#include "audio/VozNeural.h"
#include "plataforma/Reloj.h"
#include "settings/EntornoAjustes.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The local neural voice's panel: its switch, whether the service is
// ready, a test phrase, the voice that comes with the application and the
// design of a new voice from a description. Readiness is read again every
// 1.5 s while the panel exists; the design itself lives in DisenoVoz, so
// leaving and coming back shows the one that runs.
class AjustesVozNeural : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds pausaSondeo{1500};
    static constexpr const char* descripcionInicial =
        "Voz masculina grave y serena, español latinoamericano neutro, tono cercano.";
    static constexpr const char* frasePrueba = "Hola, esta es la voz de la zuvi. ¿Qué construimos hoy?";
    static constexpr const char* pistaInstalar =
        "Instálala desde Ajustes → Avanzado → Asistente de instalación → Abrir, en el paso «Voz».";

    explicit AjustesVozNeural(const EntornoAjustes& entorno, QWidget* parent = nullptr);

    static bool puedeDisenar(bool lista, bool disenando, const QString& descripcion);

    bool lista() const { return lista_; }
    QLabel* estado() const { return estado_; }
    QCheckBox* usar() const { return usar_; }
    QPushButton* probar() const { return probar_; }
    QPushButton* original() const { return original_; }
    QPlainTextEdit* descripcion() const { return descripcion_; }
    QPushButton* disenar() const { return disenar_; }
    QLabel* progreso() const { return progreso_; }
    QLabel* error() const { return error_; }

private:
    void construirInstalada();
    void alUsar(bool on);
    void sondear();
    void pintar();

    EntornoAjustes entorno_;
    bool activada_ = true;
    bool lista_ = false;
    EstadoVoz voz_;
    Temporizador sondeo_;
    QLabel* estado_ = nullptr;
    QCheckBox* usar_ = nullptr;
    QPushButton* probar_ = nullptr;
    QPushButton* original_ = nullptr;
    QPlainTextEdit* descripcion_ = nullptr;
    QProgressBar* rueda_ = nullptr;
    QLabel* progreso_ = nullptr;
    QLabel* error_ = nullptr;
    QPushButton* disenar_ = nullptr;
};
