#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

// The three ways a dictation start fails, each with its Spanish message.
class ErrorDictado : public std::runtime_error {
public:
    enum class Caso { dispositivo, sinReconocedor, formato };

    static ErrorDictado dispositivo(int32_t estado) { return ErrorDictado(Caso::dispositivo, estado); }
    static ErrorDictado sinReconocedor() { return ErrorDictado(Caso::sinReconocedor, 0); }
    static ErrorDictado formato() { return ErrorDictado(Caso::formato, 0); }

    Caso caso() const { return caso_; }
    int32_t estado() const { return estado_; }
    QString descripcion() const { return QString::fromUtf8(what()); }

    static QString mensaje(Caso caso, int32_t estado);

private:
    ErrorDictado(Caso caso, int32_t estado)
        : std::runtime_error(mensaje(caso, estado).toStdString()), caso_(caso), estado_(estado) {}

    Caso caso_;
    int32_t estado_;
};
