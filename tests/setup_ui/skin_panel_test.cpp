#include <gtest/gtest.h>

#include "skin_panel.h"
