#include "xrddata/numeric/error.h"

// The pointer is thrown by value; the text is static and never freed.
void NumericalError(const char* message) { throw message; }
