#pragma once

#include "core/Modelos.h"
#include "settings/FormularioAjustes.h"

#include <QPointer>

#include <optional>

class Almacen;
class AsistenteVoz;
class ModoProyectos;
class Perfiles;
class QLabel;
class QMessageBox;

// "Personas y proyectos": the people the room knows with their project
// count and voice-print state, their memory folders, their deletion after
// a confirmation, and the projects folder. Follows the stores live.
class SeccionPersonas : public FormularioAjustes {
    Q_OBJECT

public:
    SeccionPersonas(Perfiles& perfiles, Almacen& almacen, AsistenteVoz& asistente, ModoProyectos& modo,
                    QWidget* parent = nullptr);

    // Conversations that name the person among their attendees or belong
    // to them, each once.
    static int proyectos(const Perfil& perfil, const QList<Conversacion>& conversaciones);
    // "3 proyectos · voz registrada".
    static QString detalle(int proyectos, bool huella);
    // `ruta` with the home folder written "~".
    static QString rutaCorta(const QString& ruta, const QString& home);

    const std::optional<Perfil>& porBorrar() const { return porBorrar_; }
    // The open confirmation, while `porBorrar` is set.
    QMessageBox* confirmacion() const;

private:
    void llenarPersonas();
    QWidget* filaPersona(const Perfil& perfil);
    void pedirBorrado(const Perfil& perfil);
    void borrar();
    void seguirProyectos();

    Perfiles& perfiles_;
    Almacen& almacen_;
    AsistenteVoz& asistente_;
    ModoProyectos& modo_;
    std::optional<Perfil> porBorrar_;
    Grupo personas_;
    QLabel* guardados_ = nullptr;
    QPointer<QMessageBox> confirmacion_;
    QStringList vista_;
    bool mostrado_ = false;
};
