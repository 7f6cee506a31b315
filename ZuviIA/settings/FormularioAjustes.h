#pragma once

#include <QColor>
#include <QPointer>
#include <QScrollArea>

class QCheckBox;
class QFrame;
class QLabel;
class QVBoxLayout;

// The grouped form every settings section is drawn in: a scrolling column
// of groups, each with a header above its rows and an optional footer.
// Its pickers, sliders and number fields take the wheel only once the user
// focused them (a click, Tab): otherwise the wheel scrolls the form, so
// scrolling never changes a value.
class FormularioAjustes : public QScrollArea {
    Q_OBJECT

public:
    // One group: its rows go into `filas`.
    struct Grupo {
        QLabel* encabezado = nullptr;
        QFrame* marco = nullptr;
        QLabel* pie = nullptr;  // none without a footer
        QVBoxLayout* filas = nullptr;
        void setVisible(bool visible) const;
    };

    explicit FormularioAjustes(QWidget* parent = nullptr);

    // A new group at the end.
    Grupo seccion(const QString& encabezado, const QString& pie = {});

    // A caption-sized text in the secondary colour, wrapping.
    static QLabel* nota(const QString& texto, QWidget* parent);
    // A switch showing `valor`; only its clicked() is the user's.
    static QCheckBox* interruptor(const QString& texto, bool valor, const QString& nombre, QWidget* parent);
    // Text colours: the secondary one of notes, the orange of warnings.
    static QColor secundario();
    static QColor naranja();
    static void colorear(QWidget* texto, const QColor& color);
    // A row of a label at the leading edge and a control at the trailing one.
    static QWidget* fila(const QString& etiqueta, QWidget* control, QWidget* parent);

    // A control that the wheel would change.
    static bool tomaRueda(const QObject* objeto);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    QVBoxLayout* columna_ = nullptr;
    // The control the user moved the focus to, while it keeps it.
    QPointer<QWidget> elegido_;
};
