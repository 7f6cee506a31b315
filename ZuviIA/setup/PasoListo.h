#pragma once

#include <QWidget>

// The setup assistant's closing page: what to say to the room. The
// button that completes setup is the assistant's own.
class PasoListo : public QWidget {
    Q_OBJECT

public:
    explicit PasoListo(QWidget* parent = nullptr);
};
