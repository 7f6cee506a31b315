#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// A compact JSON writer straight into bytes: building QJsonObjects for a
// whole store costs several times more than the writing itself. Dates and
// UUIDs are written as the store files hold them.
class EscritorJson {
public:
    QByteArray datos;

    void abrirObjeto() { datos += '{'; primero_ = true; }
    void cerrarObjeto() { datos += '}'; primero_ = false; }
    void abrirLista() { datos += '['; primero_ = true; }
    void cerrarLista() { datos += ']'; primero_ = false; }
    void separar();

    void clave(const char* nombre);
    void clave(const QString& nombre);

    void valor(const QString& texto);
    void valor(double numero);
    void valor(qint64 numero);
    void valor(bool si);
    void valor(const QDateTime& fecha);
    void valor(const QUuid& id);
    void valor(const QStringList& textos);
    // Any JSON value as Qt writes it, compact.
    void valor(const QJsonValue& crudo);

    template <typename T>
    void campo(const char* nombre, const T& v)
    {
        clave(nombre);
        valor(v);
    }

    template <typename T>
    void campo(const char* nombre, const std::optional<T>& v)
    {
        if (v)
            campo(nombre, *v);
    }

    // Keys of a newer version, after the known ones, as they were read.
    void otras(const QJsonObject& claves);

private:
    void texto(const QByteArray& utf8);
    void escapar(unsigned char c);

    bool primero_ = true;
};
