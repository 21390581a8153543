#include <gtest/gtest.h>

#include "skin_text.h"
