#include "setup/RegistroView.h"

#include "setup/Instalador.h"
#include "setup/Rotulos.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

RegistroView::RegistroView(Instalador& ins, QWidget* parent) : QDialog(parent), ins_(ins)
{
    setObjectName(QStringLiteral("registroView"));
    setWindowTitle(QStringLiteral("Registro de instalación"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(620, 420);
    auto* capa = new QVBoxLayout(this);
    auto* titulo = Rotulos::texto(QStringLiteral("Registro de instalación"), this);
    Rotulos::fuente(titulo, 1.05, QFont::DemiBold);
    capa->addWidget(titulo);
    texto_ = new QPlainTextEdit(this);
    texto_->setObjectName(QStringLiteral("textoRegistro"));
    texto_->setReadOnly(true);
    texto_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(font().pointSizeF() * 0.85);
    texto_->setFont(mono);
    capa->addWidget(texto_, 1);
    auto* pie = new QHBoxLayout;
    pie->addStretch(1);
    cerrar_ = new QPushButton(QStringLiteral("Cerrar"), this);
    cerrar_->setObjectName(QStringLiteral("cerrarRegistro"));
    cerrar_->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(cerrar_, &QPushButton::clicked, this, &QDialog::reject);
    pie->addWidget(cerrar_);
    capa->addLayout(pie);

    connect(&ins_, &Instalador::registroChanged, this, &RegistroView::seguir);
    seguir();
}

// The log only grows: append what is new, so a long log is not redrawn
// at every chunk.
void RegistroView::seguir()
{
    const QString& registro = ins_.registro();
    QScrollBar* barra = texto_->verticalScrollBar();
    const bool alFinal = barra->value() == barra->maximum();
    QTextCursor cursor(texto_->document());
    if (registro.size() < mostrado_) {
        texto_->setPlainText(registro);
    } else {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(registro.mid(mostrado_));
    }
    mostrado_ = registro.size();
    if (alFinal)
        barra->setValue(barra->maximum());
}
