#pragma once

#include "audio/VozNeural.h"
#include "comun/HogarTemporal.h"
#include "comun/ProcesoVivo.h"
#include "comun/RelojFalso.h"
#include "plataforma/Ajustes.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <signal.h>

#include <vector>

// A temporary home whose voice folder has a ".venv/bin/python" that notes
// each launch's process id and runs the system's Python (Debian's, which
// has numpy). With a file "fallar" in the voice folder it exits at once,
// like a service that dies before it is ready; with "sordo" it announces
// itself and then ignores SIGTERM, like a service busy in its model. With
// `natural` the stand-ins of the neural voice's packages are on its path,
// so the service loads its neural engine over them (and a speaker model
// file is in place).
class ServicioVozPrueba {
public:
    explicit ServicioVozPrueba(bool natural = false)
    {
        const QString bin = VozNeural::carpeta() + "/.venv/bin";
        QDir().mkpath(bin);
        QFile python(bin + "/python");
        python.open(QIODevice::WriteOnly);
        python.write("#!/bin/sh\n"
                     "echo $$ >> \"$ZUVIIA_VOZ_DIR/lanzamientos\"\n"
                     "[ -e \"$ZUVIIA_VOZ_DIR/fallar\" ] && exit 3\n"
                     "if [ -e \"$ZUVIIA_VOZ_DIR/sordo\" ]; then\n"
                     "  trap '' TERM; echo PUERTO=1; echo LISTO\n"
                     "  while :; do sleep 1; done\n"
                     "fi\n"
                     "[ -e \"$ZUVIIA_VOZ_DIR/natural\" ] && export PYTHONPATH=\"" ZUVI_SUSTITUTOS_VOZ "\"\n"
                     "exec /usr/bin/python3 \"$@\"\n");
        python.close();
        python.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile(voz(VozNeural::marcaInstalada)).open(QIODevice::WriteOnly);
        if (natural) {
            QFile(voz("natural")).open(QIODevice::WriteOnly);
            QDir().mkpath(voz("modelos"));
            QFile(voz("modelos/huella_voz.onnx")).open(QIODevice::WriteOnly);
        }
    }

    // What the stand-in model noted: one JSON object per line.
    QList<QJsonObject> notas() const
    {
        QFile f(voz("sustituto.jsonl"));
        QList<QJsonObject> lista;
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& l : f.readAll().split('\n'))
                if (!l.isEmpty())
                    lista << QJsonDocument::fromJson(l).object();
        return lista;
    }

    QString voz(const QString& rel) const { return VozNeural::carpeta() + '/' + rel; }

    QList<qint64> lanzamientos() const
    {
        QFile f(voz("lanzamientos"));
        QList<qint64> pids;
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& l : f.readAll().split('\n'))
                if (!l.isEmpty())
                    pids << l.toLongLong();
        return pids;
    }


    // Spanish speech from espeak-ng at 16 kHz, as the voice-print capture
    // hands it over.
    static std::vector<float> decir16k(const QString& voz, const QString& texto)
    {
        QProcess p;
        p.start("espeak-ng", {"-v", voz, "--stdout", "--", texto});
        p.waitForFinished(10000);
        const QByteArray wav = p.readAllStandardOutput();
        const auto* s = reinterpret_cast<const qint16*>(wav.constData() + 44);
        const qsizetype n = (wav.size() - 44) / 2;
        std::vector<float> salida;
        for (double pos = 0; pos + 1 < n; pos += 22050.0 / 16000.0) {
            const qsizetype i = qsizetype(pos);
            const double f = pos - i;
            salida.push_back(float(((1 - f) * s[i] + f * s[i + 1]) / 32768.0));
        }
        return salida;
    }

    HogarTemporal hogar;  // first: the paths above read it
    Ajustes ajustes{hogar.en(".config/cl.norp.ZuviIA.conf")};
    RelojFalso reloj;
};
