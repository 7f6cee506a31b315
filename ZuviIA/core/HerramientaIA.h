#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

// A catalogue entry of an AI tool the application knows.
struct HerramientaIA {
    enum class Tipo { app, cli };
    enum class Proveedor { anthropic, openAI };

    QString id;            // stable key, e.g. "claude-code"
    QString nombre;        // shown to the user
    Tipo tipo = Tipo::cli;
    Proveedor proveedor = Proveedor::anthropic;
    QStringList bundleIDs; // applications only; "<id>.desktop" is tried first
    std::optional<QString> comando;   // command-line tools only
    // Desktop entry files that stand for the application on Linux, tried
    // after the bundle identifiers.
    QStringList entradasEscritorio;

    bool operator==(const HerramientaIA&) const = default;

    // The five known tools, in the order of every detection result.
    static const QList<HerramientaIA>& catalogo();
    static std::optional<HerramientaIA> porId(const QString& id);
};

// "Anthropic" or "OpenAI": the raw value is also the text shown.
QString valorCrudo(HerramientaIA::Proveedor proveedor);

// The result of looking for one tool.
struct Deteccion {
    HerramientaIA herramienta;
    std::optional<QString> ruta;      // the desktop entry or the executable
    std::optional<QString> version;

    bool instalada() const { return ruta.has_value(); }
    bool operator==(const Deteccion&) const = default;
};

size_t qHash(const HerramientaIA& h, size_t semilla = 0);
size_t qHash(const Deteccion& d, size_t semilla = 0);

Q_DECLARE_METATYPE(Deteccion)
