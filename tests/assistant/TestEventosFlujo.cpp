#include "assistant/EventosFlujo.h"

#include <QTest>

using namespace EventosFlujo;

namespace {

// One effect per line of text, so a table row reads like what the turn does.
QStringList resumen(const Efectos& e)
{
    QStringList r;
    if (!e.anexo.isEmpty())
        r << QStringLiteral("anexo%1:%2").arg(e.guardar ? QStringLiteral("+guardar") : QString(), e.anexo);
    for (const QString& f : e.fragmentos)
        r << QStringLiteral("fragmento:") + f;
    if (e.finBloque)
        r << QStringLiteral("finBloque");
    for (const auto& a : e.actividades)
        r << QStringLiteral("actividad:") + a.value_or(QStringLiteral("-"));
    if (e.resultado)
        r << QStringLiteral("resultado:%1|%2|%3")
                 .arg(e.resultado->sesion.value_or(QStringLiteral("-")), e.resultado->texto,
                      e.resultado->esError ? QStringLiteral("error") : QStringLiteral("ok"))
             + (e.resultado->sesionPerdida ? QStringLiteral("|sesión perdida") : QString());
    return r;
}

QString delta(const QString& texto)
{
    return QStringLiteral(R"({"type":"stream_event","event":{"type":"content_block_delta","index":0,)"
                          R"("delta":{"type":"text_delta","text":"%1"}}})")
        .arg(texto);
}

const QString inicioTexto =
    QStringLiteral(R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"text"}}})");
const QString inicioHerramienta = QStringLiteral(
    R"({"type":"stream_event","event":{"type":"content_block_start","content_block":{"type":"tool_use"}}})");
const QString finBloque = QStringLiteral(R"({"type":"stream_event","event":{"type":"content_block_stop"}})");

}

class TestEventosFlujo : public QObject {
    Q_OBJECT

private slots:
    // One line against the turn state it finds.
    void linea_data()
    {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<bool>("huboDeltas");
        QTest::addColumn<bool>("respuestaVacia");
        QTest::addColumn<QStringList>("efectos");
        QTest::addColumn<bool>("huboDeltasDespues");

        const auto fila = [](const char* n, const QString& linea, bool deltas, bool vacia, const QStringList& efectos,
                             bool deltasDespues) {
            QTest::newRow(n) << linea << deltas << vacia << efectos << deltasDespues;
        };

        fila("delta", delta("Hola"), false, true, {"anexo:Hola", "fragmento:Hola", "actividad:-"}, true);
        fila("delta vacío", delta(""), false, true, {}, false);
        fila("delta que no es texto",
             R"({"type":"stream_event","event":{"type":"content_block_delta","delta":{"type":"input_json_delta","partial_json":"x"}}})",
             true, false, {}, true);
        fila("delta con texto numérico",
             R"({"type":"stream_event","event":{"type":"content_block_delta","delta":{"type":"text_delta","text":5}}})",
             false, true, {}, false);
        fila("primer bloque de texto", inicioTexto, false, true, {}, false);
        fila("bloque de texto tras deltas", inicioTexto, true, false, {"anexo:\n\n", "fragmento:\n\n"}, true);
        fila("bloque de herramienta", inicioHerramienta, true, false, {}, true);
        fila("inicio sin bloque", R"({"type":"stream_event","event":{"type":"content_block_start"}})", true, false, {},
             true);
        fila("fin de bloque sin deltas", finBloque, false, true, {}, false);
        fila("fin de bloque tras deltas", finBloque, true, false, {"finBloque"}, true);
        fila("evento que no es objeto", R"({"type":"stream_event","event":"content_block_stop"})", true, false, {},
             true);
        fila("texto entero sin deltas",
             R"({"type":"assistant","message":{"content":[{"type":"text","text":"Listo"}]}})", false, true,
             {"anexo+guardar:Listo", "actividad:-"}, false);
        fila("texto entero tras otro texto",
             R"({"type":"assistant","message":{"content":[{"type":"text","text":"Dos"}]}})", false, false,
             {"anexo+guardar:\n\nDos", "actividad:-"}, false);
        fila("dos bloques de texto en un mensaje",
             R"({"type":"assistant","message":{"content":[{"type":"text","text":"Uno"},{"type":"text","text":"Dos"}]}})",
             false, true, {"anexo+guardar:Uno\n\nDos", "actividad:-", "actividad:-"}, false);
        fila("texto entero tras deltas",
             R"({"type":"assistant","message":{"content":[{"type":"text","text":"Hola mundo"}]}})", true, false, {},
             true);
        fila("texto entero vacío", R"({"type":"assistant","message":{"content":[{"type":"text","text":""}]}})", false,
             true, {}, false);
        fila("herramienta",
             R"({"type":"assistant","message":{"content":[{"type":"tool_use","name":"Read","input":{"file_path":"/p/informe.md"}}]}})",
             false, true, {"actividad:Leyendo informe.md…"}, false);
        fila("herramienta sin nombre ni entrada", R"({"type":"assistant","message":{"content":[{"type":"tool_use"}]}})",
             false, true, {"actividad:Usando …"}, false);
        fila("herramienta con entrada que no es objeto",
             R"({"type":"assistant","message":{"content":[{"type":"tool_use","name":"Read","input":"x"}]}})", false,
             true, {"actividad:Leyendo un archivo…"}, false);
        fila("pensando", R"({"type":"assistant","message":{"content":[{"type":"thinking","thinking":"..."}]}})", true,
             false, {"actividad:Pensando…"}, true);
        fila("herramienta y luego texto",
             R"({"type":"assistant","message":{"content":[{"type":"tool_use","name":"Glob","input":{}},{"type":"text","text":"Hecho"}]}})",
             false, true, {"anexo+guardar:Hecho", "actividad:Buscando en el proyecto…", "actividad:-"}, false);
        fila("contenido que no es lista", R"({"type":"assistant","message":{"content":"Hola"}})", false, true, {},
             false);
        fila("bloque desconocido", R"({"type":"assistant","message":{"content":[{"type":"image"}]}})", false, true, {},
             false);
        fila("resultado",
             R"({"type":"result","subtype":"success","session_id":"abc-1","result":"Final","is_error":false})", true,
             false, {"resultado:abc-1|Final|ok"}, true);
        fila("resultado con error", R"({"type":"result","session_id":"abc-1","result":"Falló","is_error":true})", false,
             true, {"resultado:abc-1|Falló|error"}, false);
        fila("sesión a reanudar que no existe",
             R"({"type":"result","subtype":"error_during_execution","duration_ms":0,"is_error":true,"num_turns":0,)"
             R"("session_id":"n-2","errors":["No conversation found with session ID: s-1"]})",
             false, true, {"resultado:n-2||error|sesión perdida"}, false);
        fila("sesión perdida en el texto del resultado",
             R"({"type":"result","is_error":true,"result":"No conversation found with session ID: s-1"})", false, true,
             {"resultado:-|No conversation found with session ID: s-1|error|sesión perdida"}, false);
        fila("la misma frase en una respuesta normal",
             R"({"type":"result","is_error":false,"result":"No conversation found with session ID: s-1"})", false, true,
             {"resultado:-|No conversation found with session ID: s-1|ok"}, false);
        fila("resultado sin sesión ni texto", R"({"type":"result"})", false, true, {"resultado:-||ok"}, false);
        fila("resultado con tipos equivocados", R"({"type":"result","session_id":7,"result":["x"],"is_error":"true"})",
             false, true, {"resultado:-||ok"}, false);
        fila("system se ignora", R"({"type":"system","subtype":"init","session_id":"abc"})", false, true, {}, false);
        fila("no es JSON", "Hola {", false, true, {}, false);
        fila("JSON que no es objeto", "[1,2]", false, true, {}, false);
        fila("sin tipo", R"({"event":{}})", false, true, {}, false);
        fila("tipo que no es texto", R"({"type":1})", false, true, {}, false);
        fila("línea vacía", "", false, true, {}, false);
        fila("retorno de carro al final", delta("a") + "\r", false, true, {"anexo:a", "fragmento:a", "actividad:-"},
             true);
    }

    void linea()
    {
        QFETCH(QString, linea);
        QFETCH(bool, huboDeltas);
        QFETCH(bool, respuestaVacia);
        Estado estado{huboDeltas, respuestaVacia};
        QTEST(resumen(interpretar(linea, estado)), "efectos");
        QTEST(estado.huboDeltas, "huboDeltasDespues");
    }

    // Whole turns: the reply is the appends in order; the state carries over.
    void turno_data()
    {
        QTest::addColumn<QStringList>("lineas");
        QTest::addColumn<QString>("respuesta");
        QTest::addColumn<QStringList>("fragmentos");
        QTest::addColumn<int>("guardados");

        const QString herramienta = QStringLiteral(
            R"({"type":"assistant","message":{"content":[{"type":"tool_use","name":"Bash","input":{"command":"ls"}}]}})");
        const QString completo = QStringLiteral(
            R"({"type":"assistant","message":{"content":[{"type":"text","text":"Hola mundo"}]}})");

        QTest::newRow("dos deltas en un bloque")
            << QStringList{inicioTexto, delta("Hola"), delta(" mundo"), finBloque} << "Hola mundo"
            << QStringList{"Hola", " mundo"} << 0;
        QTest::newRow("segundo bloque tras herramienta")
            << QStringList{inicioTexto, delta("Miro."), finBloque, inicioHerramienta, finBloque, herramienta,
                           inicioTexto, delta("Listo.")}
            << "Miro.\n\nListo." << QStringList{"Miro.", "\n\n", "Listo."} << 0;
        QTest::newRow("mensaje entero repetido tras deltas")
            << QStringList{inicioTexto, delta("Hola"), delta(" mundo"), finBloque, completo} << "Hola mundo"
            << QStringList{"Hola", " mundo"} << 0;
        QTest::newRow("dos mensajes enteros sin deltas")
            << QStringList{completo, herramienta, completo} << "Hola mundo\n\nHola mundo" << QStringList{} << 2;
    }

    void turno()
    {
        QFETCH(QStringList, lineas);
        Estado estado;
        QString respuesta;
        QStringList fragmentos;
        int guardados = 0;
        for (const QString& l : lineas) {
            const Efectos e = interpretar(l, estado);
            respuesta += e.anexo;
            fragmentos += e.fragmentos;
            guardados += e.guardar ? 1 : 0;
        }
        QTEST(respuesta, "respuesta");
        QTEST(fragmentos, "fragmentos");
        QTEST(guardados, "guardados");
    }

    void fondo_data()
    {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<bool>("huboDelta");
        QTest::addColumn<QString>("anexo");
        QTest::addColumn<QString>("actividad");
        QTest::addColumn<QString>("fin");

        QTest::newRow("delta") << delta("Hola") << true << "Hola" << "-" << "-";
        QTest::newRow("inicio de bloque no separa") << inicioTexto << false << "" << "-" << "-";
        QTest::newRow("texto entero no se aplica")
            << R"({"type":"assistant","message":{"content":[{"type":"text","text":"Hola"}]}})" << false << ""
            << "-" << "-";
        QTest::newRow("gana la última herramienta")
            << R"({"type":"assistant","message":{"content":[{"type":"tool_use","name":"Glob"},{"type":"thinking"},{"type":"tool_use","name":"WebSearch","input":{}}]}})"
            << false << "" << "Buscando en internet…" << "-";
        QTest::newRow("resultado con texto")
            << R"({"type":"result","result":"Web creada","is_error":true})" << false << "" << "-" << "Web creada|error";
        QTest::newRow("resultado sin texto") << R"({"type":"result","session_id":"s"})" << false << "" << "-"
                                             << "|ok";
        QTest::newRow("basura") << "}{" << false << "" << "-" << "-";
    }

    void fondo()
    {
        QFETCH(QString, linea);
        const EfectosFondo e = interpretarFondo(linea);
        QTEST(e.huboDelta, "huboDelta");
        QTEST(e.anexo, "anexo");
        QTEST(e.actividad.value_or(QStringLiteral("-")), "actividad");
        const QString fin =
            e.fin ? e.fin->texto + (e.fin->esError ? QStringLiteral("|error") : QStringLiteral("|ok")) : "-";
        QTEST(fin, "fin");
    }
};

QTEST_GUILESS_MAIN(TestEventosFlujo)
#include "TestEventosFlujo.moc"
