#include "link/wr_dlg.h"
