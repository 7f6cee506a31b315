#pragma once

#include <QByteArray>
#include <QString>

// Decodes a byte stream that arrives in pieces (one pipe of a child
// process). A character whose bytes are split across two pieces is held
// back until it is complete, so it never turns into replacement characters.
// Invalid sequences become U+FFFD.
class DecodificadorUtf8 {
public:
    QString decodificar(const QByteArray& trozo);
    // End of the stream: whatever is still held back (an unfinished
    // character) comes out as replacement characters.
    QString terminar();

private:
    QByteArray pendiente_;
};
