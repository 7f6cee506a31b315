// The music/speech classifier on sounds made here: a chord on a steady beat,
// espeak-ng's Spanish voice, noise, and the voice over the chord. Only
// orderings are checked, never exact scores.
#include "comun/HablaSintetica.h"
#include "plataforma/ClasificadorSonido.h"

#include <QTest>

#include <mutex>
#include <thread>
#include <random>

namespace {

constexpr int frecuencia = 48000;

// A major chord struck twice a second, each strike fading, with a click on
// every beat.
std::vector<float> acordeConPulso(double segundos)
{
    std::vector<float> v(size_t(segundos * frecuencia));
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = double(i) / frecuencia;
        const double golpe = std::fmod(t, 0.5);
        const double envolvente = 0.1 + 0.2 * std::exp(-golpe * 4);
        double s = 0;
        for (double hz : {261.63, 329.63, 392.0})
            s += std::sin(2 * M_PI * hz * t);
        const double clic = golpe < 0.01 ? 0.4 * std::sin(2 * M_PI * 2000 * t) : 0;
        v[i] = float(envolvente * s / 3 + clic);
    }
    return v;
}

std::vector<float> ruido(double segundos)
{
    std::mt19937 g(7);
    std::normal_distribution<float> d(0, 0.1f);
    std::vector<float> v(size_t(segundos * frecuencia));
    for (float& x : v)
        x = d(g);
    return v;
}

std::vector<float> habla()
{
    std::vector<float> v;
    for (const char* frase : {"Hola, ¿cómo estás? Hoy vamos a revisar el modelo de la impresora.",
                              "Después laminamos la pieza y la imprimimos en filamento azul."}) {
        const auto f = HablaSintetica::decir(QString::fromUtf8(frase));
        v.insert(v.end(), f.begin(), f.end());
    }
    return v;
}

// A voice a little away from the microphone over the music.
std::vector<float> mezcla(const std::vector<float>& voz, const std::vector<float>& musica)
{
    std::vector<float> v(std::min(voz.size(), musica.size()));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = 0.6f * voz[i] + musica[i];
    return v;
}

struct Medias {
    double musica = 0;
    double habla = 0;
    int cuantos = 0;
};

// Feeds the audio in 1024-frame blocks and waits for its windows.
Medias clasificar(const std::vector<float>& audio)
{
    auto c = ClasificadorSonido::crear();
    std::mutex m;
    Medias r;
    if (!c->preparar(frecuencia, 1, [&](double musica, double habla) {
            std::lock_guard g(m);
            r.musica += musica;
            r.habla += habla;
            ++r.cuantos;
        }))
        return r;
    int64_t posicion = 0;
    for (size_t i = 0; i + 1024 <= audio.size(); i += 1024) {
        auto b = std::make_shared<BloqueAudio>();
        b->frecuencia = frecuencia;
        b->muestras.assign(audio.begin() + std::ptrdiff_t(i), audio.begin() + std::ptrdiff_t(i + 1024));
        c->analizar(b, posicion);
        posicion += 1024;
        // Faster than capture, slow enough for the worker's queue.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int esperados = int(double(audio.size()) / frecuencia / (ClasificadorSonido::segundosVentana / 2)) - 2;
    for (int i = 0; i < 1000 && [&] { std::lock_guard g(m); return r.cuantos < esperados; }(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard g(m);
    if (r.cuantos == 0)
        return r;
    return {r.musica / r.cuantos, r.habla / r.cuantos, r.cuantos};
}

// A steady tone with its harmonics, as mains hum or a fan.
std::vector<float> zumbido(double segundos, double hz)
{
    std::vector<float> v(size_t(segundos * frecuencia));
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = double(i) / frecuencia;
        v[i] = float(0.2 * std::sin(2 * M_PI * hz * t) + 0.08 * std::sin(2 * M_PI * 2 * hz * t)
                     + 0.04 * std::sin(2 * M_PI * 3 * hz * t));
    }
    return v;
}

// A tune of held notes at one loudness, with no beat under it.
std::vector<float> melodia(double segundos)
{
    const double notas[] = {392.0, 440.0, 493.88, 523.25, 493.88, 440.0, 349.23, 329.63};
    std::vector<float> v(size_t(segundos * frecuencia));
    double fase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = double(i) / frecuencia;
        const double hz = notas[size_t(t / 0.35) % std::size(notas)];
        fase += 2 * M_PI * hz / frecuencia;
        v[i] = float(0.2 * std::sin(fase) + 0.05 * std::sin(2 * fase));
    }
    return v;
}

} // namespace

class TestClasificadorSonido : public QObject {
    Q_OBJECT

private slots:
    void musicaFrenteAHablaYRuido()
    {
        const std::vector<float> voz = habla();
        if (voz.empty())
            QSKIP("sin espeak-ng");
        const Medias acorde = clasificar(acordeConPulso(8));
        const Medias dicha = clasificar(voz);
        const Medias sucia = clasificar(ruido(8));
        const Medias encima = clasificar(mezcla(voz, acordeConPulso(double(voz.size()) / frecuencia)));
        const Medias callado = clasificar(std::vector<float>(size_t(4 * frecuencia), 0.0f));
        qInfo("acorde %.2f/%.2f  habla %.2f/%.2f  ruido %.2f/%.2f  habla sobre acorde %.2f/%.2f  silencio %.2f/%.2f",
              acorde.musica, acorde.habla, dicha.musica, dicha.habla, sucia.musica, sucia.habla, encima.musica,
              encima.habla, callado.musica, callado.habla);
        QVERIFY(acorde.musica > 0.4);
        QVERIFY(acorde.musica > dicha.musica);
        QVERIFY(acorde.musica > sucia.musica);
        QVERIFY(dicha.musica <= 0.4);
        QVERIFY(sucia.musica <= 0.4);
        QVERIFY(encima.musica > 0.4);
        QVERIFY(dicha.habla > acorde.habla);
        QVERIFY(dicha.habla > sucia.habla);
        QCOMPARE(callado.musica, 0.0);
    }

    // Tonal but unchanging is not music; a tune is, even without a beat.
    void tonalNoSiempreEsMusica_data()
    {
        QTest::addColumn<QString>("senal");
        QTest::addColumn<bool>("musica");
        QTest::newRow("zumbido de 100 Hz") << "zumbido100" << false;
        QTest::newRow("zumbido de 50 Hz") << "zumbido50" << false;
        QTest::newRow("tono fijo de 440 Hz") << "tono440" << false;
        QTest::newRow("melodía sin pulso") << "melodia" << true;
        QTest::newRow("acorde con pulso") << "acorde" << true;
        QTest::newRow("habla") << "habla" << false;
    }

    void tonalNoSiempreEsMusica()
    {
        QFETCH(QString, senal);
        QFETCH(bool, musica);
        std::vector<float> audio;
        if (senal == "zumbido100")
            audio = zumbido(6, 100);
        else if (senal == "zumbido50")
            audio = zumbido(6, 50);
        else if (senal == "tono440")
            audio = zumbido(6, 440);
        else if (senal == "melodia")
            audio = melodia(6);
        else if (senal == "acorde")
            audio = acordeConPulso(6);
        else
            audio = habla();
        if (audio.empty())
            QSKIP("sin espeak-ng");
        const Medias m = clasificar(audio);
        QVERIFY(m.cuantos > 0);
        QVERIFY2((m.musica > 0.4) == musica, qPrintable(QString::number(m.musica)));
    }

    // A new preparar replaces the earlier analysis: what was queued for it
    // never reports to the new receiver.
    void prepararReemplaza()
    {
        auto c = ClasificadorSonido::crear();
        QVERIFY(!c->preparar(0, 1, [](double, double) {}));
        std::atomic<int> viejos = 0, nuevos = 0;
        QVERIFY(c->preparar(frecuencia, 2, [&](double, double) { ++viejos; }));
        QVERIFY(c->preparar(frecuencia, 2, [&](double, double) { ++nuevos; }));
        const std::vector<float> a = acordeConPulso(3);
        int64_t posicion = 0;
        for (size_t i = 0; i + 1024 <= a.size(); i += 1024) {
            auto b = std::make_shared<BloqueAudio>();
            b->frecuencia = frecuencia;
            b->canales = 2;
            for (size_t k = i; k < i + 1024; ++k)
                b->muestras.insert(b->muestras.end(), {a[k], 0.0f});
            c->analizar(b, posicion);
            posicion += 1024;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        QTRY_VERIFY(nuevos >= 2);
        QCOMPARE(viejos.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestClasificadorSonido)
#include "TestClasificadorSonido.moc"
