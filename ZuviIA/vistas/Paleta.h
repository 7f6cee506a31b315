#pragma once

class QColor;
class QWidget;

// Colours the views set on their own texts.
namespace Paleta {

// The widget's text in `color`, for plain and editable text alike.
void colorear(QWidget* w, const QColor& color);

}
