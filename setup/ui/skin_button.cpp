#include "skin_button.h"
