#include "link/port_dlg.h"
