#include "skin_panel.h"
