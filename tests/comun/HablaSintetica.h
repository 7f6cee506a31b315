#pragma once

#include "comun/PulsePrueba.h"
#include "plataforma/Remuestreador.h"

#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

// Spoken Spanish for tests: espeak-ng's voice as 48 kHz mono float, and a
// writer that plays a list of samples into the test server's pipe
// microphone in real time, then silence until destroyed.
namespace HablaSintetica {

// Empty when espeak-ng is missing or its output cannot be read.
inline std::vector<float> decir(const QString& texto)
{
    QProcess p;
    p.start(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), QStringLiteral("es"), QStringLiteral("--stdout"), texto});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    const QByteArray wav = p.readAllStandardOutput();
    const qsizetype datos = wav.indexOf("data");
    if (wav.size() < 44 || datos < 0 || datos + 8 > wav.size())
        return {};
    quint32 frecuencia = 0;
    std::memcpy(&frecuencia, wav.constData() + 24, 4);
    std::vector<float> muestras;
    for (qsizetype i = datos + 8; i + 1 < wav.size(); i += 2) {
        qint16 m = 0;
        std::memcpy(&m, wav.constData() + i, 2);
        muestras.push_back(float(m) / 32768.0f);
    }
    Remuestreador r(frecuencia, 48000);
    std::vector<float> salida = r.procesar(muestras);
    const std::vector<float> resto = r.vaciar();
    salida.insert(salida.end(), resto.begin(), resto.end());
    return salida;
}

inline std::vector<float> silencio(double segundos)
{
    return std::vector<float>(size_t(segundos * 48000), 0.0f);
}

inline std::vector<float> seno(double segundos, float amplitud, double hz = 220)
{
    std::vector<float> v(size_t(segundos * 48000));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = amplitud * float(std::sin(2 * M_PI * hz * double(i) / 48000.0));
    return v;
}

class Escritor {
public:
    explicit Escritor(std::vector<float> programa)
    {
        hilo_ = std::thread([this, programa = std::move(programa)] {
            const int fd = PulsePrueba::abrirTuberiaMicrofono();
            if (fd < 0)
                return;
            std::vector<float> trozo(480); // 10 ms
            size_t n = 0;
            auto siguiente = std::chrono::steady_clock::now();
            while (!parar_) {
                for (float& m : trozo)
                    m = n < programa.size() ? programa[n++] : 0.0f;
                if (::write(fd, trozo.data(), trozo.size() * sizeof(float)) < 0)
                    break;
                siguiente += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(siguiente);
            }
            ::close(fd);
        });
    }
    ~Escritor()
    {
        parar_ = true;
        hilo_.join();
    }

private:
    std::atomic<bool> parar_ = false;
    std::thread hilo_;
};

} // namespace HablaSintetica
