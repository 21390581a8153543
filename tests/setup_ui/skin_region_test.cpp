#include <gtest/gtest.h>

#include "skin_region.h"
