#include "plataforma/GestorArchivos.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace GestorArchivos {

void mostrar(const QString& ruta, AbrirCarpeta abrirCarpeta)
{
    if (!abrirCarpeta)
        abrirCarpeta = [](const QUrl& carpeta) { QDesktopServices::openUrl(carpeta); };
    const QFileInfo archivo(ruta);
    const QUrl carpeta = QUrl::fromLocalFile(archivo.absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        abrirCarpeta(carpeta);
        return;
    }
    QDBusMessage llamada = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // A bus without a file manager must answer at once, not start one.
    llamada.setAutoStartService(false);
    llamada << QStringList{QUrl::fromLocalFile(archivo.absoluteFilePath()).toString()} << QString();
    auto* vigia = new QDBusPendingCallWatcher(bus.asyncCall(llamada, 5000));
    QObject::connect(vigia, &QDBusPendingCallWatcher::finished, vigia,
                     [vigia, carpeta, abrirCarpeta = std::move(abrirCarpeta)] {
                         vigia->deleteLater();
                         if (vigia->isError())
                             abrirCarpeta(carpeta);
                     });
}

}
