#include "vistas/Iconos.h"

#include <QDir>
#include <QPainter>
#include <QStandardPaths>

namespace Iconos {

const QList<std::pair<QString, QString>>& tabla()
{
    static const QList<std::pair<QString, QString>> simbolos{
        {QStringLiteral("ear.fill"), QStringLiteral("audio-input-microphone-symbolic")},
        {QStringLiteral("ear.slash"), QStringLiteral("microphone-disabled-symbolic")},
        {QStringLiteral("folder"), QStringLiteral("folder-symbolic")},
        {QStringLiteral("folder.badge.plus"), QStringLiteral("folder-new-symbolic")},
        {QStringLiteral("person.3.fill"), QStringLiteral("system-users-symbolic")},
        {QStringLiteral("mic.fill"), QStringLiteral("audio-input-microphone-symbolic")},
        {QStringLiteral("checkmark.seal.fill"), QStringLiteral("emblem-ok-symbolic")},
        {QStringLiteral("quote.opening"), QStringLiteral("chat-message-new-symbolic")},
        {QStringLiteral("sparkle"), QStringLiteral("starred-symbolic")},
        {QStringLiteral("chevron.left.forwardslash.chevron.right"), QStringLiteral("utilities-terminal-symbolic")},
        {QStringLiteral("stop.circle.fill"), QStringLiteral("media-playback-stop-symbolic")},
        {QStringLiteral("arrow.up.circle.fill"), QStringLiteral("go-up-symbolic")},
        {QStringLiteral("speaker.slash.fill"), QStringLiteral("audio-volume-muted-symbolic")},
        {QStringLiteral("speaker.slash"), QStringLiteral("audio-volume-muted-symbolic")},
        {QStringLiteral("speaker.wave.2"), QStringLiteral("audio-volume-high-symbolic")},
        {QStringLiteral("speaker.wave.2.fill"), QStringLiteral("audio-volume-high-symbolic")},
        {QStringLiteral("waveform"), QStringLiteral("audio-x-generic-symbolic")},
        {QStringLiteral("music.note"), QStringLiteral("audio-x-generic-symbolic")},
        {QStringLiteral("mic.slash"), QStringLiteral("microphone-disabled-symbolic")},
        {QStringLiteral("mic"), QStringLiteral("audio-input-microphone-symbolic")},
        {QStringLiteral("laptopcomputer"), QStringLiteral("computer-symbolic")},
        {QStringLiteral("headphones"), QStringLiteral("audio-headphones-symbolic")},
        {QStringLiteral("iphone"), QStringLiteral("phone-symbolic")},
        {QStringLiteral("homepod.2"), QStringLiteral("audio-speakers-symbolic")},
        {QStringLiteral("display"), QStringLiteral("video-display-symbolic")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy-symbolic")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("lock.open.fill"), QStringLiteral("changes-allow-symbolic")},
        {QStringLiteral("gearshape"), QStringLiteral("emblem-system-symbolic")},
        {QStringLiteral("sparkles.tv"), QStringLiteral("view-fullscreen-symbolic")},
        {QStringLiteral("text.quote"), QStringLiteral("format-justify-left-symbolic")},
        {QStringLiteral("arrow.down.circle.fill"), QStringLiteral("software-update-available-symbolic")},
        {QStringLiteral("hand.raised.fill"), QStringLiteral("preferences-desktop-accessibility-symbolic")},
        {QStringLiteral("person.crop.circle.fill"), QStringLiteral("avatar-default-symbolic")},
        {QStringLiteral("trash"), QStringLiteral("user-trash-symbolic")},
        {QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("emblem-important-symbolic")},
        {QStringLiteral("sparkles"), QStringLiteral("starred-symbolic")},
        {QStringLiteral("ear"), QStringLiteral("audio-input-microphone-symbolic")},
        {QStringLiteral("person.2"), QStringLiteral("system-users-symbolic")},
        {QStringLiteral("arrow.down.circle"), QStringLiteral("go-down-symbolic")},
        {QStringLiteral("gearshape.2"), QStringLiteral("preferences-system-symbolic")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("radio-checked-symbolic")},
        {QStringLiteral("circle"), QStringLiteral("radio-symbolic")},
        {QStringLiteral("stop.fill"), QStringLiteral("media-playback-stop-symbolic")},
        {QStringLiteral("hand.tap"), QStringLiteral("input-touchpad-symbolic")},
        {QStringLiteral("ear.trianglebadge.exclamationmark"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("cube.transparent"), QStringLiteral("applications-graphics-symbolic")},
        {QStringLiteral("printer.filled.and.paper"), QStringLiteral("printer-symbolic")},
        {QStringLiteral("doc.richtext"), QStringLiteral("x-office-document-symbolic")},
        {QStringLiteral("chart.bar.doc.horizontal"), QStringLiteral("x-office-spreadsheet-symbolic")},
        {QStringLiteral("waveform.circle.fill"), QStringLiteral("microphone-sensitivity-high-symbolic")},
        {QStringLiteral("waveform.circle"), QStringLiteral("microphone-sensitivity-high-symbolic")},
        {QStringLiteral("cpu"), QStringLiteral("computer-symbolic")},
        {QStringLiteral("bubble.left.and.text.bubble.right"), QStringLiteral("chat-message-new-symbolic")},
        {QStringLiteral("puzzlepiece.extension"), QStringLiteral("application-x-addon-symbolic")},
        {QStringLiteral("shippingbox"), QStringLiteral("package-x-generic-symbolic")},
        {QStringLiteral("point.3.connected.trianglepath.dotted"), QStringLiteral("network-workgroup-symbolic")},
        {QStringLiteral("macwindow.on.rectangle"), QStringLiteral("focus-windows-symbolic")},
        {QStringLiteral("info.circle"), QStringLiteral("dialog-information-symbolic")},
        {QStringLiteral("waveform.badge.mic"), QStringLiteral("audio-speakers-symbolic")},
        {QStringLiteral("ear.and.waveform"), QStringLiteral("audio-input-microphone-symbolic")},
        {QStringLiteral("power"), QStringLiteral("system-shutdown-symbolic")},
        {QStringLiteral("mic.badge.plus"), QStringLiteral("list-add-symbolic")},
        {QStringLiteral("person.badge.key"), QStringLiteral("dialog-password-symbolic")},
        {QStringLiteral("exclamationmark.shield.fill"), QStringLiteral("security-low-symbolic")},
        {QStringLiteral("circle.dashed"), QStringLiteral("content-loading-symbolic")},
        {QStringLiteral("pause.circle"), QStringLiteral("media-playback-pause-symbolic")},
        {QStringLiteral("text.alignleft"), QStringLiteral("format-justify-left-symbolic")},
    };
    return simbolos;
}

QString nombre(const QString& simbolo)
{
    for (const auto& [s, n] : tabla())
        if (s == simbolo)
            return n;
    return {};
}

QIcon icono(const QString& simbolo)
{
    const QString n = nombre(simbolo);
    return n.isEmpty() ? QIcon() : QIcon::fromTheme(n);
}

QPixmap pintado(const QString& simbolo, const QSize& tamano, const QColor& color, qreal escala)
{
    const QIcon i = icono(simbolo);
    QPixmap pixmap = escala > 0 ? i.pixmap(tamano, escala) : i.pixmap(tamano);
    if (pixmap.isNull())
        return pixmap;
    QPainter p(&pixmap);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(pixmap.rect(), color);
    return pixmap;
}

void prepararTema()
{
    // Without a desktop platform theme (offscreen, a bare X server) Qt
    // searches no system icon folder at all.
    QStringList rutas = QIcon::themeSearchPaths();
    QStringList sistema{QDir::homePath() + QStringLiteral("/.icons")};
    sistema << QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                         QStandardPaths::LocateDirectory);
    for (const QString& r : sistema)
        if (!rutas.contains(r))
            rutas << r;
    QIcon::setThemeSearchPaths(rutas);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

}
