#pragma once

class Ajustes;
class AsistenteVoz;
class EscuchaZuvi;
class ModoProyectos;

// The wake-phrase listener sits below the assistant and the room; this
// hands it what it reads of them and tells it when the room starts or ends.
// The shell calls it once at launch, before the listener's first start.
namespace EnlaceEscucha {

void conectar(EscuchaZuvi& escucha, AsistenteVoz& asistente, ModoProyectos& modo, Ajustes& ajustes);

}
