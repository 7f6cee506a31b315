#include "setup/PasoConexiones.h"

#include "setup/Encabezado.h"
#include "setup/InsigniaEstado.h"
#include "setup/Instalador.h"
#include "setup/Rotulos.h"
#include "setup/Tarjeta.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct FilaConexion {
    Conexion conexion;
    const char* simbolo;
    const char* titulo;
    const char* texto;
};

constexpr FilaConexion filas[] = {
    {Conexion::mac, "macwindow.on.rectangle", "Control del computador",
     "Abrir apps, mirar la pantalla, hacer clic y escribir por ti."},
    {Conexion::office, "doc.richtext", "LibreOffice",
     "Crear y editar documentos, hojas de cálculo y presentaciones con LibreOffice."},
    {Conexion::blender, "cube.transparent", "Blender", "Modelar, animar y renderizar en 3D hablando."},
    {Conexion::impresora, "printer.filled.and.paper", "Impresora 3D", "Diseñar piezas y dejarlas listas en el laminador."},
};

const QString pantalla = QStringLiteral("Grabación de pantalla");
const QString skillControl = QStringLiteral("skill de control");

QString textoBase(Conexion c)
{
    for (const FilaConexion& f : filas)
        if (f.conexion == c)
            return QString::fromUtf8(f.texto);
    return {};
}

}

QString PasoConexiones::textoConexion(const QString& texto, const QStringList& apps)
{
    return apps.isEmpty() ? texto : texto + QLatin1Char('\n') + apps.join(QStringLiteral(", "));
}

QString PasoConexiones::faltaControl(const QStringList& falta)
{
    return QStringLiteral("Control del computador: falta ") + falta.join(QStringLiteral(" y ")) + QLatin1Char('.');
}

// Linux lacks a desktop permission only in a Wayland session, where no
// setting grants it; the skill is what «Configurar» installs.
QString PasoConexiones::pistaControl(const QStringList& falta)
{
    QStringList frases;
    if (falta.contains(skillControl))
        frases << QStringLiteral("Pulsa «Configurar» para instalar la skill de control.");
    if (falta.contains(pantalla) || falta.contains(QStringLiteral("Accesibilidad")))
        frases << QStringLiteral("En Wayland, Linux no deja que una aplicación mire la pantalla ni haga clic por ti: el "
                                 "agente abre apps y archivos, y para el control completo hay que entrar con una sesión "
                                 "X11 (Xorg).");
    return frases.join(QLatin1Char(' '));
}

PasoConexiones::PasoConexiones(Instalador& ins, QWidget* parent) : QWidget(parent), ins_(ins)
{
    setObjectName(QStringLiteral("pasoConexiones"));
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->setSpacing(10);
    capa->addWidget(new Encabezado(QStringLiteral("point.3.connected.trianglepath.dotted"), QStringLiteral("Conexiones"),
                                   QStringLiteral("Esto es lo que el agente podrá controlar. Configura lo que uses; "
                                                  "puedes volver aquí desde Ajustes."),
                                   this));
    for (const FilaConexion& f : filas) {
        auto* accesorio = new QWidget;
        accesorio->setMaximumWidth(190);
        auto* columna = new QVBoxLayout(accesorio);
        columna->setContentsMargins(0, 0, 0, 0);
        columna->setSpacing(6);
        auto* insignia = new InsigniaEstado(std::nullopt, accesorio);
        auto* boton = new QPushButton(QStringLiteral("Configurar"), accesorio);
        boton->setObjectName(QStringLiteral("configurar-") + Conexiones::valorCrudo(f.conexion));
        boton->setAutoDefault(false);
        connect(boton, &QPushButton::clicked, this, [this, c = f.conexion] { ins_.configurar(c); });
        columna->addWidget(insignia, 0, Qt::AlignRight);
        columna->addWidget(boton, 0, Qt::AlignRight);
        auto* tarjeta = new Tarjeta(QString::fromLatin1(f.simbolo), QString::fromUtf8(f.titulo), QString(), accesorio, this);
        tarjeta->setObjectName(QStringLiteral("tarjeta-") + Conexiones::valorCrudo(f.conexion));
        capa->addWidget(tarjeta);
        tarjetas_.insert(f.conexion, tarjeta);
        insignias_.insert(f.conexion, insignia);
        configurar_.insert(f.conexion, boton);
    }

    aviso_ = new QWidget(this);
    aviso_->setObjectName(QStringLiteral("avisoControl"));
    auto* fila = new QHBoxLayout(aviso_);
    fila->setContentsMargins(0, 4, 0, 0);
    fila->addWidget(Rotulos::simbolo(QStringLiteral("info.circle"), 16, aviso_), 0, Qt::AlignTop);
    auto* textos = new QVBoxLayout;
    textos->setSpacing(4);
    falta_ = Rotulos::texto(QString(), aviso_);
    falta_->setObjectName(QStringLiteral("faltaControl"));
    pista_ = Rotulos::texto(QString(), aviso_, Rotulos::Estilo::secundario);
    pista_->setObjectName(QStringLiteral("pistaControl"));
    Rotulos::fuente(pista_, 0.85, QFont::Normal);
    textos->addWidget(falta_);
    textos->addWidget(pista_);
    fila->addLayout(textos, 1);
    reabrir_ = new QPushButton(QStringLiteral("Reabrir Zuvi IA"), aviso_);
    reabrir_->setObjectName(QStringLiteral("reabrir"));
    reabrir_->setAutoDefault(false);
    connect(reabrir_, &QPushButton::clicked, this, [] { Instalador::reabrirApp(); });
    fila->addWidget(reabrir_, 0, Qt::AlignTop);
    capa->addWidget(aviso_);
    capa->addStretch(1);

    for (auto senal : {&Instalador::conexionesChanged, &Instalador::appsConexionChanged, &Instalador::faltaMacChanged,
                       &Instalador::trabajandoChanged})
        connect(&ins_, senal, this, &PasoConexiones::mostrar);
    // Permissions granted in the system's settings show on coming back.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState estado) {
        if (estado == Qt::ApplicationActive)
            ins_.comprobarConexiones();
    });
    mostrar();
}

void PasoConexiones::mostrar()
{
    for (const FilaConexion& f : filas) {
        const Conexion c = f.conexion;
        const auto estado = ins_.conexiones().contains(c) ? std::optional(ins_.conexiones().value(c)) : std::nullopt;
        tarjetas_.value(c)->setTexto(textoConexion(textoBase(c), ins_.appsConexion().value(c)));
        insignias_.value(c)->setEstado(estado);
        QPushButton* boton = configurar_.value(c);
        boton->setVisible(estado && estado->es(EstadoPaso::Tipo::falta));
        boton->setEnabled(!ins_.trabajando());
    }
    const QStringList& falta = ins_.faltaMac();
    aviso_->setVisible(!falta.isEmpty());
    falta_->setText(faltaControl(falta));
    pista_->setText(pistaControl(falta));
    reabrir_->setVisible(falta.contains(pantalla));
    // Restarting would stop a running install halfway.
    reabrir_->setEnabled(!ins_.trabajando());
}
