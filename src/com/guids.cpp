// Defines, once, the GUIDs that the type library's generated header declares: the DLL and the
// tests that create its classes link this one definition.
#include <initguid.h>

#include "com/ppbellnest_h.h"
