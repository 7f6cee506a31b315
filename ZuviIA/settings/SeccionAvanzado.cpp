#include "settings/SeccionAvanzado.h"

#include "core/Registro.h"
#include "plataforma/Ajustes.h"
#include "plataforma/GestorArchivos.h"
#include "plataforma/Permisos.h"
#include "setup/Instalador.h"

#include <QFutureWatcher>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent>

QList<FilaPermiso::Datos> SeccionAvanzado::filas(const Lectura& l)
{
    const QString wayland = QStringLiteral("Una sesión Wayland no lo permite: al entrar al computador elige una sesión X11.");
    return {
        {QStringLiteral("Micrófono"), l.microfono, QStringLiteral("Privacy_Microphone"),
         QStringLiteral("No hay micrófono: conecta uno y revisa que aparezca en la configuración de sonido.")},
        {QStringLiteral("Reconocimiento de voz"), l.reconocimiento, {},
         QStringLiteral("Falta el modelo de voz en español: instálalo con el asistente de instalación (más abajo, "
                        "«Abrir»), en el paso de voz.")},
        {QStringLiteral("Accesibilidad (controlar apps)"), l.accesibilidad, QStringLiteral("Privacy_Accessibility"), wayland},
        {QStringLiteral("Grabación de pantalla (ver la pantalla)"), l.pantalla, QStringLiteral("Privacy_ScreenCapture"),
         wayland},
    };
}

SeccionAvanzado::SeccionAvanzado(Ajustes& ajustes, Permisos& permisos, std::function<void()> mostrarPrincipal,
                                 FilaPermiso::AbrirPanel abrirPanel, QWidget* parent)
    : FormularioAjustes(parent), ajustes_(ajustes), permisos_(permisos), mostrarPrincipal_(std::move(mostrarPrincipal)),
      abrirPanel_(abrirPanel ? std::move(abrirPanel) : FilaPermiso::AbrirPanel(&Instalador::abrirPrivacidad))
{
    setObjectName(QStringLiteral("seccionAvanzado"));
    permisosGrupo_ = seccion(QStringLiteral("Permisos de Linux"));
    permisosGrupo_.marco->setObjectName(QStringLiteral("permisos"));
    permisosGrupo_.filas->addWidget(new QLabel(QStringLiteral("Comprobando…"), permisosGrupo_.marco));

    const Grupo mantenimiento = seccion(QStringLiteral("Mantenimiento"));
    auto* abrir = new QPushButton(QStringLiteral("Abrir"));
    abrir->setObjectName(QStringLiteral("abrirAsistente"));
    abrir->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    mantenimiento.filas->addWidget(
        fila(QStringLiteral("Asistente de instalación (agentes, skills, conexiones)"), abrir, mantenimiento.marco));
    auto* mostrar = new QPushButton(QStringLiteral("Mostrar"));
    mostrar->setObjectName(QStringLiteral("mostrarRegistro"));
    mostrar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    mantenimiento.filas->addWidget(fila(QStringLiteral("Registro de diagnóstico"), mostrar, mantenimiento.marco));

    connect(abrir, &QPushButton::clicked, this, [this] {
        ajustes_.escribir(QStringLiteral("configuracionCompleta"), false);
        if (mostrarPrincipal_)
            mostrarPrincipal_();
    });
    connect(mostrar, &QPushButton::clicked, this, [] { GestorArchivos::mostrar(Registro::archivo()); });
    // Coming back from the system's settings shows what changed there.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState estado) {
        if (estado == Qt::ApplicationActive)
            refrescar();
    });
    refrescar();
}

void SeccionAvanzado::refrescar()
{
    const int numero = ++numero_;
    auto* vigia = new QFutureWatcher<Lectura>(this);
    connect(vigia, &QFutureWatcherBase::finished, this, [this, vigia, numero] {
        vigia->deleteLater();
        ++lecturas_;
        if (numero == numero_)
            mostrar(vigia->result());
        emit leidos();
    });
    vigia->setFuture(QtConcurrent::run([&p = permisos_] {
        return Lectura{p.microfono(), p.reconocimiento(), p.accesibilidad(), p.grabacionPantalla()};
    }));
}

void SeccionAvanzado::mostrar(const Lectura& lectura)
{
    while (QLayoutItem* item = permisosGrupo_.filas->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const FilaPermiso::Datos& d : filas(lectura))
        permisosGrupo_.filas->addWidget(new FilaPermiso(d, abrirPanel_, permisosGrupo_.marco));
}
