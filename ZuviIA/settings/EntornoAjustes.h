#pragma once

class Ajustes;
class Almacen;
class AsistenteVoz;
class DisenoVoz;
class EscuchaZuvi;
class EstadoIA;
class Locutor;
class ModoProyectos;
class Perfiles;
class Reloj;
class VozNeural;

// The shared objects the settings window's sections read and change.
// Tests fill it with objects of their own; the application uses shared().
struct EntornoAjustes {
    Ajustes& ajustes;
    Reloj& reloj;
    AsistenteVoz& asistente;
    EscuchaZuvi& escucha;
    ModoProyectos& modo;
    EstadoIA& estadoIA;
    Perfiles& perfiles;
    Almacen& almacen;
    VozNeural& vozNeural;
    Locutor& locutor;
    DisenoVoz& diseno;

    static EntornoAjustes shared();
};
