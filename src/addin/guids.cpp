// Defines, once, the GUIDs that the add-in's generated header declares: the DLL, the stand-in
// that loads add-ins and the tests link this one definition.
#include <initguid.h>

#include "addin/bellnest_connect_h.h"
