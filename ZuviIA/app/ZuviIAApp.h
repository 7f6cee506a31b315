#pragma once

#include <QObject>

#include <memory>

class QApplication;

// The application: its main windows, the tray, the single instance and
// the "zuviia" links.
class ZuviIAApp : public QObject {
    Q_OBJECT

public:
    ZuviIAApp(int& argc, char** argv);
    ~ZuviIAApp() override;

    // Runs until the application quits; the process's exit status.
    int ejecutar();

private:
    std::unique_ptr<QApplication> qapp_;
};
