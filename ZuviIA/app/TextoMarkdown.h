#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QWidget>

#include <vector>

class QVBoxLayout;
class TextoSeleccionable;

// The text of an agent answer, cut into fenced code, one-line headings and
// paragraphs, with only inline markup (emphasis, code spans, links) inside
// headings and paragraphs. No HTML is ever interpreted and nothing is
// loaded. While an answer streams, only the block that changed is drawn
// again, and a growing paragraph only from its last settled character.
class TextoMarkdown : public QWidget {
    Q_OBJECT

public:
    struct Bloque {
        enum class Tipo { codigo, titulo, parrafo };
        Tipo tipo = Tipo::parrafo;
        QString texto;
        bool operator==(const Bloque&) const = default;
    };

    // One run of inline text with its marks. `enlace` is the target as
    // written; empty when the run is no link.
    struct Tramo {
        QString texto;
        bool negrita = false;
        bool cursiva = false;
        bool tachado = false;
        bool codigo = false;
        QString enlace;
        // Where the run begins in the line; not part of its value.
        qsizetype origen = 0;
        bool operator==(const Tramo& o) const
        {
            return texto == o.texto && negrita == o.negrita && cursiva == o.cursiva && tachado == o.tachado
                && codigo == o.codigo && enlace == o.enlace;
        }
    };

    explicit TextoMarkdown(QWidget* parent = nullptr);

    // Shows `texto`; an extension of the text shown is drawn incrementally.
    void setTexto(const QString& texto);
    QString texto() const { return texto_; }
    // Secondary style, for error messages.
    void setSecundario(bool secundario);

    // The blocks of a markdown text, in order.
    static QList<Bloque> bloques(QStringView texto);
    // As bloques, and where the part that later text can still change
    // begins: the first `cerrados` blocks are final and the rest are
    // bloques(texto.mid(abierto)).
    static QList<Bloque> bloques(QStringView texto, qsizetype& abierto, qsizetype& cerrados);

    // The inline rendering of one heading or paragraph line. Markup never
    // spans a line break. Malformed markup shows as the characters it is.
    static QList<Tramo> enLinea(QStringView linea);
    // The runs of linea from `desde`, which must be a settled position, and
    // the first position whose rendering text appended later may change.
    static QList<Tramo> enLinea(QStringView linea, qsizetype desde, qsizetype& estable);

    // Only web and mail links open; every other scheme stays plain text.
    static bool enlaceAbrible(const QString& destino);

signals:
    void enlaceActivado(const QString& destino);

private:
    bool extiende(const QString& texto) const;
    void reconstruir();
    void anexar(QStringView mas);
    QWidget* crearBloque(const Bloque& b);
    void actualizarBloque(int i, const Bloque& b);

    QString texto_;
    bool secundario_ = false;
    QVBoxLayout* capa_;
    // What each widget shows, in order.
    QList<Bloque> mostrados_;
    std::vector<QWidget*> widgets_;
    // Where the still-open part of texto_ begins, and how many of the
    // shown blocks lie before it.
    qsizetype abierto_ = 0;
    qsizetype cerrados_ = 0;
    // Trailing blanks of texto_ that the last paragraph does not show yet.
    QString pendiente_;
};
