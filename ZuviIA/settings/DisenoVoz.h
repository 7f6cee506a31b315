#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <exception>
#include <optional>

class Locutor;
class VozNeural;

// The neural voice's design, kept while the settings window comes and
// goes: a design takes minutes and its panel is rebuilt on every visit, so
// the request, its progress and its outcome live here. One design at a
// time; the reference voice is not put back while one runs.
class DisenoVoz : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool disenando READ disenando NOTIFY disenandoCambiado)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorCambiado)

public:
    static constexpr const char* fraseLista = "Listo. Así sueno ahora.";

    DisenoVoz(VozNeural& voz, Locutor& locutor, QObject* parent = nullptr);
    ~DisenoVoz() override;

    static DisenoVoz& shared();

    bool disenando() const { return disenando_; }
    std::optional<QString> error() const { return error_; }

    // Sends the description unchanged; false (and nothing sent) while a
    // design runs.
    bool disenar(const QString& descripcion);
    // The voice that comes with the application, over the current one;
    // false while a design runs, which would otherwise undo it.
    bool volverAOriginal();

    // What the user reads of a failed design.
    static QString mensaje(std::exception_ptr error);

signals:
    void disenandoCambiado();
    void errorCambiado();

private:
    void terminar();
    void setDisenando(bool valor);
    void setError(const std::optional<QString>& valor);

    VozNeural& voz_;
    Locutor& locutor_;
    bool disenando_ = false;
    std::optional<QString> error_;
    // A child: a design that ends after this object reaches nothing.
    QFutureWatcher<void>* vigia_ = nullptr;
};
