#include "assistant/FrasesActividad.h"

#include <QJsonDocument>
#include <QTest>

class TestFrasesActividad : public QObject {
    Q_OBJECT

private slots:
    void describir_data()
    {
        QTest::addColumn<QString>("herramienta");
        QTest::addColumn<QByteArray>("entrada");
        QTest::addColumn<QString>("frase");

        const auto fila = [](const char* nombre, const QString& herramienta, const QByteArray& entrada,
                             const QString& frase) { QTest::newRow(nombre) << herramienta << entrada << frase; };

        fila("Read con archivo", "Read", R"({"file_path":"/home/ana/Zuvi IA/informe.md"})", "Leyendo informe.md…");
        fila("Read sin archivo", "Read", "{}", "Leyendo un archivo…");
        fila("Read carpeta con barra final", "Read", R"({"file_path":"/home/ana/proyecto/"})", "Leyendo proyecto…");
        fila("Read varias barras finales", "Read", "{\"file_path\":\"/tmp/web//\"}", "Leyendo web…");
        fila("Read raiz", "Read", R"({"file_path":"/"})", "Leyendo /…");
        fila("Read ruta vacía", "Read", R"({"file_path":""})", "Leyendo un archivo…");
        fila("Read relativa", "Read", R"({"file_path":"notas.txt"})", "Leyendo notas.txt…");
        fila("Write ruta numérica", "Write", R"({"file_path":42})", "Creando un archivo…");
        fila("Write", "Write", R"({"file_path":"/p/index.html"})", "Creando index.html…");
        fila("Edit", "Edit", R"({"file_path":"/p/app.js"})", "Editando app.js…");
        fila("MultiEdit", "MultiEdit", R"({"file_path":"/p/app.js"})", "Editando app.js…");
        fila("Bash osascript", "Bash", R"({"command":"echo 1 | osascript -e x"})", "Controlando una app…");
        fila("Bash open con osascript", "Bash", R"({"command":"open -a x; osascript y"})", "Controlando una app…");
        fila("Bash screencapture", "Bash", R"({"command":"screencapture /tmp/a.png"})", "Mirando la pantalla…");
        fila("Bash open", "Bash", R"({"command":"open informe.pdf"})", "Abriendo…");
        fila("Bash open sin espacio", "Bash", R"({"command":"openssl rand 4"})", "Ejecutando un comando…");
        fila("Bash otro", "Bash", R"({"command":"ls -la"})", "Ejecutando un comando…");
        fila("Bash sin comando", "Bash", "{}", "Ejecutando un comando…");
        fila("Bash comando numérico", "Bash", R"({"command":7})", "Ejecutando un comando…");
        fila("bash minúsculas", "bash", R"({"command":"ls"})", "Usando bash…");
        fila("Glob", "Glob", "{}", "Buscando en el proyecto…");
        fila("Grep", "Grep", "{}", "Buscando en el proyecto…");
        fila("WebSearch", "WebSearch", "{}", "Buscando en internet…");
        fila("WebFetch", "WebFetch", "{}", "Leyendo una página web…");
        fila("Skill", "Skill", R"({"skill":"docx"})", "Usando la skill docx…");
        fila("Skill sin nombre", "Skill", "{}", "Usando la skill …");
        fila("Task", "Task", "{}", "Delegando una tarea…");
        fila("Agent", "Agent", "{}", "Delegando una tarea…");
        fila("TodoWrite", "TodoWrite", "{}", "Planificando…");
        fila("otra", "NotebookEdit", "{}", "Usando NotebookEdit…");
        fila("nombre vacío", "", "{}", "Usando …");
        fila("mcp blender", "mcp__blender__get_scene", "{}", "Trabajando en Blender…");
        fila("mcp BlenderMCP", "mcp__BlenderMCP__render", "{}", "Trabajando en Blender…");
        fila("mcp office", "mcp__office__write", "{}", "Usando office…");
        fila("mcp con guion bajo", "mcp__mi_servidor__x", "{}", "Usando mi…");
        fila("mcp solo", "mcp__", "{}", "Usando servidor…");
        fila("mcp archivo no cuenta", "mcp__fs__Read", R"({"file_path":"/a/b"})", "Usando fs…");
    }

    void describir()
    {
        QFETCH(QString, herramienta);
        QFETCH(QByteArray, entrada);
        QTEST(FrasesActividad::describir(herramienta, QJsonDocument::fromJson(entrada).object()), "frase");
    }
};

QTEST_GUILESS_MAIN(TestFrasesActividad)
#include "TestFrasesActividad.moc"
