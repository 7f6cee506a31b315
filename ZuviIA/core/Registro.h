#pragma once

#include <QDateTime>
#include <QString>

// The application's log: one line per call, appended to
// $XDG_STATE_HOME/ZuviIA/zuvi.log by one worker thread.
namespace Registro {

// Returns at once from any thread; the time stamp is taken here.
void anotar(const QString& texto);

// "yyyy-MM-dd HH:mm:ss.SSS", two spaces, the text, a line feed.
QString linea(const QDateTime& momento, const QString& texto);

// The log file, worked out when first used.
QString archivo();

// Blocks until every line handed over so far has been written.
void vaciar();

}
