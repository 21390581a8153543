#include "setup_state.h"

#include <gtest/gtest.h>

namespace {

TEST(SetupState, IsZeroBeforeStartUp) {
  const SetupState* state = GetSetupState();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state, GetSetupState()) << "one record";
  EXPECT_EQ(state->initialised, 0);
  for (const char* text : {state->configFileName, state->languageCode, state->skinDir,
                           state->appName, state->fontName, state->sourceDir, state->installDir,
                           state->settingsFile}) {
    EXPECT_STREQ(text, "");
  }
  EXPECT_EQ(state->instance, nullptr);
  EXPECT_EQ(state->mainWindow, nullptr);
  EXPECT_EQ(state->titleFont, nullptr);
  EXPECT_EQ(state->textFont, nullptr);
  EXPECT_EQ(state->messageFont, nullptr);
  EXPECT_EQ(state->background, nullptr);
  EXPECT_EQ(state->windowShape, nullptr);
}

}  // namespace
