#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

// Points HOME and the XDG folders at a fresh temporary folder for the life
// of the object, so no test touches the real user's files. A `nombre`
// puts the home one folder deeper, for paths with spaces or quotes.
class HogarTemporal {
public:
    explicit HogarTemporal(const QString& nombre = {})
        : ruta_(nombre.isEmpty() ? raiz_.path() : raiz_.path() + QLatin1Char('/') + nombre)
    {
        raiz_.setAutoRemove(true);
        const QString r = ruta_;
        QDir().mkpath(r);
        qputenv("HOME", r.toUtf8());
        qputenv("XDG_CONFIG_HOME", (r + "/.config").toUtf8());
        qputenv("XDG_DATA_HOME", (r + "/.local/share").toUtf8());
        qputenv("XDG_STATE_HOME", (r + "/.local/state").toUtf8());
        QDir().mkpath(r + "/.config");
    }

    QString ruta() const { return ruta_; }
    QString en(const QString& relativa) const { return ruta_ + QLatin1Char('/') + relativa; }

private:
    QTemporaryDir raiz_;
    const QString ruta_;
};
