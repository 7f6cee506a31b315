#pragma once

#include <QMenu>

class ModoProyectos;

// The tray's menu: a status line, listening, the full-screen room, the
// window, the settings and quitting. Its texts follow the room and the
// wake-phrase listener live.
class MenuZuvi : public QMenu {
    Q_OBJECT

public:
    explicit MenuZuvi(ModoProyectos& modo, QWidget* parent = nullptr);

    // The status line.
    static QString estado(bool activo, bool inmersivo, bool esperandoOyeZuvi);
    // The listening toggle's title.
    static QString tituloEscucha(bool activo);
    // The tray's symbol: an open ear while anything listens.
    static QString simbolo(bool activo, bool esperandoOyeZuvi);

    QAction* lineaEstado() const { return estado_; }
    QAction* escucha() const { return escucha_; }
    QAction* abrirZuvi() const { return abrir_; }
    QAction* inmersiva() const { return inmersiva_; }

    bool esperandoOyeZuvi() const { return esperandoOyeZuvi_; }

public slots:
    // The wake-phrase listener's `escuchando`, connected where the listener
    // is built.
    void setEsperandoOyeZuvi(bool valor);

signals:
    // "Abrir Zuvi IA": bring a main window forward, opening one if needed.
    void abrirPedido();
    // "Ajustes…": bring the settings window forward.
    void ajustesPedido();
    // The flags the texts and the tray's symbol depend on changed.
    void estadoCambiado();

private:
    void actualizar();

    ModoProyectos& modo_;
    bool esperandoOyeZuvi_ = false;
    QAction* estado_ = nullptr;
    QAction* escucha_ = nullptr;
    QAction* inmersiva_ = nullptr;
    QAction* abrir_ = nullptr;
};
