#pragma once

class Actualizador;
class Ajustes;
class Almacen;
class AsistenteVoz;
class EstadoIA;
class ModoProyectos;
class Permisos;
class Perfiles;
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
    // The banners' edges; a screen built without them shows neither
    // the update nor the accessibility banner.
    Actualizador* actualizador = nullptr;
    Permisos* permisos = nullptr;

    static Entorno shared();
};
