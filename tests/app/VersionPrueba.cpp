// The identity of the updater's end-to-end builds: a version and build of
// their own, and trust in the tests' fixed-seed update key (ClavePrueba).
#include "Version.h"

namespace Version {
const char* const texto = ZUVI_PRUEBA_VERSION;
const int build = ZUVI_PRUEBA_BUILD;
const char* const claveActualizacion = "WJNmBKvaESvJSTNWnIL40MwN35Kj+DKfL0SPf0hKWUw=";
}
