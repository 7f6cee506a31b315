#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The desktop's file manager, reached through its D-Bus interface
// (org.freedesktop.FileManager1).
namespace GestorArchivos {

using AbrirCarpeta = std::function<void(const QUrl& carpeta)>;

// Shows the file selected in a file manager window, without waiting for it;
// when no file manager answers, `abrirCarpeta` opens the file's folder
// (by default through the desktop's URL opener). The file need not exist.
void mostrar(const QString& ruta, AbrirCarpeta abrirCarpeta = {});

}
