#include "core/Registro.h"

#include "plataforma/Carpetas.h"

#include <QDir>
#include <QFile>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// One writer thread, like a serial queue. Destroyed at process exit, after
// it has written what is still queued.
class Escritor {
public:
    Escritor() : hilo_([this] { bucle(); }) {}

    ~Escritor()
    {
        {
            std::lock_guard cerrojo(mutex_);
            fin_ = true;
        }
        hayTrabajo_.notify_all();
        hilo_.join();
    }

    void encolar(QByteArray linea)
    {
        {
            std::lock_guard cerrojo(mutex_);
            cola_.push_back(std::move(linea));
            ++encoladas_;
        }
        hayTrabajo_.notify_one();
    }

    void vaciar()
    {
        std::unique_lock cerrojo(mutex_);
        const quint64 objetivo = encoladas_;
        escrito_.wait(cerrojo, [&] { return escritas_ >= objetivo; });
    }

    QString archivo()
    {
        std::call_once(rutaUnaVez_, [this] { ruta_ = Carpetas::estadoApp() + QStringLiteral("/zuvi.log"); });
        return ruta_;
    }

private:
    void bucle()
    {
        std::unique_lock cerrojo(mutex_);
        for (;;) {
            hayTrabajo_.wait(cerrojo, [this] { return fin_ || !cola_.empty(); });
            if (cola_.empty())
                return;
            QByteArray linea = std::move(cola_.front());
            cola_.pop_front();
            cerrojo.unlock();
            escribir(linea);
            cerrojo.lock();
            ++escritas_;
            escrito_.notify_all();
        }
    }

    // Append only: an existing log is never replaced or truncated. A line
    // that cannot be written is dropped.
    void escribir(const QByteArray& linea)
    {
        const QString ruta = archivo();
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            QDir().mkpath(ruta.section(QLatin1Char('/'), 0, -2));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
                return;
        }
        f.write(linea);
    }

    std::mutex mutex_;
    std::condition_variable hayTrabajo_;
    std::condition_variable escrito_;
    std::deque<QByteArray> cola_;
    quint64 encoladas_ = 0;
    quint64 escritas_ = 0;
    bool fin_ = false;
    std::once_flag rutaUnaVez_;
    QString ruta_;
    std::thread hilo_;
};

Escritor& escritor()
{
    static Escritor e;
    return e;
}

}

namespace Registro {

QString linea(const QDateTime& momento, const QString& texto)
{
    // Qt formats with the C locale: Gregorian calendar and ASCII digits.
    return momento.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("  ")
         + texto + QLatin1Char('\n');
}

void anotar(const QString& texto)
{
    escritor().encolar(linea(QDateTime::currentDateTime(), texto).toUtf8());
}

QString archivo() { return escritor().archivo(); }

void vaciar() { escritor().vaciar(); }

}
