#include "plataforma/Vosk.h"

#include "plataforma/Carpetas.h"
#include "plataforma/TerminosReconocimiento.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <dlfcn.h>

#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

template <typename F>
bool enlazar(void* manija, const char* nombre, F& destino, QString& error)
{
    destino = reinterpret_cast<F>(dlsym(manija, nombre));
    if (!destino)
        error = QStringLiteral("a libvosk le falta %1").arg(QLatin1String(nombre));
    return destino != nullptr;
}

QString normal(QString locale)
{
    return locale.replace(QLatin1Char('_'), QLatin1Char('-')).toLower();
}

QString campo(const char* json, const char* clave)
{
    if (!json)
        return QString();
    return QJsonDocument::fromJson(QByteArray(json)).object().value(QLatin1String(clave)).toString().trimmed();
}

using ModeloCompartido = std::shared_ptr<BibliotecaVosk::Modelo>;
// A model being loaded, or loaded: it throws the reason when it failed.
using ModeloEnCarga = std::shared_future<ModeloCompartido>;

// The words a model can write (graph/words.txt).
QStringList vocabulario(const QString& carpeta)
{
    QStringList palabras;
    QFile f(carpeta + QStringLiteral("/graph/words.txt"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& linea : f.readAll().split('\n')) {
            const QByteArray palabra = linea.left(linea.indexOf(' '));
            if (!palabra.isEmpty())
                palabras << QString::fromUtf8(palabra);
        }
    }
    return palabras;
}

// The grammar of `frases` for a model, made once per model and phrases:
// it folds the model's whole vocabulary, and a listener opens a stream
// for every utterance.
QString gramaticaDe(const QString& carpeta, const QStringList& frases)
{
    static std::mutex mutex;
    static std::map<std::pair<QString, QStringList>, QString> hechas;
    std::lock_guard g(mutex);
    auto clave = std::make_pair(carpeta, frases);
    if (auto it = hechas.find(clave); it != hechas.end())
        return it->second;
    return hechas[std::move(clave)] = Vosk::gramatica(frases, vocabulario(carpeta));
}

// Its recognizer is made on the recognition worker at the first audio,
// once the model is there: opening a stream never waits for the model.
class FlujoVosk final : public FlujoReconocimiento {
public:
    FlujoVosk(const BibliotecaVosk& b, ModeloEnCarga modelo, QString carpeta = {}, QStringList frases = {})
        : b_(b), carga_(std::move(modelo)), carpeta_(std::move(carpeta)), frases_(std::move(frases))
    {
    }
    ~FlujoVosk() override
    {
        if (r_)
            b_.recognizer_free(r_);
    }

    bool aceptar(std::span<const float> m, std::chrono::steady_clock::time_point) override
    {
        return b_.recognizer_accept_waveform_f(reconocedor(), m.data(), int(m.size())) == 1;
    }
    QString enunciado() override { return campo(b_.recognizer_result(reconocedor()), "text"); }
    QString parcial() override { return campo(b_.recognizer_partial_result(reconocedor()), "partial"); }
    QString final() override { return campo(b_.recognizer_final_result(reconocedor()), "text"); }

private:
    BibliotecaVosk::Reconocedor* reconocedor()
    {
        if (!r_) {
            modelo_ = carga_.get();
            // Here, on the recognition worker: the vocabulary is a file to read.
            const QString g = frases_.isEmpty() || !b_.recognizer_new_grm ? QString() : gramaticaDe(carpeta_, frases_);
            r_ = g.isEmpty() ? b_.recognizer_new(modelo_.get(), 16000.0f)
                             : b_.recognizer_new_grm(modelo_.get(), 16000.0f, g.toUtf8().constData());
            if (!r_)
                throw std::runtime_error("No se pudo preparar el reconocimiento de voz.");
        }
        return r_;
    }

    const BibliotecaVosk& b_;
    ModeloEnCarga carga_;
    QString carpeta_;
    QStringList frases_;
    ModeloCompartido modelo_;
    BibliotecaVosk::Reconocedor* r_ = nullptr;
};

class MotorVosk final : public MotorReconocimiento, public std::enable_shared_from_this<MotorVosk> {
public:
    // Never waits for a model: the first call starts loading it on a
    // worker, and a model that failed to load answers false from then on.
    bool disponible() override
    {
        std::lock_guard g(mutex_);
        const auto carga = cargaPara(QStringLiteral("es"));
        if (!carga)
            return false;
        if (carga->wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return true;
        try {
            return carga->get() != nullptr;
        } catch (const std::exception&) {
            return false;
        }
    }

    QString motivo() override
    {
        std::lock_guard g(mutex_);
        return motivo_;
    }

    QStringList locales() override
    {
        QStringList l;
        for (const auto& [carpeta, locale] : carpetas())
            l << locale;
        return l;
    }

    std::unique_ptr<FlujoReconocimiento> abrir(const QString& locale) override
    {
        return abrirRestringido(locale, {});
    }

    std::unique_ptr<FlujoReconocimiento> abrirRestringido(const QString& locale, const QStringList& frases) override
    {
        std::lock_guard g(mutex_);
        QString carpeta;
        const auto carga = cargaPara(locale, &carpeta);
        if (!carga)
            return nullptr;
        if (carga->wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            try {
                carga->get();
            } catch (const std::exception&) {
                return nullptr;
            }
        }
        return std::make_unique<FlujoVosk>(*biblioteca_, *carga, carpeta, frases);
    }

private:
    // The model folders with the locale each is for, in name order.
    static std::vector<std::pair<QString, QString>> carpetas()
    {
        std::vector<std::pair<QString, QString>> lista;
        const QDir raiz(Vosk::carpetaModelos());
        for (const QString& nombre : raiz.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const QString locale = Vosk::localeDeCarpeta(nombre);
            if (!locale.isEmpty())
                lista.emplace_back(raiz.filePath(nombre), locale);
        }
        return lista;
    }

    // Mutex held. The library is bound here (quick); the model is loaded
    // on a thread of its own, without the mutex.
    std::optional<ModeloEnCarga> cargaPara(const QString& locale, QString* carpeta = nullptr)
    {
        if (!biblioteca_) {
            biblioteca_ = BibliotecaVosk::cargar(Vosk::rutaBiblioteca(), motivo_);
            if (!biblioteca_)
                return std::nullopt;
            biblioteca_->set_log_level(-1);
        }
        const auto lista = carpetas();
        QStringList locales;
        for (const auto& c : lista)
            locales << c.second;
        const int i = Vosk::elegirModelo(locales, locale);
        if (i < 0) {
            motivo_ = QStringLiteral("no hay modelo de voz para %1 en %2").arg(locale, Vosk::carpetaModelos());
            return std::nullopt;
        }
        const QString ruta = lista[size_t(i)].first;
        if (carpeta)
            *carpeta = ruta;
        if (auto it = modelos_.find(ruta); it != modelos_.end())
            return it->second;
        auto promesa = std::make_shared<std::promise<ModeloCompartido>>();
        ModeloEnCarga carga = promesa->get_future().share();
        modelos_[ruta] = carga;
        std::thread([yo = weak_from_this(), b = biblioteca_, ruta, promesa] {
            BibliotecaVosk::Modelo* m = b->model_new(QFile::encodeName(ruta).constData());
            const QString fallo = QStringLiteral("no se pudo cargar el modelo %1").arg(ruta);
            if (auto motor = yo.lock()) {
                std::lock_guard g(motor->mutex_);
                motor->motivo_ = m ? QString() : fallo;
            }
            if (m)
                promesa->set_value(ModeloCompartido(m, b->model_free));
            else
                promesa->set_exception(std::make_exception_ptr(std::runtime_error(fallo.toStdString())));
        }).detach();
        return carga;
    }

    std::mutex mutex_;
    const BibliotecaVosk* biblioteca_ = nullptr;
    std::map<QString, ModeloEnCarga> modelos_;
    QString motivo_;
};

} // namespace

const BibliotecaVosk* BibliotecaVosk::cargar(const QString& ruta, QString& error)
{
    static std::mutex mutex;
    static std::map<QString, std::unique_ptr<BibliotecaVosk>> cargadas;
    std::lock_guard g(mutex);
    if (auto it = cargadas.find(ruta); it != cargadas.end())
        return it->second.get();
    void* manija = dlopen(QFile::encodeName(ruta).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!manija) {
        error = QStringLiteral("no se pudo cargar %1: %2").arg(ruta, QString::fromLocal8Bit(dlerror()));
        return nullptr;
    }
    auto b = std::make_unique<BibliotecaVosk>();
    const bool todo = enlazar(manija, "vosk_model_new", b->model_new, error)
        && enlazar(manija, "vosk_model_free", b->model_free, error)
        && enlazar(manija, "vosk_recognizer_new", b->recognizer_new, error)
        && enlazar(manija, "vosk_recognizer_free", b->recognizer_free, error)
        && enlazar(manija, "vosk_recognizer_accept_waveform_f", b->recognizer_accept_waveform_f, error)
        && enlazar(manija, "vosk_recognizer_result", b->recognizer_result, error)
        && enlazar(manija, "vosk_recognizer_partial_result", b->recognizer_partial_result, error)
        && enlazar(manija, "vosk_recognizer_final_result", b->recognizer_final_result, error)
        && enlazar(manija, "vosk_set_log_level", b->set_log_level, error);
    if (!todo) {
        dlclose(manija);
        return nullptr;
    }
    b->recognizer_new_grm =
        reinterpret_cast<decltype(b->recognizer_new_grm)>(dlsym(manija, "vosk_recognizer_new_grm"));
    // Never unloaded: the library keeps its own global state.
    return (cargadas[ruta] = std::move(b)).get();
}

namespace Vosk {

QString carpetaModelos()
{
    return Carpetas::datosApp() + QStringLiteral("/reconocimiento");
}

QString rutaBiblioteca()
{
    const QString explicita = qEnvironmentVariable("ZUVI_LIBVOSK");
    if (!explicita.isEmpty())
        return explicita;
    const QString local = carpetaModelos() + QStringLiteral("/libvosk.so");
    if (QFileInfo::exists(local))
        return local;
    return QStringLiteral("libvosk.so");
}

QString localeDeCarpeta(const QString& nombre)
{
    static const QRegularExpression forma(
        QStringLiteral("^(?:vosk-model-)?(?:small-)?([a-z]{2,3})(?:[-_]([A-Za-z]{2}))?(?:-|$)"));
    const auto m = forma.match(nombre);
    if (!m.hasMatch())
        return QString();
    const QString pais = m.captured(2);
    return pais.isEmpty() ? m.captured(1) : m.captured(1) + QLatin1Char('-') + pais.toUpper();
}

int elegirModelo(const QStringList& locales, const QString& pedido)
{
    const QString buscado = normal(pedido);
    for (int i = 0; i < locales.size(); ++i) {
        if (normal(locales[i]) == buscado)
            return i;
    }
    const QString idioma = buscado.section(QLatin1Char('-'), 0, 0);
    for (int i = 0; i < locales.size(); ++i) {
        if (normal(locales[i]).section(QLatin1Char('-'), 0, 0) == idioma)
            return i;
    }
    return -1;
}

QString gramatica(const QStringList& frases, const QStringList& vocabulario)
{
    QHash<QString, QStringList> escrita;
    for (const QString& w : vocabulario)
        escrita[TerminosReconocimiento::plano(w)] << w;
    QJsonArray lista;
    for (const QString& frase : frases) {
        QStringList formas{QString()};
        for (const QString& palabra : frase.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QStringList modos = escrita.value(TerminosReconocimiento::plano(palabra));
            QStringList siguientes;
            for (const QString& f : formas) {
                for (const QString& m : modos)
                    siguientes << (f.isEmpty() ? m : f + QLatin1Char(' ') + m);
            }
            formas = siguientes;
        }
        for (const QString& f : formas) {
            if (!f.isEmpty() && !lista.contains(f))
                lista.append(f);
        }
    }
    if (lista.isEmpty())
        return QString();
    lista.append(QStringLiteral("[unk]"));
    return QString::fromUtf8(QJsonDocument(lista).toJson(QJsonDocument::Compact));
}

std::shared_ptr<MotorReconocimiento> motor()
{
    return std::make_shared<MotorVosk>();
}

} // namespace Vosk
