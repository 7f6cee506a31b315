#pragma once

#include <QScrollArea>

class QFrame;
class QLabel;
class QVBoxLayout;

// The grouped form every settings section is drawn in: a scrolling column
// of groups, each with a header above its rows and an optional footer.
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
    // A row of a label at the leading edge and a control at the trailing one.
    static QWidget* fila(const QString& etiqueta, QWidget* control, QWidget* parent);

private:
    QVBoxLayout* columna_ = nullptr;
};
