#pragma once

#include "core/Codificacion.h"
#include "core/Modelos.h"

#include <QObject>
#include <QSet>

#include <optional>

class Ajustes;
class Reloj;

// The people who have introduced themselves in the room, kept in
// "perfiles.json"; their names are mirrored to "terminosPerfiles" for
// speech recognition. GUI thread only.
class Perfiles : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Perfil> todos READ todos NOTIFY todosCambiados)
    Q_PROPERTY(std::optional<Perfil> activo READ activo WRITE setActivo NOTIFY activoCambiado)
    Q_PROPERTY(QList<Perfil> presentes READ presentes WRITE setPresentes NOTIFY presentesCambiados)

public:
    struct Activacion {
        Perfil perfil;
        bool nuevo;
    };

    // Loads `carpetaDatos`/perfiles.json once; voice prints live in
    // `carpetaDatos`/voz/huellas.
    Perfiles(Ajustes& ajustes, Reloj& reloj, const QString& carpetaDatos, QObject* parent = nullptr);

    static Perfiles& shared();

    // In file order; new people are appended.
    const QList<Perfil>& todos() const { return todos_; }
    const std::optional<Perfil>& activo() const { return activo_; }
    // Every assignment rewrites "perfilActivo" and "perfilActivoDesde".
    void setActivo(std::optional<Perfil> perfil);
    const QList<Perfil>& presentes() const { return presentes_; }
    void setPresentes(QList<Perfil> presentes);

    // Makes the person active and present, creating them when unknown, and
    // prepares their memory folder.
    Activacion activar(const QString& nombre);
    // By name key, then by the first word of the key.
    std::optional<Perfil> buscar(const QString& nombre) const;
    void marcarActividad();
    // Forgets the person and deletes their voice print; the memory folder stays.
    void eliminar(const Perfil& perfil);

    QString archivo() const { return archivo_; }
    static QString carpetaHuellas(const QString& carpetaDatos);
    static QString carpetaHuellas();
    static bool tieneHuella(const Perfil& perfil, const QString& carpetaDatos);
    static bool tieneHuella(const Perfil& perfil);

    // The name someone gives in an utterance ("me llamo Ana"), or none.
    static std::optional<QString> extraerNombre(const QString& texto);
    // Words that are never a name on their own.
    static const QSet<QString>& comunes();

signals:
    void todosCambiados();
    void activoCambiado();
    void presentesCambiados();

private:
    void cargar();
    void setTodos(QList<Perfil> todos);
    void guardar();
    void reemplazar(const Perfil& perfil);
    static QString archivoHuella(const Perfil& perfil, const QString& carpetaDatos);

    Ajustes& ajustes_;
    Reloj& reloj_;
    QString carpetaDatos_;
    QString archivo_;
    QList<Perfil> todos_;
    std::optional<Perfil> activo_;
    QList<Perfil> presentes_;
    // People a newer version wrote that this one cannot read: kept out of
    // the list and written back in their places.
    QList<Codificacion::Ilegible> ilegibles_;
    bool sinGuardar_ = false;
};
