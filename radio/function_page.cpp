#include "radio/function_page.h"
