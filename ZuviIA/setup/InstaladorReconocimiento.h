#pragma once

#include "plataforma/Reloj.h"
#include "setup/EstadoPaso.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;

// The Spanish speech model installed from the application: downloaded,
// checked, and unpacked with the archive rules of the updates into the
// models folder, where recognition finds it without a restart. GUI thread
// only; the unpacking runs on a worker.
class InstaladorReconocimiento : public QObject {
    Q_OBJECT
    Q_PROPERTY(EstadoPaso estado READ estado NOTIFY estadoCambiado)
    Q_PROPERTY(double progreso READ progreso NOTIFY progresoCambiado)
    Q_PROPERTY(bool descargando READ descargando NOTIFY estadoCambiado)

public:
    // Where the model comes from and what it must hold.
    struct Modelo {
        QUrl url;
        QString carpeta; // its one top folder in the archive
        qint64 bytes;    // the archive's size, shown and used for progress
    };
    static const Modelo& espanol();

    struct Capas {
        Reloj& reloj = Reloj::sistema();
        // The models folder (Vosk::carpetaModelos() when empty).
        QString destino;
        Modelo modelo = espanol();
        // Free bytes where the model goes; QStorageInfo's by default.
        std::function<qint64(const QString& carpeta)> espacioLibre;
        // Called once a model is in place: recognition can start.
        std::function<void()> alInstalar;
    };

    static constexpr std::chrono::seconds inactividad{30};

    explicit InstaladorReconocimiento(Capas capas, QObject* parent = nullptr);
    ~InstaladorReconocimiento() override;

    static InstaladorReconocimiento& shared();

    // falta, trabajando (downloading or unpacking), listo, or error with
    // the Spanish reason.
    EstadoPaso estado() const { return estado_; }
    // 0…1 of the download.
    double progreso() const { return progreso_; }
    bool descargando() const { return descargando_; }
    const Modelo& modelo() const { return modelo_; }

    // A Spanish model already in the folder.
    bool instalado() const;
    void refrescar();
    void instalar();
    // Stops a download; nothing of it stays behind.
    void cancelar();

    // "39 MB"
    static QString tamano(qint64 bytes);
    // Room for the archive and what it unpacks to.
    static qint64 espacioNecesario(qint64 bytes) { return bytes * 3; }
    // The top folder holds a model Vosk can load.
    static bool modeloCompleto(const QString& carpeta);

signals:
    void estadoCambiado();
    void progresoCambiado();

private:
    void setEstado(const EstadoPaso& estado, bool descargando = false);
    void setProgreso(double valor);
    void fallar(const QString& mensaje, const QString& detalle);
    void alDescargar(int numero, std::shared_ptr<QByteArray> datos);
    void alDesempaquetar(int numero, const QString& error);

    Reloj& reloj_;
    QString destino_;
    Modelo modelo_;
    std::function<qint64(const QString&)> espacioLibre_;
    std::function<void()> alInstalar_;
    std::unique_ptr<QNetworkAccessManager> red_;

    EstadoPaso estado_ = EstadoPaso::falta();
    double progreso_ = 0;
    bool descargando_ = false;
    // Raised by every start and cancel: a late answer of an older one is dropped.
    int numero_ = 0;
};
