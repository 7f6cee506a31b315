#include "projects/ModoProyectos.h"

// What a closed utterance is for; for now every one is an instruction.
void ModoProyectos::procesar(const QString& texto, const std::vector<float>& audio)
{
    Q_UNUSED(audio);
    enviarAlAgente(texto);
}
