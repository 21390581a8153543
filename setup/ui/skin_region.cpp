#include "skin_region.h"
