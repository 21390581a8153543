#include "setup_state.h"

#include <cstddef>
#include <type_traits>

// The record's layout is fixed for 32-bit Windows.
static_assert(std::is_standard_layout_v<SetupState> && std::is_trivial_v<SetupState>);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(SetupState) == 1068);
static_assert(offsetof(SetupState, configFileName) == 4);
static_assert(offsetof(SetupState, skinDir) == 260);
static_assert(offsetof(SetupState, installMode) == 388);
static_assert(offsetof(SetupState, appName) == 392);
static_assert(offsetof(SetupState, windowX) == 520);
static_assert(offsetof(SetupState, fontName) == 528);
static_assert(offsetof(SetupState, installDir) == 784);
static_assert(offsetof(SetupState, settingsFile) == 912);
static_assert(offsetof(SetupState, instance) == 1040);
static_assert(offsetof(SetupState, windowShape) == 1064);
#endif

namespace {
SetupState state;  // zero at load
}  // namespace

SetupState* GetSetupState() { return &state; }
