#pragma once

class Ajustes;
class Almacen;
class AsistenteVoz;
class EscuchaZuvi;
class EstadoIA;
class Instalador;
class Locutor;
class ModoProyectos;
class Perfiles;
class Permisos;
class Reloj;

// The shared objects every main window and its views are built over.
// Tests fill it with objects of their own; the application uses shared().
struct Entorno {
    Ajustes& ajustes;
    Reloj& reloj;
    Almacen& almacen;
    Perfiles& perfiles;
    EstadoIA& estadoIA;
    AsistenteVoz& asistente;
    ModoProyectos& modo;
    // What only the setup assistant uses; the shared ones where none is
    // given.
    Instalador* instalador = nullptr;
    EscuchaZuvi* escucha = nullptr;
    Permisos* permisos = nullptr;
    Locutor* locutor = nullptr;

    Instalador& ins() const;
    EscuchaZuvi& oye() const;
    Permisos& permisosSistema() const;
    Locutor& locutorVoz() const;

    static Entorno shared();
};
