#include "app/ZuviIAApp.h"

#include "app/Entorno.h"
#include "app/VentanaPrincipal.h"

#include <QApplication>

ZuviIAApp::ZuviIAApp(int& argc, char** argv) : qapp_(std::make_unique<QApplication>(argc, argv)) {}

ZuviIAApp::~ZuviIAApp() = default;

int ZuviIAApp::ejecutar()
{
    auto* ventana = new VentanaPrincipal(Entorno::shared());
    ventana->setAttribute(Qt::WA_DeleteOnClose);
    ventana->show();
    return qapp_->exec();
}
