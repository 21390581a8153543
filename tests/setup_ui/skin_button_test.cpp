#include <gtest/gtest.h>

#include "skin_button.h"
