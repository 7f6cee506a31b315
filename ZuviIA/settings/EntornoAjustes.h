#pragma once

#include <functional>

class Actualizador;
class Ajustes;
class Almacen;
class AsistenteVoz;
class DisenoVoz;
class EscuchaZuvi;
class EstadoIA;
class Locutor;
class ModoProyectos;
class Perfiles;
class Permisos;
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
    // What the system grants; the system's own unless a test sets one.
    Permisos* permisos = nullptr;
    // The updater lives with the shell, which sets it; without it the
    // updates section shows nothing.
    Actualizador* actualizador = nullptr;
    // Brings a main window forward, opening one when none is.
    std::function<void()> mostrarPrincipal = {};

    static EntornoAjustes shared();
};
