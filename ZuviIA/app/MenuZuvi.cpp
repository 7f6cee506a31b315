#include "app/MenuZuvi.h"

#include "projects/ModoProyectos.h"

#include <QApplication>

MenuZuvi::MenuZuvi(ModoProyectos& modo, QWidget* parent) : QMenu(parent), modo_(modo)
{
    setObjectName(QStringLiteral("menuZuvi"));
    estado_ = addAction(QString());
    estado_->setObjectName(QStringLiteral("estado"));
    estado_->setEnabled(false);  // a line of text, not a command
    addSeparator();
    escucha_ = addAction(QString());
    escucha_->setObjectName(QStringLiteral("escucha"));
    connect(escucha_, &QAction::triggered, this, [this] {
        if (modo_.activo()) {
            modo_.setInmersivo(false);
            modo_.terminar();
        } else {
            modo_.escucharSiempre();
        }
    });
    inmersiva_ = addAction(QStringLiteral("Zuvi inmersiva"));
    inmersiva_->setObjectName(QStringLiteral("inmersiva"));
    connect(inmersiva_, &QAction::triggered, &modo_, &ModoProyectos::iniciar);
    addSeparator();
    abrir_ = addAction(QStringLiteral("Abrir Zuvi IA"));
    abrir_->setObjectName(QStringLiteral("abrir"));
    connect(abrir_, &QAction::triggered, this, &MenuZuvi::abrirPedido);
    QAction* ajustes = addAction(QStringLiteral("Ajustes…"));
    ajustes->setObjectName(QStringLiteral("ajustes"));
    ajustes->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(ajustes, &QAction::triggered, this, &MenuZuvi::ajustesPedido);
    addSeparator();
    QAction* salir = addAction(QStringLiteral("Salir de Zuvi IA"));
    salir->setObjectName(QStringLiteral("salir"));
    salir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(salir, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    connect(&modo_, &ModoProyectos::activoCambiado, this, &MenuZuvi::actualizar);
    connect(&modo_, &ModoProyectos::inmersivoCambiado, this, &MenuZuvi::actualizar);
    actualizar();
}

QString MenuZuvi::estado(bool activo, bool inmersivo, bool esperandoOyeZuvi)
{
    if (activo)
        return inmersivo ? QStringLiteral("Zuvi inmersiva activa") : QStringLiteral("Escuchando");
    return esperandoOyeZuvi ? QStringLiteral("Esperando «Oye Zuvi»") : QStringLiteral("En pausa");
}

QString MenuZuvi::tituloEscucha(bool activo)
{
    return activo ? QStringLiteral("Pausar la escucha") : QStringLiteral("Escuchar");
}

QString MenuZuvi::simbolo(bool activo, bool esperandoOyeZuvi)
{
    return activo || esperandoOyeZuvi ? QStringLiteral("ear.fill") : QStringLiteral("ear.slash");
}

void MenuZuvi::setEsperandoOyeZuvi(bool valor)
{
    if (valor == esperandoOyeZuvi_)
        return;
    esperandoOyeZuvi_ = valor;
    actualizar();
}

void MenuZuvi::actualizar()
{
    estado_->setText(estado(modo_.activo(), modo_.inmersivo(), esperandoOyeZuvi_));
    escucha_->setText(tituloEscucha(modo_.activo()));
    emit estadoCambiado();
}
