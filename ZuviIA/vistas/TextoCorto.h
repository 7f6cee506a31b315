#pragma once

#include <QLabel>

// A text that comes from outside (release notes, error messages): always
// plain, never a link, cut with "…" to a few lines of the width it gets.
class TextoCorto : public QLabel {
    Q_OBJECT

public:
    explicit TextoCorto(int lineas = 2, QWidget* parent = nullptr);

    void setCompleto(const QString& texto);
    const QString& completo() const { return completo_; }

    // `texto` broken into lines of at most `ancho` pixels; past `lineas`
    // the last kept line ends in "…".
    static QString recortar(const QString& texto, const QFont& fuente, int ancho, int lineas);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void ajustar();

    int lineas_;
    QString completo_;
};
