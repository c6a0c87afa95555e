#include "pages/entry_controls.h"
