#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <optional>

// Reads the voice service's announcements ("PUERTO=<n>", "MOTOR=<name>",
// "LISTO") from its
// standard output. A line may arrive cut across two reads, and a character
// across two chunks, so both the undecoded bytes and the unfinished line
// wait for the next read.
class SaludoVoz {
public:
    struct Anuncio {
        std::optional<int> puerto;  // the last port announced in the chunk
        bool listo = false;         // "LISTO" was read in the chunk
        std::optional<QString> motor;  // the engine that speaks
        std::optional<int> lentaMs;    // "LENTA=<ms>": a first sample that took that long
    };

    Anuncio leer(const QByteArray& trozo);

    // "PUERTO=" followed by an optional sign and decimal digits, nothing else.
    static std::optional<int> puertoDe(QStringView linea) { return numeroDe(linea, u"PUERTO="); }
    static std::optional<int> lentaDe(QStringView linea) { return numeroDe(linea, u"LENTA="); }
    static bool esListo(QStringView linea) { return linea == u"LISTO"; }
    static std::optional<QString> motorDe(QStringView linea);

private:
    static std::optional<int> numeroDe(QStringView linea, QStringView prefijo);

    QStringDecoder decodificador_{QStringDecoder::Utf8};
    QString pendiente_;
};
