#pragma once

// Qt's own texts (the context menus of text fields, the standard dialog
// buttons) in Spanish, from the system's Qt translations.
namespace TraduccionQt {

// Installs the translation on the running application; false, with a log
// line, when the system has none.
bool cargar();

}
