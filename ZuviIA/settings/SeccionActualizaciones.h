#pragma once

#include "settings/FormularioAjustes.h"
#include "setup/Actualizador.h"

class Ajustes;
class QCheckBox;
class QLabel;
class QPushButton;
class TextoCorto;

// "Actualizaciones": the installed version, the updater's state as it
// changes, "Buscar ahora", "Instalar ahora" while a verified build waits,
// and whether updates install by themselves.
class SeccionActualizaciones : public FormularioAjustes {
    Q_OBJECT

public:
    struct Botones {
        bool instalar = false;   // "Instalar ahora" is shown
        bool buscar = true;      // "Buscar ahora" is enabled
        bool operator==(const Botones&) const = default;
    };

    SeccionActualizaciones(Actualizador& act, Ajustes& ajustes, QWidget* parent = nullptr);

    static QString textoEstado(const Actualizador::Estado& estado);
    static Botones botones(const Actualizador::Estado& estado);
    static QString textoVersion(const QString& version, qint64 build);
    static QString pie(const QString& servidor);

private:
    void seguir();

    Actualizador& act_;
    Ajustes& ajustes_;
    TextoCorto* estado_ = nullptr;
    QPushButton* instalar_ = nullptr;
    QPushButton* buscar_ = nullptr;
    QCheckBox* automatica_ = nullptr;
};
