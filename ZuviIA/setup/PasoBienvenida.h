#pragma once

#include <QWidget>

// The first setup step: what the product does.
class PasoBienvenida : public QWidget {
    Q_OBJECT

public:
    explicit PasoBienvenida(QWidget* parent = nullptr);
};
