#include "skin_text.h"
