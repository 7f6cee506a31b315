#pragma once

#include <QString>

// Where the application's files live on a Linux desktop (XDG base folders).
// Every path is read from the environment on each call, so a test that
// points HOME or XDG_* at a temporary folder sees it at once.
namespace Carpetas {

QString inicio();          // the user's home folder
QString configuracion();   // $XDG_CONFIG_HOME, default ~/.config
QString datos();           // $XDG_DATA_HOME, default ~/.local/share
QString estado();          // $XDG_STATE_HOME, default ~/.local/state

QString datosApp();        // datos()/ZuviIA
QString estadoApp();       // estado()/ZuviIA

// Bundled resources: <exe>/../share/zuviia when installed, else the
// source tree's ZuviIA/resources.
QString recursos();

// True when the executable runs from an installed prefix rather than a
// build folder (what "running from the applications folder" means here).
bool desdePrefijoInstalado();

}
