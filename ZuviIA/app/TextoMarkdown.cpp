#include "app/TextoMarkdown.h"

#include "app/TextoSeleccionable.h"

#include <QVBoxLayout>

#include <algorithm>

namespace {

bool esSalto(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool tieneSaltoOValla(QStringView s)
{
    for (QChar c : s)
        if (c == u'`' || esSalto(c))
            return true;
    return false;
}

qsizetype blancosFinales(QStringView s)
{
    qsizetype n = 0;
    while (n < s.size() && s[s.size() - 1 - n].isSpace())
        ++n;
    return n;
}

} // namespace

TextoMarkdown::TextoMarkdown(QWidget* parent) : QWidget(parent), capa_(new QVBoxLayout(this))
{
    capa_->setContentsMargins(0, 0, 0, 0);
    capa_->setSpacing(8);
}

void TextoMarkdown::setSecundario(bool secundario)
{
    secundario_ = secundario;
    for (QWidget* w : widgets_)
        static_cast<TextoSeleccionable*>(w)->setSecundario(secundario);
}

// The store only appends to a message or replaces its text, so a few
// characters at both ends of what is shown tell the two apart without
// reading the whole growing answer on every fragment.
bool TextoMarkdown::extiende(const QString& texto) const
{
    if (texto.size() <= texto_.size())
        return false;
    const qsizetype n = std::min<qsizetype>(texto_.size(), 64);
    const QStringView nuevo(texto);
    return nuevo.first(n) == QStringView(texto_).first(n)
        && nuevo.sliced(texto_.size() - n, n) == QStringView(texto_).last(n);
}

void TextoMarkdown::setTexto(const QString& texto)
{
    if (texto.isSharedWith(texto_))
        return;
    if (extiende(texto)) {
        anexar(QStringView(texto).mid(texto_.size()));
        return;
    }
    if (texto == texto_) {
        // Shared again, so the next comparison is free.
        texto_ = texto;
        return;
    }
    texto_ = texto;
    abierto_ = 0;
    cerrados_ = 0;
    reconstruir();
}

// A fragment that cannot change the blocks (no line break, no backtick)
// only extends the last paragraph or code block.
void TextoMarkdown::anexar(QStringView mas)
{
    if (mas.isEmpty())
        return;
    const bool ultimoCrece = mostrados_.size() - cerrados_ == 1 && !texto_.isEmpty() && !tieneSaltoOValla(mas)
        && !tieneSaltoOValla(QStringView(texto_).right(1));
    const Bloque* ultimo = ultimoCrece ? &mostrados_.last() : nullptr;
    bool rapido = false;
    if (ultimo && ultimo->tipo == Bloque::Tipo::parrafo) {
        // Its last line holds two characters or more; looked at from the
        // end, since the paragraph may be the whole long answer.
        const QString& t = ultimo->texto;
        rapido = t.size() >= 2 && t[t.size() - 1] != u'\n' && t[t.size() - 2] != u'\n';
    } else if (ultimo && ultimo->tipo == Bloque::Tipo::codigo) {
        rapido = !ultimo->texto.isEmpty();
    }
    texto_ += mas;
    if (!rapido) {
        reconstruir();
        return;
    }
    QString nuevo = pendiente_;
    nuevo += mas;
    const qsizetype blancos = ultimo->tipo == Bloque::Tipo::parrafo ? blancosFinales(nuevo) : 0;
    pendiente_ = nuevo.right(blancos);
    nuevo.chop(blancos);
    if (nuevo.isEmpty())
        return;
    mostrados_.last().texto += nuevo;
    static_cast<TextoSeleccionable*>(widgets_.back())->anexar(nuevo);
}

// Parses the open part again and redraws only the blocks that differ.
void TextoMarkdown::reconstruir()
{
    qsizetype abierto = 0, cerrados = 0;
    const QList<Bloque> nuevos = bloques(QStringView(texto_).mid(abierto_), abierto, cerrados);
    QList<Bloque> todos = mostrados_.mid(0, cerrados_);
    todos += nuevos;
    for (qsizetype i = cerrados_; i < todos.size(); ++i) {
        if (i < qsizetype(widgets_.size())) {
            if (i >= mostrados_.size() || !(mostrados_[i] == todos[i]))
                actualizarBloque(int(i), todos[i]);
        } else {
            widgets_.push_back(crearBloque(todos[i]));
            capa_->addWidget(widgets_.back());
        }
    }
    while (qsizetype(widgets_.size()) > todos.size()) {
        delete widgets_.back();
        widgets_.pop_back();
    }
    mostrados_ = todos;
    abierto_ += abierto;
    cerrados_ += cerrados;
    const bool parrafoFinal = !todos.isEmpty() && todos.last().tipo == Bloque::Tipo::parrafo;
    pendiente_ = parrafoFinal ? texto_.right(blancosFinales(texto_)) : QString();
}

QWidget* TextoMarkdown::crearBloque(const Bloque& b)
{
    auto* w = new TextoSeleccionable(this);
    w->setObjectName(QStringLiteral("bloque"));
    w->setSecundario(secundario_);
    w->mostrar(b);
    connect(w, &TextoSeleccionable::enlaceActivado, this, &TextoMarkdown::enlaceActivado);
    return w;
}

void TextoMarkdown::actualizarBloque(int i, const Bloque& b)
{
    static_cast<TextoSeleccionable*>(widgets_[size_t(i)])->mostrar(b);
}
