#pragma once

#include <QWidget>

class QLabel;
class QVariantAnimation;

// The working indicator under the last answer: a small spinner and the
// assistant's status phrase, the new phrase fading in.
class IndicadorActividad : public QWidget {
    Q_OBJECT

public:
    explicit IndicadorActividad(QWidget* parent = nullptr);

    void setTexto(const QString& texto);
    QString texto() const;
    // The spinner turns only while it is on screen.
    bool girando() const;

private:
    QWidget* rueda_ = nullptr;
    QLabel* texto_ = nullptr;
    QVariantAnimation* fundido_ = nullptr;
};
