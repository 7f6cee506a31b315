#pragma once

#include <QDialog>

class Instalador;
class QPlainTextEdit;
class QPushButton;

// The install log, as a window-modal sheet that follows the log live.
class RegistroView : public QDialog {
    Q_OBJECT

public:
    explicit RegistroView(Instalador& ins, QWidget* parent = nullptr);

    QPlainTextEdit* texto() const { return texto_; }
    QPushButton* cerrar() const { return cerrar_; }

private:
    void seguir();

    Instalador& ins_;
    QPlainTextEdit* texto_ = nullptr;
    QPushButton* cerrar_ = nullptr;
    qsizetype mostrado_ = 0;
};
