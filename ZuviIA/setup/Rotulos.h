#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// The labels the setup assistant is drawn with. Every one shows plain
// text: agent output, error messages and paths reach them.
namespace Rotulos {

enum class Estilo { primario, secundario };

QLabel* texto(const QString& texto, QWidget* padre, Estilo estilo = Estilo::primario);
// The font of the label scaled by `escala`, with a weight.
void fuente(QLabel* l, double escala, int peso);
QColor secundario(const QWidget* w);
QColor acento(const QWidget* w);
inline const QColor verde{0x2e, 0xa0, 0x43};
inline const QColor naranja{0xe6, 0x7e, 0x00};
// The prominent look of a step's main button.
void destacar(QPushButton* b);
// A symbol as a label of `lado` pixels.
QLabel* simbolo(const QString& nombre, int lado, QWidget* padre);
// `texto` after a 16-pixel symbol, in a row of its own; show or hide the
// row, not the label.
QWidget* conSimbolo(const QString& nombre, QLabel* texto, QWidget* padre);
// The symbol label of a row made by conSimbolo.
QLabel* simboloDe(QWidget* fila);

}
