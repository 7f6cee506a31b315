#include "app/TextoMarkdown.h"
#include "app/TextoSeleccionable.h"

#include <QAction>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include <memory>

namespace {

using Bloque = TextoMarkdown::Bloque;
using Tipo = TextoMarkdown::Bloque::Tipo;

// "c:" code, "t:" heading, "p:" paragraph, one line per block.
QString describir(const QList<Bloque>& bloques)
{
    QStringList lineas;
    for (const Bloque& b : bloques)
        lineas << QStringLiteral("%1:%2").arg(b.tipo == Tipo::codigo ? 'c' : b.tipo == Tipo::titulo ? 't' : 'p').arg(b.texto);
    return lineas.join(QStringLiteral(" | "));
}

// Each run as its marks and text: "b" bold, "i" italic, "s" struck, "c" code,
// "->target" a link.
QString describir(const QList<TextoMarkdown::Tramo>& tramos)
{
    QStringList partes;
    QString ultimas = QStringLiteral("-");
    for (const TextoMarkdown::Tramo& t : tramos) {
        QString marcas;
        if (t.negrita)
            marcas += 'b';
        if (t.cursiva)
            marcas += 'i';
        if (t.tachado)
            marcas += 's';
        if (t.codigo)
            marcas += 'c';
        if (!t.enlace.isEmpty())
            marcas += QStringLiteral("->") + t.enlace;
        const QString parte = marcas.isEmpty() ? t.texto : QStringLiteral("[%1]").arg(marcas) + t.texto;
        // Neighbours with the same marks read as one run.
        if (!partes.isEmpty() && !t.codigo && ultimas == marcas && marcas.indexOf('c') < 0)
            partes.last() += t.texto;
        else
            partes << parte;
        ultimas = marcas;
    }
    return partes.join('|');
}

// What the reader sees of one block: its text and, per fragment, the marks.
QString dibujo(const TextoSeleccionable* w)
{
    QString s;
    for (QTextBlock b = w->document()->begin(); b.isValid(); b = b.next()) {
        for (auto f = b.begin(); !f.atEnd(); ++f) {
            const QTextCharFormat c = f.fragment().charFormat();
            s += QStringLiteral("{%1%2%3%4}").arg(c.fontWeight() >= QFont::Bold ? "b" : "", c.fontItalic() ? "i" : "",
                                                   c.isAnchor() ? c.anchorHref() : QString(),
                                                   c.fontStrikeOut() ? "s" : "");
            s += f.fragment().text();
        }
        s += '\n';
    }
    return s;
}

QStringList dibujos(const TextoMarkdown& t)
{
    QStringList lista;
    for (const TextoSeleccionable* w : t.findChildren<TextoSeleccionable*>(Qt::FindDirectChildrenOnly))
        lista << dibujo(w);
    return lista;
}

// The text of every visual line, as laid out.
QStringList lineasVisuales(QTextDocument& d)
{
    QStringList lineas;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
        d.documentLayout()->blockBoundingRect(b);
        for (int i = 0; i < b.layout()->lineCount(); ++i) {
            const QTextLine l = b.layout()->lineAt(i);
            lineas << b.text().mid(l.textStart(), l.textLength()).trimmed();
        }
    }
    return lineas;
}

const QString F = QStringLiteral("```");

// Numbered words, so any stretch of them is found in the document.
QString palabras(int desde, int hasta)
{
    QStringList p;
    for (int i = desde; i <= hasta; ++i)
        p << QStringLiteral("p%1").arg(i, 4, 10, QChar(u'0'));
    return p.join(u' ');
}

}

class TestTextoMarkdown : public QObject {
    Q_OBJECT

    // `texto` streamed `paso` characters at a time into a shown answer
    // 320 points wide; its first block, or none if it never showed.
    static TextoSeleccionable* transmitido(TextoMarkdown& t, const QString& texto, int paso)
    {
        t.resize(320, 600);
        t.setTexto(texto.left(37));
        t.show();
        if (!QTest::qWaitForWindowExposed(&t))
            return nullptr;
        for (qsizetype i = 37; i < texto.size(); i += paso)
            t.setTexto(texto.left(i + paso));
        return t.findChild<TextoSeleccionable*>();
    }

private slots:
    void bloques_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("titulo") << "# Plan" << "t:Plan";
        QTest::newRow("titulo con cierre") << "### Paso 1 #" << "t:Paso 1";
        QTest::newRow("almohadilla pegada") << "#5 es el número" << "t:5 es el número";
        QTest::newRow("lista") << "- uno\n- dos" << "p:• uno\n• dos";
        QTest::newRow("titulo y linea") << "## Plan\n- uno" << "p:## Plan\n• uno";
        QTest::newRow("lineas en blanco") << "Hola\n\n\nmundo" << "p:Hola | p:mundo";
        QTest::newRow("codigo entre prosa") << "Mira:\n" + F + "texto\nlet x = 1\n" + F + "\nListo."
                                            << "p:Mira: | c:let x = 1 | p:Listo.";
        QTest::newRow("codigo de una linea") << F + "let x = 1" + F << "c:";
        QTest::newRow("valla sin cerrar") << "Empiezo:\n" + F + "\ncódigo a medias" << "p:Empiezo: | c:código a medias";
        QTest::newRow("vacio") << "" << "";
        QTest::newRow("seis comillas") << F + F << "c:";
        QTest::newRow("linea de espacios no separa") << "uno\n   \ndos" << "p:uno\n   \ndos";
        QTest::newRow("sangria y blancos del codigo") << F + "py\n\n\n    if x:\n        y()\n\n" + F
                                                      << "c:    if x:\n        y()";
        QTest::newRow("guion en medio") << "a - b" << "p:a - b";
        QTest::newRow("guion sin espacio") << "-a\n-b" << "p:-a\n-b";
        QTest::newRow("cuatro comillas") << "````x\ny\n````" << "c:y | p:`";
        QTest::newRow("almohadilla sola") << "#" << "t:";
        QTest::newRow("espacios alrededor") << "  \n  hola  \n\n  " << "p:hola";
    }

    void bloques()
    {
        QFETCH(QString, texto);
        QFETCH(QString, esperado);
        QCOMPARE(describir(TextoMarkdown::bloques(texto)), esperado);
    }

    void enLinea_data()
    {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("plano") << "Hola mundo" << "Hola mundo";
        QTest::newRow("negrita") << "es **muy** bueno" << "es |[b]muy| bueno";
        QTest::newRow("cursiva") << "*sí* y _también_" << "[i]sí| y |[i]también";
        QTest::newRow("negrita y cursiva") << "***ambas***" << "[bi]ambas";
        QTest::newRow("tachado") << "~~no~~" << "[s]no";
        QTest::newRow("codigo") << "usa `git log` aquí" << "usa |[c]git log| aquí";
        QTest::newRow("codigo doble") << "``a`b``" << "[c]a`b";
        QTest::newRow("enlace") << "[sitio](https://ejemplo.cl)" << "[->https://ejemplo.cl]sitio";
        QTest::newRow("enlace con titulo") << "[a](https://e.cl \"t\")" << "[->https://e.cl]a";
        QTest::newRow("autoenlace") << "<https://e.cl>" << "[->https://e.cl]https://e.cl";
        QTest::newRow("correo") << "<ana@e.cl>" << "[->mailto:ana@e.cl]ana@e.cl";
        QTest::newRow("negrita sin cerrar") << "**sin cierre" << "**sin cierre";
        QTest::newRow("codigo sin cerrar") << "a `b" << "a `b";
        QTest::newRow("enlace sin cerrar") << "[a](https://e" << "[a](https://e";
        QTest::newRow("asterisco suelto") << "2 * 3 = 6" << "2 * 3 = 6";
        QTest::newRow("guion bajo en palabra") << "mi_variable_larga" << "mi_variable_larga";
        QTest::newRow("escape") << "\\*no\\*" << "*no*";
        QTest::newRow("html literal") << "<b>hola</b> &amp;" << "<b>hola</b> &amp;";
        QTest::newRow("corchete de mas") << "[[a](https://e.cl)" << "[|[->https://e.cl]a";
        QTest::newRow("enfasis cruzado") << "*a **b* c**" << "[i]a **b| c**";
        QTest::newRow("imagen como texto") << "![x](https://e.cl/a.png)" << "!|[->https://e.cl/a.png]x";
        const QString lejos = "[a](" + QString(2100, u'x') + ")";
        QTest::newRow("destino fuera de alcance") << lejos << lejos;
    }

    // An opener that nothing closes settles once the line has passed it by
    // the reach of a closer, so a growing line is drawn again only from
    // near its end.
    void asentado_data()
    {
        QTest::addColumn<QString>("linea");
        QTest::newRow("corchetes") << QString(6000, u'[');
        QTest::newRow("enlaces sin destino cerrado") << QStringLiteral("[a](").repeated(1500);
        QTest::newRow("enfasis") << QStringLiteral("*a ").repeated(2000);
        QTest::newRow("codigo") << QStringLiteral("`a ").repeated(2000);
    }

    void asentado()
    {
        QFETCH(QString, linea);
        qsizetype estable = 0;
        TextoMarkdown::enLinea(linea, 0, estable);
        QVERIFY2(estable >= linea.size() - 2000, qPrintable(QString::number(estable)));
    }

    void enLinea()
    {
        QFETCH(QString, linea);
        QFETCH(QString, esperado);
        QCOMPARE(describir(TextoMarkdown::enLinea(linea)), esperado);
    }

    void enlaces_data()
    {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<bool>("abre");
        QTest::newRow("https") << "https://ejemplo.cl/a?b=1" << true;
        QTest::newRow("http") << "http://ejemplo.cl" << true;
        QTest::newRow("mayusculas") << "HTTPS://ejemplo.cl" << true;
        QTest::newRow("mailto") << "mailto:ana@ejemplo.cl" << true;
        QTest::newRow("zuviia") << "zuviia://modo-proyectos" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("relativo") << "informe.md" << false;
        QTest::newRow("sin host") << "https:///x" << false;
        QTest::newRow("mailto vacio") << "mailto:" << false;
        QTest::newRow("ssh") << "ssh://servidor" << false;
        QTest::newRow("vacio") << "" << false;
    }

    void enlaces()
    {
        QFETCH(QString, destino);
        QFETCH(bool, abre);
        QCOMPARE(TextoMarkdown::enlaceAbrible(destino), abre);
    }

    // A link of another scheme shows its text plainly; an open one carries
    // its full target as the tooltip.
    void enlaceDibujado()
    {
        TextoMarkdown t;
        t.setTexto(QStringLiteral("[uno](zuviia://abrir) y [dos](https://e.cl/largo/camino)"));
        const auto* w = t.findChild<TextoSeleccionable*>();
        QVERIFY(w);
        QCOMPARE(w->document()->toPlainText(), QStringLiteral("uno y dos"));
        QStringList anclas, ayudas;
        for (auto f = w->document()->begin().begin(); !f.atEnd(); ++f)
            if (f.fragment().charFormat().isAnchor()) {
                anclas << f.fragment().charFormat().anchorHref();
                ayudas << f.fragment().charFormat().toolTip();
            }
        QCOMPARE(anclas, QStringList{QStringLiteral("https://e.cl/largo/camino")});
        QCOMPARE(ayudas, anclas);
    }

    // Markup that looks like HTML or an image is shown as the characters it is.
    void sinHtml()
    {
        TextoMarkdown t;
        t.setTexto(QStringLiteral("<img src=\"file:///etc/hostname\"> <b>x</b>\n\n# <i>t</i>"));
        QStringList textos;
        for (const TextoSeleccionable* w : t.findChildren<TextoSeleccionable*>())
            textos << w->document()->toPlainText();
        QCOMPARE(textos, (QStringList{QStringLiteral("<img src=\"file:///etc/hostname\"> <b>x</b>"),
                                      QStringLiteral("<i>t</i>")}));
    }

    // Streamed in pieces, the text looks exactly as when shown at once.
    void comoDeUnaVez_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("paso");
        const QString largo = QStringLiteral("# Informe\n\nEl **plan** tiene _tres_ pasos:\n- leer `main.cpp`\n"
                                             "- ver [la guía](https://e.cl/g)\n- probar\n\n")
            + F + "cpp\nint main() {\n    return 0;\n}\n" + F + "\n\nListo, ~~casi~~ todo. a - b *x";
        for (int paso : {1, 2, 3, 7, 50})
            QTest::addRow("de a %d", paso) << largo << paso;
        QTest::newRow("valla partida") << "uno `` `\n\n``` dos" << 1;
        QTest::newRow("blancos al final") << "palabra   \n\notra  " << 1;
        QTest::newRow("titulo que se alarga") << "# T\nmás" << 1;
        // Openers no closer reaches settle as text.
        QTest::newRow("corchetes sin cerrar") << QString(3000, u'[') + "](https://e.cl) *a* `b`" << 97;
        QTest::newRow("enfasis sin cerrar") << QString("*a ").repeated(1000) + "**b**" << 31;
        QTest::newRow("destino lejano") << "[a](" + QString(2100, u'x') + ") y [b](https://e.cl)" << 97;
    }

    void comoDeUnaVez()
    {
        QFETCH(QString, texto);
        QFETCH(int, paso);
        TextoMarkdown deUnaVez;
        deUnaVez.setTexto(texto);
        TextoMarkdown aPedazos;
        for (qsizetype i = 0; i < texto.size(); i += paso)
            aPedazos.setTexto(texto.left(i + paso));
        QCOMPARE(aPedazos.texto(), texto);
        QCOMPARE(dibujos(aPedazos), dibujos(deUnaVez));
    }

    // A long line streamed into a narrow answer is drawn in several document
    // blocks; copying gives the text without those breaks, real ones kept.
    void copiaSinSaltosAnadidos_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("paso");
        QTest::addColumn<QString>("desde");
        QTest::addColumn<QString>("hasta");
        QTest::addColumn<QString>("copiado");
        const QString linea = palabras(1, 900);
        QTest::newRow("línea larga") << linea << 37 << QString() << QString() << linea;
        const QString dosLineas = palabras(1, 600) + "\n" + palabras(601, 900);
        QTest::newRow("salto real") << dosLineas << 37 << QString() << QString() << dosLineas;
        QTest::newRow("selección parcial") << linea << 37 << "p0010" << "p0700" << palabras(10, 700);
        // A draw that comes late brings a long piece of the line at once.
        QTest::newRow("de una vez") << linea << 9000 << "p0010" << "p0700" << palabras(10, 700);
        // Openers that may still close keep the line's end unsettled.
        const QString corchetes = palabras(1, 300) + " " + QString(2500, u'[') + " " + palabras(301, 900);
        const qsizetype desde = corchetes.indexOf("p0010"), hasta = corchetes.indexOf("p0800") + 5;
        QTest::newRow("corchetes sin cerrar") << corchetes << 37 << "p0010" << "p0800" << corchetes.mid(desde, hasta - desde);
        const QString codigo = palabras(1, 600) + "\n    " + palabras(601, 650);
        QTest::newRow("bloque de código") << F + "txt\n" + codigo + "\n" + F << 37 << QString() << QString() << codigo;
    }

    void copiaSinSaltosAnadidos()
    {
        QFETCH(QString, texto);
        QFETCH(int, paso);
        QFETCH(QString, desde);
        QFETCH(QString, hasta);
        QFETCH(QString, copiado);
        TextoMarkdown t;
        auto* w = transmitido(t, texto, paso);
        QVERIFY(w);
        // The long lines were drawn in more document blocks than they have.
        if (w->lineWrapMode() != QTextEdit::NoWrap)
            QVERIFY(w->document()->blockCount() > texto.count(u'\n') + 1);
        QTextCursor c(w->document());
        if (desde.isEmpty()) {
            c.select(QTextCursor::Document);
        } else {
            c.setPosition(w->document()->find(desde).selectionStart());
            const QTextCursor fin = w->document()->find(hasta);
            // The selection crosses a break added for display.
            QVERIFY(fin.block() != c.block());
            c.setPosition(fin.selectionEnd(), QTextCursor::KeepAnchor);
        }
        w->setTextCursor(c);
        QClipboard* portapapeles = QGuiApplication::clipboard();

        portapapeles->clear();
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(portapapeles->text(), copiado);
        QTextDocument html;
        html.setHtml(portapapeles->mimeData()->html());
        QCOMPARE(html.toPlainText(), copiado);

        portapapeles->clear();
        const std::unique_ptr<QMenu> menu(w->createStandardContextMenu());
        auto* copiar = menu->findChild<QAction*>(QStringLiteral("edit-copy"));
        QVERIFY(copiar);
        copiar->trigger();
        QCOMPARE(portapapeles->text(), copiado);
    }

    // A long line streamed into a shown answer is cut where it wraps
    // already: it shows the same lines as the whole text laid out at once.
    void cortesInvisibles_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("paso");
        QTest::newRow("palabras") << palabras(1, 1200) << 37;
        QTest::newRow("de una vez") << palabras(1, 1200) << 9000;
        QTest::newRow("corchetes sin cerrar") << palabras(1, 300) + " " + QString(5000, u'[') + " " + palabras(301, 900) << 53;
    }

    void cortesInvisibles()
    {
        QFETCH(QString, texto);
        QFETCH(int, paso);
        TextoMarkdown t;
        auto* w = transmitido(t, texto, paso);
        QVERIFY(w);
        QVERIFY(w->document()->blockCount() > 1);
        QTextDocument entero;
        entero.setDocumentMargin(w->document()->documentMargin());
        entero.setDefaultFont(w->document()->defaultFont());
        entero.setDefaultTextOption(w->document()->defaultTextOption());
        entero.setPlainText(texto);
        entero.setTextWidth(w->document()->textWidth());
        QCOMPARE(lineasVisuales(*w->document()), lineasVisuales(entero));
    }

    // In a scroll area, as in the message list: while the answer grows and
    // after its width changes, each block is as tall as its text at the
    // width it has, and the blocks follow one another.
    void alturasAlCambiarAncho()
    {
        const QString parrafo = palabras(1, 400);
        const QString texto = "# Informe\n\n" + parrafo + "\n\n- uno\n- dos\n\n" + F + "cpp\nint x = 1;\n" + F
            + "\n\n" + palabras(401, 450) + " [" + QString(1800, u'[') + " " + palabras(451, 900);
        QScrollArea area;
        area.setWidgetResizable(true);
        area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* columna = new QWidget;
        auto* capa = new QVBoxLayout(columna);
        auto* t = new TextoMarkdown;
        capa->addWidget(t);
        capa->addStretch(1);
        area.setWidget(columna);
        area.resize(700, 400);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        const auto comprobar = [t] {
            int abajo = 0;
            for (const TextoSeleccionable* w : t->findChildren<TextoSeleccionable*>(Qt::FindDirectChildrenOnly)) {
                QCOMPARE(w->width(), t->width());
                QCOMPARE(w->height(), w->heightForWidth(t->width()));
                if (w->lineWrapMode() != QTextEdit::NoWrap)
                    QCOMPARE(w->height(), qCeil(w->document()->size().height()));
                QVERIFY(w->y() >= abajo);
                abajo = w->geometry().bottom();
            }
            QVERIFY(abajo < t->height());
        };
        // Each layout tells the one above it on the next pass.
        const auto asentar = [] {
            for (int pasada = 0; pasada < 3; ++pasada)
                QApplication::processEvents();
        };
        for (qsizetype i = 0; i < texto.size(); i += 41) {
            t->setTexto(texto.left(i + 41));
            asentar();
            comprobar();
            if (QTest::currentTestFailed())
                return;
        }
        for (int ancho : {700, 320, 900, 700}) {
            area.resize(ancho, 400);
            asentar();
            comprobar();
            if (QTest::currentTestFailed())
                return;
        }
    }

    // A replaced text (an empty reply turned into an error) is drawn anew.
    void textoReemplazado()
    {
        TextoMarkdown t;
        t.setTexto(QStringLiteral("**Hola** mundo"));
        t.setTexto(QStringLiteral("Detenido."));
        QCOMPARE(dibujos(t), QStringList{QStringLiteral("{}Detenido.\n")});
    }
};

QTEST_MAIN(TestTextoMarkdown)
#include "TestTextoMarkdown.moc"
