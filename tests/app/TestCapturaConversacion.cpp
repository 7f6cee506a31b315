#include "comun/MotorSalaGuionado.h"
#include "app/BurbujaMensaje.h"
#include "app/ConversacionView.h"
#include "vistas/Iconos.h"
#include "app/ListaMensajes.h"
#include "app/TextoMarkdown.h"
#include "app/TextoSeleccionable.h"
#include "app/VentanaPrincipal.h"
#include "app/VistaPrincipal.h"
#include "assistant/AsistenteVoz.h"
#include "comun/DispositivosSistemaFalso.h"
#include "comun/HogarTemporal.h"
#include "comun/RelojFalso.h"
#include "core/Almacen.h"
#include "core/EstadoIA.h"
#include "core/Perfiles.h"
#include "plataforma/Ajustes.h"
#include "plataforma/Carpetas.h"
#include "projects/ModoProyectos.h"

#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>

// A conversation with a heading, a list, a code block and a link, drawn
// for real on an X server and saved as a picture to look at.
class TestCapturaConversacion : public QObject {
    Q_OBJECT

private slots:
    void captura()
    {
        Iconos::prepararTema();
        HogarTemporal hogar;
        RelojFalso reloj;
        DispositivosSistemaFalso sistema;
        Ajustes ajustes(hogar.en(".config/cl.norp.ZuviIA.conf"));
        ajustes.escribir(QStringLiteral("configuracionCompleta"), true);
        Perfiles perfiles(ajustes, reloj, Carpetas::datosApp());
        Almacen almacen(reloj, perfiles, Carpetas::datosApp());
        EstadoIA deteccion(reloj, [] { return QList<Deteccion>{}; }, EstadoIA::Agente{});
        AsistenteVoz asistente(ajustes, reloj, almacen, sistema, deteccion);
        asistente.setLeerRespuesta(false);
        ModoProyectos modo(reloj, ajustes, almacen, perfiles, asistente, std::make_unique<MotorSalaGuionado>(reloj));

        const QUuid id = almacen.nueva();
        asistente.usarCarpeta(hogar.en("Zuvi IA/Tienda web"));
        const QString respuesta = QStringLiteral(
            "## Plan para la tienda\n\nRevisé `index.html` y hay **tres** cosas que *conviene* cambiar:\n"
            "- el título de la portada\n- los precios, que salen sin IVA\n- el enlace roto del pie\n\n"
            "```html\n<footer>\n    <a href=\"/contacto\">Contacto</a> <!-- una línea bastante larga que no cabe "
            "en el ancho de la burbuja y se desplaza hacia el lado -->\n</footer>\n```\n\n"
            "Más detalles en [la guía de estilo](https://ejemplo.cl/guia) o escribe a <ana@ejemplo.cl>.");
        almacen.cambiar(id, true, [&](Conversacion& c) {
            c.titulo = QStringLiteral("Arregla la portada de la tienda");
            c.mensajes << Mensaje::nuevo(Mensaje::Rol::usuario, QStringLiteral("Arregla la portada de la tienda"))
                       << Mensaje::nuevo(Mensaje::Rol::agente, respuesta, AgenteCLI::claude)
                       << Mensaje::nuevo(Mensaje::Rol::error, QStringLiteral("No hubo respuesta (código 1)."));
        });

        VentanaPrincipal ventana(Entorno{ajustes, reloj, almacen, perfiles, deteccion, asistente, modo});
        ventana.resize(1100, 820);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QTest::qWait(300);

        auto* pantalla = qobject_cast<ConversacionView*>(ventana.vista()->detalle());
        QCOMPARE(ventana.windowTitle(), QStringLiteral("Arregla la portada de la tienda — Tienda web"));
        ListaMensajes* lista = pantalla->lista();
        QCOMPARE(lista->burbujas().size(), size_t(3));
        // The end is in view, and the long code line scrolls instead of wrapping.
        QCOMPARE(lista->verticalScrollBar()->value(), lista->verticalScrollBar()->maximum());
        const auto bloques = lista->burbujas()[1]->findChildren<TextoSeleccionable*>();
        QCOMPARE(bloques.size(), 4);
        QVERIFY(bloques[2]->document()->idealWidth() > bloques[2]->viewport()->width());
        for (TextoSeleccionable* b : bloques)
            QVERIFY2(b->height() >= b->document()->size().height() - 1, qPrintable(b->document()->toPlainText()));

        lista->verticalScrollBar()->setValue(0);
        QTest::qWait(100);
        const QString ruta = qEnvironmentVariable("ZUVI_CAPTURA", QStringLiteral("captura-conversacion.png"));
        QVERIFY(ventana.grab().save(ruta));
    }

    // Selecting a long streamed line with the mouse puts its text on the
    // X11 selection without the breaks added to draw it.
    void seleccionConRaton()
    {
        QStringList palabras;
        for (int i = 1; i <= 900; ++i)
            palabras << QStringLiteral("p%1").arg(i, 4, 10, QChar(u'0'));
        const QString linea = palabras.join(u' ');
        TextoMarkdown t;
        t.resize(320, 800);
        t.setTexto(linea.left(37));
        t.show();
        QVERIFY(QTest::qWaitForWindowExposed(&t));
        for (qsizetype i = 37; i < linea.size(); i += 37)
            t.setTexto(linea.left(i + 37));
        auto* w = t.findChild<TextoSeleccionable*>();
        QVERIFY(w);
        QVERIFY(w->document()->blockCount() > 1);
        QTest::qWait(100);

        QTextCursor c(w->document());
        const QPoint inicio = w->cursorRect(c).center();
        c.movePosition(QTextCursor::End);
        const QPoint fin = w->cursorRect(c).center() + QPoint(20, 0);
        QTest::mousePress(w->viewport(), Qt::LeftButton, {}, inicio);
        QTest::mouseMove(w->viewport(), fin);
        QTest::mouseRelease(w->viewport(), Qt::LeftButton, {}, fin);
        QVERIFY(QGuiApplication::clipboard()->supportsSelection());
        QTRY_COMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), linea);
    }
};

QTEST_MAIN(TestCapturaConversacion)
#include "TestCapturaConversacion.moc"
