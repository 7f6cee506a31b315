#pragma once

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// One audio device as the room shows it. `id` lives while the sound server
// runs; `uid` is what the settings store.
struct DispositivoAudio {
    uint32_t id = 0;
    QString uid;
    QString nombre;
    QString fabricante;
    uint32_t transporte = 0; // four-character code

    // Spanish connection label and the symbol drawn beside it.
    QString conexion() const { return conexionDe(transporte); }
    QString simbolo() const { return simboloDe(conexion()); }

    static QString conexionDe(uint32_t transporte);
    // Chosen from the label, so label and symbol always agree.
    static QString simboloDe(const QString& conexion);

    // The listed device with that UID; none when no UID is given or the
    // device is not listed.
    static std::optional<DispositivoAudio> conUID(const QList<DispositivoAudio>& lista,
                                                  const std::optional<QString>& uid);
    // Its id; none means the system default.
    static std::optional<uint32_t> idDe(const QList<DispositivoAudio>& lista, const std::optional<QString>& uid);

    friend bool operator==(const DispositivoAudio&, const DispositivoAudio&) = default;
};

size_t qHash(const DispositivoAudio& d, size_t semilla = 0) noexcept;

template <>
struct std::hash<DispositivoAudio> {
    size_t operator()(const DispositivoAudio& d) const noexcept { return qHash(d); }
};

Q_DECLARE_METATYPE(DispositivoAudio)
