#pragma once

#include "plataforma/Reconocedor.h"

#include <QString>
#include <QStringList>

#include <memory>

// The few C functions of libvosk this application uses, bound at run time so
// the application runs (without recognition) where the library is missing.
struct BibliotecaVosk {
    struct Modelo;
    struct Reconocedor;

    Modelo* (*model_new)(const char* ruta) = nullptr;
    void (*model_free)(Modelo*) = nullptr;
    Reconocedor* (*recognizer_new)(Modelo*, float frecuencia) = nullptr;
    // Optional: a library without it hears everything.
    Reconocedor* (*recognizer_new_grm)(Modelo*, float frecuencia, const char* gramatica) = nullptr;
    void (*recognizer_free)(Reconocedor*) = nullptr;
    int (*recognizer_accept_waveform_f)(Reconocedor*, const float* datos, int n) = nullptr;
    const char* (*recognizer_result)(Reconocedor*) = nullptr;
    const char* (*recognizer_partial_result)(Reconocedor*) = nullptr;
    const char* (*recognizer_final_result)(Reconocedor*) = nullptr;
    void (*set_log_level)(int) = nullptr;

    // Loads the library at `ruta` and binds every function; none, with the
    // reason in `error`, when the library or one of them is missing. A
    // library stays loaded for the life of the process.
    static const BibliotecaVosk* cargar(const QString& ruta, QString& error);
};

namespace Vosk {

// ZUVI_LIBVOSK when set, else libvosk.so in the models folder when present,
// else the bare name for the system's library path.
QString rutaBiblioteca();
// ~/.local/share/ZuviIA/reconocimiento: one folder per model.
QString carpetaModelos();
// The locale a model folder is for ("vosk-model-small-es-0.42" gives "es",
// "es-CL" gives "es-CL"); empty when the name says none.
QString localeDeCarpeta(const QString& nombre);
// The index of the model for `pedido` among the models' locales: the same
// locale, else the same language; -1 when none fits.
int elegirModelo(const QStringList& locales, const QString& pedido);

// The grammar (a JSON list, "[unk]" last) that narrows a model to the
// phrases it can write: each word is looked up without case or accents and
// written as the vocabulary spells it; a phrase with a word the model does
// not know is left out. Empty when none is left.
QString gramatica(const QStringList& frases, const QStringList& vocabulario);

// The Vosk backend over the installed library and models.
std::shared_ptr<MotorReconocimiento> motor();

} // namespace Vosk
