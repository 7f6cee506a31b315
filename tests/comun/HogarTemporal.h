#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

// Points HOME and the XDG folders at a fresh temporary folder for the life
// of the object, so no test touches the real user's files.
class HogarTemporal {
public:
    HogarTemporal()
    {
        raiz_.setAutoRemove(true);
        const QString r = raiz_.path();
        qputenv("HOME", r.toUtf8());
        qputenv("XDG_CONFIG_HOME", (r + "/.config").toUtf8());
        qputenv("XDG_DATA_HOME", (r + "/.local/share").toUtf8());
        qputenv("XDG_STATE_HOME", (r + "/.local/state").toUtf8());
        QDir().mkpath(r + "/.config");
    }

    QString ruta() const { return raiz_.path(); }
    QString en(const QString& relativa) const { return raiz_.path() + QLatin1Char('/') + relativa; }

private:
    QTemporaryDir raiz_;
};
