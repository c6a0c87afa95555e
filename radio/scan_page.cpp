#include "radio/scan_page.h"
