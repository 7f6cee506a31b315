#include "settings/SeccionPersonas.h"

#include "vistas/Iconos.h"
#include "assistant/AsistenteVoz.h"
#include "core/Almacen.h"
#include "core/Perfiles.h"
#include "projects/ContextoProyecto.h"
#include "projects/ModoProyectos.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QLabel* etiquetaSecundaria(const QString& texto, QWidget* parent)
{
    QLabel* l = FormularioAjustes::nota(texto, parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(false);
    return l;
}

void abrirCarpeta(const QString& carpeta) { QDesktopServices::openUrl(QUrl::fromLocalFile(carpeta)); }

}

int SeccionPersonas::proyectos(const Perfil& perfil, const QList<Conversacion>& conversaciones)
{
    return int(std::count_if(conversaciones.begin(), conversaciones.end(), [&](const Conversacion& c) {
        return c.perfilID == perfil.id || c.asistentes.value_or(QStringList()).contains(perfil.nombre);
    }));
}

QString SeccionPersonas::detalle(int proyectos, bool huella)
{
    return QString::number(proyectos) + (proyectos == 1 ? QStringLiteral(" proyecto") : QStringLiteral(" proyectos"))
        + QStringLiteral(" · ") + (huella ? QStringLiteral("voz registrada") : QStringLiteral("sin huella de voz"));
}

QString SeccionPersonas::rutaCorta(const QString& ruta, const QString& home)
{
    if (home.isEmpty() || home == QLatin1String("/"))
        return ruta;
    return QString(ruta).replace(home, QStringLiteral("~"));
}

SeccionPersonas::SeccionPersonas(Perfiles& perfiles, Almacen& almacen, AsistenteVoz& asistente, ModoProyectos& modo,
                                 QWidget* parent)
    : FormularioAjustes(parent), perfiles_(perfiles), almacen_(almacen), asistente_(asistente), modo_(modo)
{
    setObjectName(QStringLiteral("seccionPersonas"));
    personas_ = seccion(QStringLiteral("Personas"),
                        QStringLiteral("Borrar a una persona elimina su perfil y su huella de voz. Su carpeta de "
                                       "memoria y sus proyectos se conservan."));
    personas_.marco->setObjectName(QStringLiteral("personas"));

    const Grupo proyectos = seccion(QStringLiteral("Proyectos"));
    guardados_ = new QLabel;
    guardados_->setObjectName(QStringLiteral("proyectosGuardados"));
    guardados_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    proyectos.filas->addWidget(fila(QStringLiteral("Proyectos guardados"), guardados_, proyectos.marco));
    auto* filaRuta = new QWidget(proyectos.marco);
    auto* capaRuta = new QHBoxLayout(filaRuta);
    capaRuta->setContentsMargins(0, 0, 0, 0);
    auto* ruta = etiquetaSecundaria(rutaCorta(AsistenteVoz::carpetaRaiz(), QDir::homePath()), filaRuta);
    ruta->setObjectName(QStringLiteral("carpetaProyectos"));
    auto* mostrar = new QPushButton(QStringLiteral("Mostrar en el gestor de archivos"), filaRuta);
    mostrar->setObjectName(QStringLiteral("mostrarProyectos"));
    connect(mostrar, &QPushButton::clicked, this, [] { abrirCarpeta(AsistenteVoz::carpetaRaiz()); });
    capaRuta->addWidget(ruta);
    capaRuta->addStretch(1);
    capaRuta->addWidget(mostrar);
    proyectos.filas->addWidget(filaRuta);

    connect(&perfiles_, &Perfiles::todosCambiados, this, &SeccionPersonas::llenarPersonas);
    connect(&almacen_, &Almacen::conversacionesCambiadas, this, &SeccionPersonas::llenarPersonas);
    connect(&almacen_, &Almacen::conversacionCambiada, this, &SeccionPersonas::llenarPersonas);
    connect(&almacen_, &Almacen::conversacionesCambiadas, this, &SeccionPersonas::seguirProyectos);
    llenarPersonas();
    seguirProyectos();
}

void SeccionPersonas::llenarPersonas()
{
    // Streamed answers change conversations many times a second; the rows
    // are rebuilt only when what they show changed.
    QStringList vista;
    for (const Perfil& p : perfiles_.todos())
        vista << p.id.toString() + p.nombre + QString::number(proyectos(p, almacen_.conversaciones()))
                + QString::number(Perfiles::tieneHuella(p)) + QString::number(QFileInfo(p.carpeta()).isDir());
    if (mostrado_ && vista == vista_)
        return;
    mostrado_ = true;
    vista_ = vista;
    while (QLayoutItem* item = personas_.filas->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (perfiles_.todos().isEmpty()) {
        auto* vacio = etiquetaSecundaria(
            QStringLiteral("Todavía no hay personas. Se agregan cuando alguien se presenta («Soy Ana»)."), personas_.marco);
        vacio->setObjectName(QStringLiteral("sinPersonas"));
        vacio->setWordWrap(true);
        personas_.filas->addWidget(vacio);
        return;
    }
    for (const Perfil& p : perfiles_.todos())
        personas_.filas->addWidget(filaPersona(p));
}

QWidget* SeccionPersonas::filaPersona(const Perfil& perfil)
{
    auto* fila = new QWidget(personas_.marco);
    fila->setObjectName(QStringLiteral("persona"));
    fila->setProperty("perfilID", perfil.id);
    auto* capa = new QHBoxLayout(fila);
    capa->setContentsMargins(0, 2, 0, 2);

    auto* icono = new QLabel(fila);
    icono->setPixmap(Iconos::icono(QStringLiteral("person.crop.circle.fill")).pixmap(26, 26));
    capa->addWidget(icono);

    auto* columna = new QVBoxLayout;
    columna->setSpacing(1);
    auto* nombre = new QLabel(perfil.nombre, fila);
    nombre->setObjectName(QStringLiteral("nombre"));
    nombre->setTextFormat(Qt::PlainText);
    auto* detalle = etiquetaSecundaria(
        SeccionPersonas::detalle(proyectos(perfil, almacen_.conversaciones()), Perfiles::tieneHuella(perfil)), fila);
    detalle->setObjectName(QStringLiteral("detalle"));
    columna->addWidget(nombre);
    columna->addWidget(detalle);
    capa->addLayout(columna);
    capa->addStretch(1);

    auto* memoria = new QPushButton(QStringLiteral("Memoria"), fila);
    memoria->setObjectName(QStringLiteral("memoria"));
    const QString carpeta = perfil.carpeta();
    // A folder that is not there yet has nothing to show.
    memoria->setEnabled(QFileInfo(carpeta).isDir());
    if (!memoria->isEnabled())
        memoria->setToolTip(QStringLiteral("Todavía no tiene carpeta de memoria"));
    connect(memoria, &QPushButton::clicked, this, [carpeta] { abrirCarpeta(carpeta); });
    capa->addWidget(memoria);

    auto* borrar = new QToolButton(fila);
    borrar->setObjectName(QStringLiteral("borrar"));
    borrar->setIcon(Iconos::icono(QStringLiteral("trash")));
    borrar->setAutoRaise(true);
    // A name is what someone said: rich text made of it would show literally.
    borrar->setToolTip(QStringLiteral("<span>") + (QStringLiteral("Borrar a ") + perfil.nombre).toHtmlEscaped()
                       + QStringLiteral("</span>"));
    connect(borrar, &QToolButton::clicked, this, [this, perfil] { pedirBorrado(perfil); });
    capa->addWidget(borrar);
    return fila;
}

QMessageBox* SeccionPersonas::confirmacion() const { return confirmacion_; }

void SeccionPersonas::pedirBorrado(const Perfil& perfil)
{
    if (confirmacion_)
        return;
    porBorrar_ = perfil;
    auto* dialogo = new QMessageBox(this);
    confirmacion_ = dialogo;
    dialogo->setObjectName(QStringLiteral("confirmarBorrado"));
    dialogo->setAttribute(Qt::WA_DeleteOnClose);
    dialogo->setWindowModality(Qt::WindowModal);
    dialogo->setIcon(QMessageBox::Warning);
    dialogo->setTextFormat(Qt::PlainText);
    dialogo->setWindowTitle(QStringLiteral("Borrar persona"));
    dialogo->setText(QStringLiteral("¿Borrar a ") + perfil.nombre + QLatin1Char('?'));
    dialogo->setInformativeText(QStringLiteral("Su carpeta de memoria y sus proyectos no se borran."));
    QPushButton* confirmar = dialogo->addButton(QStringLiteral("Borrar perfil y huella de voz"), QMessageBox::DestructiveRole);
    confirmar->setObjectName(QStringLiteral("confirmar"));
    QPushButton* cancelar = dialogo->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
    cancelar->setObjectName(QStringLiteral("cancelar"));
    dialogo->setDefaultButton(cancelar);
    connect(dialogo, &QMessageBox::finished, this, [this, dialogo, confirmar] {
        if (dialogo->clickedButton() == confirmar)
            borrar();
        porBorrar_.reset();
    });
    dialogo->open();
}

void SeccionPersonas::borrar()
{
    if (!porBorrar_)
        return;
    const Perfil perfil = *porBorrar_;
    // Their conversations keep the folder they work in once the person is gone.
    almacen_.fijarCarpetaDePersona(perfil);
    perfiles_.eliminar(perfil);
    if (modo_.activo())
        asistente_.setContextoPersona(ContextoProyecto::texto(almacen_, perfiles_));
}

void SeccionPersonas::seguirProyectos() { guardados_->setText(QString::number(almacen_.conversaciones().size())); }
