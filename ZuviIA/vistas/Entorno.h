#pragma once

#include <QString>

#include <functional>

class Actualizador;
class Ajustes;
class Almacen;
class AppRouter;
class AsistenteVoz;
class ComprobacionPermisos;
class EscuchaZuvi;
class EstadoIA;
class Instalador;
class InstaladorReconocimiento;
class Locutor;
class ModoProyectos;
class Permisos;
class Perfiles;
class Reloj;

// The shared objects every main window and its views are built over.
// Tests fill it with objects of their own; the application uses shared().
// Each ...EnUso() is the object given, or the shared one when none is.
struct Entorno {
    Ajustes& ajustes;
    Reloj& reloj;
    Almacen& almacen;
    Perfiles& perfiles;
    EstadoIA& estadoIA;
    AsistenteVoz& asistente;
    ModoProyectos& modo;
    // The edges below default to the system's when left empty.
    AppRouter* router = nullptr;
    ComprobacionPermisos* permisos = nullptr;
    // Stops every voice the application speaks with, at once.
    std::function<void()> callarVoz = {};
    // Opens the settings pane that grants `panel` ("Privacy_Microphone"…).
    std::function<void(const QString& panel)> abrirPrivacidad = {};
    // The banners' edges; a screen built without them shows neither
    // the update nor the accessibility banner.
    Actualizador* actualizador = nullptr;
    Permisos* accesibilidad = nullptr;
    // What only the setup assistant uses; the shared ones where none is
    // given (the system's permissions are `accesibilidad`'s).
    Instalador* instalador = nullptr;
    EscuchaZuvi* escucha = nullptr;
    Locutor* locutor = nullptr;
    // The Spanish speech model's installer (the voice step, the banner).
    InstaladorReconocimiento* reconocimiento = nullptr;

    EscuchaZuvi& escuchaEnUso() const;
    Permisos& permisosEnUso() const;
    Locutor& locutorEnUso() const;
    ComprobacionPermisos& comprobacion() const;
    void callar() const;
    void abrirPanel(const QString& panel) const;

    // The shell's: these reach the rooms above this one (EntornoCompartido.cpp).
    static Entorno shared();
    Instalador& instaladorEnUso() const;
    InstaladorReconocimiento& reconocimientoEnUso() const;
    AppRouter& enrutador() const;
};
