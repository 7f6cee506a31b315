#pragma once

#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include "plataforma/Reloj.h"

#include <chrono>

#include <memory>
#include <optional>

// The application's settings (domain "cl.norp.ZuviIA"), kept as an INI file
// in the XDG config folder. Reads fall back as the callers say; every write
// by this process emits cambiado(clave) and is seen at once by every reader
// in the process, while the file itself is written at most once a second,
// at quit and when this object goes. Safe to call from any thread.
class Ajustes : public QObject {
    Q_OBJECT

public:
    static constexpr const char* dominio = "cl.norp.ZuviIA";

    static constexpr std::chrono::seconds pausaEscritura{1};

    explicit Ajustes(const QString& archivo, Reloj& reloj = Reloj::sistema(), QObject* parent = nullptr);
    ~Ajustes() override;

    // $XDG_CONFIG_HOME/cl.norp.ZuviIA.conf, worked out when first used.
    static Ajustes& shared();
    static QString archivoPorDefecto();

    bool contiene(const QString& clave) const;
    QVariant valor(const QString& clave) const;

    // A stored Bool is used; anything else gives the fallback.
    bool booleano(const QString& clave, bool porDefecto) const;
    std::optional<bool> booleanoOpcional(const QString& clave) const;
    // A stored text; anything else gives the fallback.
    QString texto(const QString& clave, const QString& porDefecto = {}) const;
    std::optional<QString> textoOpcional(const QString& clave) const;
    // A stored number; anything else gives the fallback.
    double real(const QString& clave, double porDefecto) const;
    QStringList listaTextos(const QString& clave) const;
    std::optional<QDateTime> fecha(const QString& clave) const;

    void escribir(const QString& clave, const QVariant& valor);
    void quitar(const QString& clave);

    QString archivo() const;
    // Writes what this object holds back to the file now.
    void volcar();

signals:
    void cambiado(const QString& clave);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void pendiente();
    void programar();

    Reloj& reloj_;
    mutable QMutex mutex_;
    std::unique_ptr<QSettings> settings_;
    bool programado_ = false; // guarded by mutex_
    Temporizador volcado_;    // owner thread only
};
