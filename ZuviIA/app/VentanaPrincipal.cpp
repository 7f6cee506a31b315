#include "app/VentanaPrincipal.h"

#include "app/VistaPrincipal.h"

#include <QStackedWidget>

VentanaPrincipal::VentanaPrincipal(const Entorno& entorno, QWidget* parent) : QMainWindow(parent), entorno_(entorno)
{
    setObjectName(QStringLiteral("ventanaPrincipal"));
    setWindowTitle(QStringLiteral("Zuvi IA"));
    setMinimumSize(760, 560);
    resize(1000, 700);
    pila_ = new QStackedWidget(this);
    vista_ = new VistaPrincipal(entorno_, pila_);
    pila_->addWidget(vista_);
    setCentralWidget(pila_);
}
