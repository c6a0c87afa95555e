#include "pages/grid_ctrl.h"
