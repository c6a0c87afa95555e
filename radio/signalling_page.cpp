#include "radio/signalling_page.h"
