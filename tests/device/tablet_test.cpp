// The tablet against a Wintab double installed as the system folder's "WINTAB32.DLL":
// the context it opens, how it drains the packet queue and scales pressures.
#include "K_DEVICE.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "double_install.h"
#include "wintab_double.h"

namespace {

using namespace wintab_double;
using kolta::test::Export;

std::string WintabPath() { return kolta::test::SystemFolder() + "WINTAB32.DLL"; }

bool IsZeroed(const TabletSession& session) {
  static const TabletSession zero{};
  return std::memcmp(&session, &zero, sizeof session) == 0;
}

// Pressure axes and marks that make the expected values easy to read: device 0 from 0
// to 1000, device 1 from 100 to 300; cursor 1's pressure button is button 0 with press
// mark 200, cursor 2's is button 1 mapped to logical button 3, press mark 500.
Script TestScript() {
  Script script;
  std::strcpy(script.defaultContext.lcName, "System");
  script.defaultContext.lcOptions = 0x0001;
  script.defaultContext.lcBtnDnMask = 0x0000000F;
  script.defaultContext.lcBtnUpMask = 0x000000F0;
  script.defaultContext.lcInExtX = 30000;
  script.defaultContext.lcInExtY = 20000;
  script.defaultContext.lcOutExtX = 1;
  script.defaultContext.lcSysMode = TRUE;
  script.pressureAxes = {{{0, 1000, 0, 0}, {100, 300, 0, 0}}};
  for (int i = 0; i < kMaxCursors; ++i) {
    for (int b = 0; b < 32; ++b) script.cursors[i].buttonMap[b] = static_cast<BYTE>(b);
  }
  script.cursors[1].pressureButton = 0;
  script.cursors[1].marks = {100, 200};
  script.cursors[2].pressureButton = 1;
  script.cursors[2].buttonMap[1] = 3;
  script.cursors[2].marks = {50, 500};
  return script;
}

PenPacket Packet(UINT cursor, DWORD buttons, LONG x, LONG y, UINT pressure) {
  return {cursor, buttons, x, y, pressure};
}

class Tablet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    window_ = kolta::test::MakeTestWindow();
    wintab_ = kolta::test::InstallDouble("wintab_double.dll", WintabPath(), "wintab32",
                                         "WintabDoubleMarker", kMarker);
    ASSERT_NE(wintab_, nullptr) << "the double did not load (Wine's own wintab32.dll?)";
    script_ = Export<ScriptProc>(wintab_, "WintabDoubleScript");
    reset_ = Export<ResetProc>(wintab_, "WintabDoubleReset");
    push_ = Export<PushProc>(wintab_, "WintabDoublePush");
    queueLength_ = Export<QueueLengthProc>(wintab_, "WintabDoubleQueueLength");
    log_ = Export<LogProc>(wintab_, "WintabDoubleLog");
  }

  void SetUp() override {
    ASSERT_NE(script_, nullptr);
    Rescript();
  }

  void TearDown() override { WacomTabletQuit(&session); }

  void Run() { script_(&script); }
  // The test script, changed as `change` says, on a double that forgets what came before.
  void Rescript(void (*change)(Script&) = nullptr) {
    script = TestScript();
    if (change) change(script);
    reset_();
    Run();
  }
  const Log& log() const { return *log_(); }
  int QueueLength() const { return queueLength_(); }
  void Push(const std::vector<PenPacket>& packets) {
    push_(packets.data(), static_cast<int>(packets.size()));
  }

  void Init() { ASSERT_EQ(WacomTabletInit(&session, window_, 10, 20), 1); }

  // The pressure the press query reports for one packet.
  float PressureOf(const PenPacket& packet) {
    Push({packet});
    EXPECT_EQ(WacomTableInfoWhenPress(&session), 1);
    return session.lastPressure;
  }

  // How often the cursor's pressure button has been read.
  int CursorReads(UINT cursor) const {
    int reads = 0;
    for (int i = 0; i < log().reads && i < kMaxReads; ++i) {
      reads +=
          log().read[i].category == WTI_CURSORS + cursor && log().read[i].index == CSR_NPBUTTON;
    }
    return reads;
  }

  static inline HWND window_ = nullptr;
  static inline HMODULE wintab_ = nullptr;
  static inline ScriptProc script_ = nullptr;
  static inline ResetProc reset_ = nullptr;
  static inline PushProc push_ = nullptr;
  static inline QueueLengthProc queueLength_ = nullptr;
  static inline LogProc log_ = nullptr;
  Script script = TestScript();
  TabletSession session{};
};

TEST_F(Tablet, InitOpensAScreenPixelContextForPenPackets) {
  Init();
  char path[MAX_PATH] = {};
  GetModuleFileNameA(session.wintabLibrary, path, MAX_PATH);
  EXPECT_STRCASEEQ(path, WintabPath().c_str());
  ASSERT_TRUE(log().opened);
  EXPECT_EQ(session.context, log().context);
  EXPECT_EQ(log().openWindow, window_);
  EXPECT_EQ(log().openEnable, TRUE);
  EXPECT_EQ(log().queueSize, 100);
  EXPECT_EQ(session.originX, 10);
  EXPECT_EQ(session.originY, 20);
  EXPECT_EQ(session.pointCount, 0u);
  EXPECT_NE(session.points, nullptr);
  // The first calls: presence, then the default system context.
  ASSERT_GE(log().reads, 2);
  EXPECT_EQ(log().read[0].category, 0u);
  EXPECT_EQ(log().read[1].category, WTI_DEFSYSCTX);

  LOGCONTEXTA expected = script.defaultContext;
  expected.lcPktData = 0x5E0;
  expected.lcPktMode = 0;
  expected.lcMoveMask = 0x5E0;
  expected.lcBtnUpMask = 0x0000000F;
  expected.lcOutOrgX = 0;
  expected.lcOutOrgY = 0;
  expected.lcOutExtX = GetSystemMetrics(SM_CXSCREEN);
  expected.lcOutExtY = -GetSystemMetrics(SM_CYSCREEN);
  EXPECT_GT(expected.lcOutExtX, 0);
  EXPECT_EQ(std::memcmp(&log().openContext, &expected, sizeof expected), 0);

  EXPECT_EQ(WacomTabletQuit(&session), 0);
  EXPECT_EQ(log().closes, 1);
  EXPECT_TRUE(IsZeroed(session));
}

TEST_F(Tablet, InitFailsWithoutWintabAContextOrAnOpenContext) {
  const std::pair<const char*, void (*)(Script&)> cases[] = {
      {"Wintab not present", [](Script& s) { s.present = 0; }},
      {"no default context", [](Script& s) { s.hasDefaultContext = false; }},
      {"open refused", [](Script& s) { s.openFails = true; }},
  };
  for (const auto& [what, change] : cases) {
    SCOPED_TRACE(what);
    Rescript(change);
    std::memset(&session, 0, sizeof session);
    EXPECT_EQ(WacomTabletInit(&session, window_, 1, 2), 0);
    EXPECT_TRUE(IsZeroed(session));
    EXPECT_EQ(log().closes, 0);
    EXPECT_EQ(log().queueSize, 0);
  }
}

TEST_F(Tablet, WintabIsTakenFromTheSystemFolderOnly) {
  const std::string away = WintabPath() + ".away";
  ASSERT_TRUE(MoveFileA(WintabPath().c_str(), away.c_str()));
  // Not even the module already loaded under that name is used.
  EXPECT_EQ(WacomTabletInit(&session, window_, 1, 2), 0);
  EXPECT_TRUE(IsZeroed(session));
  EXPECT_EQ(log().reads, 0);
  ASSERT_TRUE(MoveFileA(away.c_str(), WintabPath().c_str()));
}

TEST_F(Tablet, MoveQueryStoresAtMostAHundredPressedPointsAndEmptiesTheQueue) {
  Init();
  std::vector<PenPacket> packets;
  for (int i = 0; i < 150; ++i) packets.push_back(Packet(0, 1, 100 + i, 200 - i, 10 * i));
  Push(packets);
  EXPECT_EQ(WacomTableInfoWhenMove(&session), 1);
  EXPECT_EQ(QueueLength(), 0);
  ASSERT_EQ(session.pointCount, 100u);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(session.points[i].x, 90 + i);
    EXPECT_EQ(session.points[i].y, 180 - i);
    // Cursor 0's pressure button is button 0 (mark 0): device 0's axis from its mark.
    EXPECT_FLOAT_EQ(session.points[i].pressure, (10.0f * i) / 1000.0f);
  }
  EXPECT_FLOAT_EQ(session.lastPressure, 1.0f);
}

TEST_F(Tablet, MoveQuerySkipsPacketsWithNoButtonPressed) {
  Init();
  Push({Packet(1, 0, 5, 5, 900), Packet(1, 0, 6, 6, 900), Packet(1, 0, 7, 7, 900)});
  EXPECT_EQ(WacomTableInfoWhenMove(&session), 0);
  EXPECT_EQ(session.pointCount, 0u);
  EXPECT_EQ(QueueLength(), 0);

  Push({Packet(1, 0, 5, 5, 900), Packet(1, 1, 6, 7, 600), Packet(1, 0, 7, 7, 900)});
  EXPECT_EQ(WacomTableInfoWhenMove(&session), 1);
  ASSERT_EQ(session.pointCount, 1u);
  EXPECT_EQ(session.points[0].x, -4);
  EXPECT_EQ(session.points[0].y, -13);
}

TEST_F(Tablet, PressureIsMeasuredFromThePressMarkWhileThePressureButtonIsDown) {
  Init();
  // Cursor 1: button 0 down (bit 0): base = press mark 200, range = 1000 - 200.
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x1, 0, 0, 600)), 0.5f);
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x1, 0, 0, 150)), 0.0f) << "below the press mark";
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x1, 0, 0, 1200)), 1.0f) << "above mark + range";
  // Another button only: base = axis minimum 0, range = 1000.
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x2, 0, 0, 600)), 0.6f);
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x2, 0, 0, 1001)), 1.0f);
  EXPECT_EQ(session.pressMark, 200);
  EXPECT_EQ(session.pressRange, 800);
  EXPECT_EQ(session.axisMin, 0);
  EXPECT_EQ(session.axisRange, 1000);
}

TEST_F(Tablet, ThePressureButtonIsAByteMappedThroughTheButtonMapAndTestedAsABit) {
  Init();
  // Cursor 2: CSR_NPBUTTON 1, mapped to logical button 3, so bit 3 (8) means pressed.
  EXPECT_FLOAT_EQ(PressureOf(Packet(2, 0x8, 0, 0, 750)), 0.5f);  // (750 - 500) / 500
  EXPECT_EQ(session.pressureButton, 3);
  // The button's number as a mask (3 = buttons 0 and 1) is not the button.
  EXPECT_FLOAT_EQ(PressureOf(Packet(2, 0x3, 0, 0, 750)), 0.75f);  // from the axis minimum
}

TEST_F(Tablet, TheFirstPacketReadsTheScaleOfItsCursorAndTheContextsDevice) {
  struct Case {
    const char* what;
    void (*change)(Script&);
    PenPacket packet;
    float pressure;
    LONG pressureButton, axisMin, axisRange;
  };
  const Case cases[] = {
      {"a pressure button beyond the map keeps its number",
       [](Script& s) { s.cursors[2].buttonMapSize = 1; }, Packet(2, 0x2, 0, 0, 750), 0.5f, 1, 0,
       1000},
      {"a cursor without a pressure button measures from the axis minimum",
       [](Script& s) { s.cursors[1].hasPressureButton = false; },
       Packet(1, 0xFFFFFFFF, 0, 0, 250), 0.25f, -1, 0, 1000},
      {"the axis is that of the context's device (100 .. 300)",
       [](Script& s) { s.defaultContext.lcDevice = 1; }, Packet(1, 0x2, 0, 0, 150), 0.25f, 0,
       100, 200},
      {"even cursor 0's data are read: (700 - 400) / 600",
       [](Script& s) { s.cursors[0].marks = {0, 400}; }, Packet(0, 0x1, 0, 0, 700), 0.5f, 0, 0,
       1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rescript(c.change);
    Init();
    EXPECT_FLOAT_EQ(PressureOf(c.packet), c.pressure);
    EXPECT_EQ(session.pressureButton, c.pressureButton);
    EXPECT_EQ(session.axisMin, c.axisMin);
    EXPECT_EQ(session.axisRange, c.axisRange);
    EXPECT_EQ(CursorReads(c.packet.cursor), 1);
    WacomTabletQuit(&session);
  }
}

TEST_F(Tablet, AnAxisWithoutRangeGivesFullPressure) {
  script.pressureAxes[0] = {512, 512, 0, 0};
  script.cursors[1].marks = {0, 512};
  Run();
  Init();
  for (UINT pressure : {0u, 512u, 100000u}) {
    EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x1, 0, 0, pressure)), 1.0f);
    EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x2, 0, 0, pressure)), 1.0f);
  }
}

TEST_F(Tablet, ACursorChangeReadsTheNewCursorsDataOnce) {
  Init();
  Push({Packet(1, 0x1, 0, 0, 600), Packet(1, 0x1, 0, 0, 600), Packet(2, 0x8, 0, 0, 750),
        Packet(2, 0x8, 0, 0, 1000)});
  EXPECT_EQ(WacomTableInfoWhenMove(&session), 1);
  ASSERT_EQ(session.pointCount, 4u);
  EXPECT_FLOAT_EQ(session.points[0].pressure, 0.5f);
  EXPECT_FLOAT_EQ(session.points[1].pressure, 0.5f);
  EXPECT_FLOAT_EQ(session.points[2].pressure, 0.5f);
  EXPECT_FLOAT_EQ(session.points[3].pressure, 1.0f);
  EXPECT_EQ(CursorReads(1), 1);
  EXPECT_EQ(CursorReads(2), 1);
  EXPECT_EQ(session.cursor, 2u);
  EXPECT_EQ(session.cachedCursor, 2u);
}

TEST_F(Tablet, InfoChangedRereadsTheCurrentCursor) {
  Init();
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x2, 0, 0, 500)), 0.5f);
  script.pressureAxes[0] = {0, 2000, 0, 0};
  Run();
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x2, 0, 0, 500)), 0.5f) << "the same cursor: cached";
  EXPECT_EQ(WacomTabletInfoChanged(&session), 1);
  EXPECT_EQ(session.axisRange, 2000);
  EXPECT_FLOAT_EQ(PressureOf(Packet(1, 0x2, 0, 0, 500)), 0.25f);
  EXPECT_EQ(CursorReads(1), 2);
}

TEST_F(Tablet, PressQueryReadsTheFirstPacketAndEmptiesTheQueueAsRemoveEventDoes) {
  Init();
  session.lastPressure = 0.25f;
  EXPECT_EQ(WacomTableInfoWhenPress(&session), 0);
  EXPECT_FLOAT_EQ(session.lastPressure, 1.0f) << "an empty queue";

  Push({Packet(1, 0x2, 0, 0, 300), Packet(1, 0x2, 0, 0, 900), Packet(1, 0x2, 0, 0, 800)});
  EXPECT_EQ(WacomTableInfoWhenPress(&session), 1);
  EXPECT_FLOAT_EQ(session.lastPressure, 0.3f);
  EXPECT_EQ(QueueLength(), 0);

  Push(std::vector<PenPacket>(40, Packet(1, 1, 0, 0, 0)));
  WacomTableRemoveEvent(&session);
  EXPECT_EQ(QueueLength(), 0);
}

TEST_F(Tablet, FocusMovesTheContextInTheOverlapOrder) {
  Init();
  WacomTabletFocus(&session, TRUE);
  EXPECT_EQ(log().overlaps, 1);
  EXPECT_EQ(log().lastOverlap, TRUE);
  WacomTabletFocus(&session, FALSE);
  EXPECT_EQ(log().overlaps, 2);
  EXPECT_EQ(log().lastOverlap, FALSE);
}

TEST_F(Tablet, NothingIsAskedOfWintabForANullSessionOrOneWithoutAContext) {
  Push({Packet(1, 1, 0, 0, 0)});
  EXPECT_EQ(WacomTabletInit(nullptr, window_, 0, 0), 0);
  for (TabletSession* s : {static_cast<TabletSession*>(nullptr), &session}) {
    SCOPED_TRACE(s ? "zeroed session" : "null session");
    EXPECT_EQ(WacomTableInfoWhenMove(s), 0);
    EXPECT_EQ(WacomTableInfoWhenPress(s), 0);
    if (s) {
      EXPECT_FLOAT_EQ(s->lastPressure, 1.0f);
    }
    WacomTableRemoveEvent(s);
    EXPECT_EQ(WacomTabletInfoChanged(s), 0);
    WacomTabletFocus(s, TRUE);
    EXPECT_EQ(WacomTabletQuit(s), 0);
  }
  EXPECT_EQ(QueueLength(), 1);
  EXPECT_EQ(log().reads, 0);
  EXPECT_EQ(log().overlaps, 0);
}

}  // namespace
