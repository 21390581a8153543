// The scanner against a TWAIN source manager double installed as the Windows folder's
// "twain_32.dll": the calls it receives, their arguments and the session's state.
#include "K_DEVICE.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "double_install.h"
#include "twain_double.h"

namespace {

using namespace twain_double;
using kolta::test::Export;

std::string ManagerPath() { return kolta::test::WindowsFolder() + "twain_32.dll"; }

struct Named {
  unsigned value;
  const char* name;
};

constexpr Named kGroups[] = {{DG_CONTROL, "CONTROL"}, {DG_IMAGE, "IMAGE"}};
constexpr Named kTypes[] = {
    {DAT_CAPABILITY, "CAPABILITY"},     {DAT_EVENT, "EVENT"},
    {DAT_IDENTITY, "IDENTITY"},         {DAT_PARENT, "PARENT"},
    {DAT_PENDINGXFERS, "PENDINGXFERS"}, {DAT_USERINTERFACE, "USERINTERFACE"},
    {DAT_IMAGEINFO, "IMAGEINFO"},       {DAT_IMAGENATIVEXFER, "IMAGENATIVEXFER"}};
constexpr Named kMessages[] = {
    {MSG_GET, "GET"},           {MSG_SET, "SET"},
    {MSG_RESET, "RESET"},       {MSG_OPENDSM, "OPENDSM"},
    {MSG_CLOSEDSM, "CLOSEDSM"}, {MSG_OPENDS, "OPENDS"},
    {MSG_CLOSEDS, "CLOSEDS"},   {MSG_USERSELECT, "USERSELECT"},
    {MSG_DISABLEDS, "DISABLEDS"}, {MSG_ENABLEDS, "ENABLEDS"},
    {MSG_PROCESSEVENT, "PROCESSEVENT"}, {MSG_ENDXFER, "ENDXFER"}};

template <std::size_t N>
std::string NameOf(const Named (&names)[N], unsigned value) {
  for (const Named& named : names) {
    if (named.value == value) return named.name;
  }
  return std::to_string(value);
}

// A call as the tests name it: "group/type/message".
std::string Name(const Call& call) {
  return NameOf(kGroups, call.group) + "/" + NameOf(kTypes, call.type) + "/" +
         NameOf(kMessages, call.message);
}

using Names = std::vector<std::string>;

const Names kStart = {"CONTROL/PARENT/OPENDSM",  "CONTROL/IDENTITY/USERSELECT",
                      "CONTROL/IDENTITY/OPENDS", "CONTROL/CAPABILITY/SET",
                      "CONTROL/CAPABILITY/SET",  "CONTROL/USERINTERFACE/ENABLEDS"};
const Names kEnd = {"CONTROL/USERINTERFACE/DISABLEDS", "CONTROL/IDENTITY/CLOSEDS",
                    "CONTROL/PARENT/CLOSEDSM"};
// The calls of a transfer.
const std::string kEvent = "CONTROL/EVENT/PROCESSEVENT", kInfo = "IMAGE/IMAGEINFO/GET",
                  kNative = "IMAGE/IMAGENATIVEXFER/GET", kEndTransfer = "CONTROL/PENDINGXFERS/ENDXFER",
                  kReset = "CONTROL/PENDINGXFERS/RESET";

Names operator+(Names a, const Names& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The 36-character version text kept to the 32 characters a TW_STR32 holds.
constexpr TW_IDENTITY kApplication = {0, {1, 703, 13, 1, "TWAIN_32 Twacker 1.7.0.3  01/18/"},
                                      1, 8, 3, "TWAIN Working Group", "TWAIN Toolkit",
                                      "TWACKER_32"};
constexpr TW_IDENTITY kSource = {7, {2, 1, 13, 1, "flatbed 2.1"}, 1, 9, 3,
                                 "Test Works", "Flatbeds", "Test Flatbed"};

bool SameIdentity(const TW_IDENTITY& a, const TW_IDENTITY& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool IsZeroed(const ScannerSession& session) {
  static const ScannerSession zero{};
  return std::memcmp(&session, &zero, sizeof session) == 0;
}

class Scanner : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    window_ = kolta::test::MakeTestWindow();
    LoadDouble();
  }

  static void LoadDouble() {
    manager_ = kolta::test::InstallDouble("twain_double.dll", ManagerPath(), "twain_32",
                                          "TwainDoubleMarker", kMarker);
    ASSERT_NE(manager_, nullptr) << "the double did not load (Wine's own twain_32.dll?)";
    script_ = Export<ScriptProc>(manager_, "TwainDoubleScript");
    calls_ = Export<CallsProc>(manager_, "TwainDoubleCalls");
  }

  void SetUp() override {
    ASSERT_NE(script_, nullptr);
    Run();
  }

  void TearDown() override { TWScannerEnd(&session); }

  // Gives the double the test's script and clears its record.
  void Run() { script_(&script); }

  std::vector<Call> Calls() const {
    const Call* calls = nullptr;
    const int count = calls_(&calls);
    return {calls, calls + count};
  }

  Names CallNames() const {
    Names names;
    for (const Call& call : Calls()) names.push_back(Name(call));
    return names;
  }

  int Start(int showInterface = 1) { return TWScannerStart(&session, window_, showInterface); }

  // A started session that the source answers with these messages.
  void StartWithEvents(std::initializer_list<TW_UINT16> events) {
    script.eventCount = static_cast<int>(events.size());
    std::copy(events.begin(), events.end(), script.events.begin());
    Run();
    ASSERT_EQ(Start(), 1);
    Run();  // the record from here on only
  }

  int Process() {
    MSG message{window_, WM_TIMER, 1, 0, 0, {}};
    return TWScannerProcess(&session, &message);
  }

  static inline HWND window_ = nullptr;
  static inline HMODULE manager_ = nullptr;
  static inline ScriptProc script_ = nullptr;
  static inline CallsProc calls_ = nullptr;
  Script script{.source = kSource};
  ScannerSession session{};
};

TEST_F(Scanner, IsSupportedWhenTheWindowsFolderHoldsTheSourceManager) {
  EXPECT_EQ(TWScannerIsSupport(), 1);
  const std::string away = ManagerPath() + ".away";
  ASSERT_TRUE(MoveFileA(ManagerPath().c_str(), away.c_str()));
  EXPECT_EQ(TWScannerIsSupport(), 0);
  // Missing from the Windows folder, it is not taken from anywhere else (here: the
  // module already loaded under that name).
  EXPECT_EQ(Start(), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_TRUE(IsZeroed(session));
  ASSERT_TRUE(MoveFileA(away.c_str(), ManagerPath().c_str()));
}

TEST_F(Scanner, StartsWithTheApplicationIdentityAndOneNativeImageRequest) {
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(CallNames(), kStart);

  char path[MAX_PATH] = {};
  GetModuleFileNameA(session.dsmLibrary, path, MAX_PATH);
  EXPECT_STRCASEEQ(path, ManagerPath().c_str());
  EXPECT_EQ(session.dsmEntry, Export<DSMENTRYPROC>(manager_, "DSM_Entry"));
  EXPECT_EQ(session.parentWindow, window_);
  EXPECT_NE(session.managerOpen, 0u);
  EXPECT_NE(session.sourceOpen, 0u);
  EXPECT_EQ(session.reserved, 0u);
  EXPECT_EQ(session.imageHandle, nullptr);
  EXPECT_TRUE(SameIdentity(session.appIdentity, kApplication));
  EXPECT_TRUE(SameIdentity(session.sourceIdentity, kSource));

  const std::vector<Call> calls = Calls();
  for (const Call& call : calls) {
    EXPECT_TRUE(SameIdentity(call.origin, kApplication)) << Name(call);
  }
  // The manager's own operations have no destination; the source's have the chosen one.
  for (int i : {0, 1, 2}) EXPECT_FALSE(calls[i].hasDestination) << Name(calls[i]);
  for (int i : {3, 4, 5}) {
    EXPECT_TRUE(calls[i].hasDestination && SameIdentity(calls[i].destination, kSource))
        << Name(calls[i]);
  }
  EXPECT_EQ(calls[0].parent, window_);
  EXPECT_EQ(calls[0].data, &session.parentWindow);
  EXPECT_TRUE(SameIdentity(calls[1].identity, kSource));
  EXPECT_EQ(calls[1].data, &session.sourceIdentity);
  EXPECT_EQ(calls[2].data, &session.sourceIdentity);

  const TW_UINT16 capabilities[] = {CAP_XFERCOUNT, ICAP_XFERMECH};
  const TW_UINT32 values[] = {1, TWSX_NATIVE};
  for (int i = 0; i < 2; ++i) {
    const Call& call = calls[3 + i];
    EXPECT_EQ(call.capability.Cap, capabilities[i]);
    EXPECT_EQ(call.capability.ConType, TWON_ONEVALUE);
    EXPECT_TRUE(call.containerMoveable);
    EXPECT_EQ(call.containerSize, 6u);
    EXPECT_EQ(call.value.ItemType, TWTY_UINT16);
    EXPECT_EQ(call.value.Item, values[i]);
  }
  EXPECT_EQ(calls[5].ui.ShowUI, 1);
  EXPECT_EQ(calls[5].ui.ModalUI, 1);
  EXPECT_EQ(calls[5].ui.hParent, window_);
}

TEST_F(Scanner, ShowInterfaceFlagIsPassedAsItsLowSixteenBits) {
  for (const auto& [flag, shown] :
       {std::pair{0, 0}, {0x10000, 0}, {0x20001, 1}, {0xFFFF, 0xFFFF}}) {
    ASSERT_EQ(Start(flag), 1);
    EXPECT_EQ(Calls()[5].ui.ShowUI, shown) << flag;
    TWScannerEnd(&session);
    Run();
  }
}

TEST_F(Scanner, EndDisablesClosesAndZeroesTheSession) {
  ASSERT_EQ(Start(), 1);
  Run();
  EXPECT_EQ(TWScannerEnd(&session), 0);
  EXPECT_TRUE(IsZeroed(session));
  const std::vector<Call> calls = Calls();
  ASSERT_EQ(CallNames(), kEnd);
  EXPECT_EQ(calls[0].ui.ShowUI, TWON_DONTCARE8);
  EXPECT_EQ(calls[0].ui.ModalUI, 0);
  EXPECT_EQ(calls[0].ui.hParent, window_);
  EXPECT_TRUE(SameIdentity(calls[0].destination, kSource));
  EXPECT_FALSE(calls[1].hasDestination);
  EXPECT_TRUE(SameIdentity(calls[1].identity, kSource));
  EXPECT_FALSE(calls[2].hasDestination);
  EXPECT_EQ(calls[2].parent, window_);
}

TEST_F(Scanner, ARefusedStepEndsWhatWasOpenedExceptARefusedTransferCount) {
  struct Case {
    const char* what;
    TW_UINT16 Script::*answer;
    TW_UINT16 result;
    int started;
    Names sent;
  };
  const Names opened(kStart.begin(), kStart.begin() + 3);
  const Case cases[] = {
      {"manager refuses to open", &Script::openManager, TWRC_FAILURE, 0, {kStart[0]}},
      {"selection cancelled", &Script::userSelect, TWRC_CANCEL, 0,
       Names(kStart.begin(), kStart.begin() + 2) + Names{kEnd[2]}},
      {"source refuses to open", &Script::openSource, TWRC_FAILURE, 0, opened + Names{kEnd[2]}},
      {"transfer count refused", &Script::setTransferCount, TWRC_FAILURE, 1, kStart},
      {"transfer mechanism refused", &Script::setMechanism, TWRC_FAILURE, 0,
       Names(kStart.begin(), kStart.begin() + 5) + kEnd},
      {"enable refused", &Script::enable, TWRC_FAILURE, 0, kStart + kEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    script = Script{.source = kSource};
    script.*c.answer = c.result;
    Run();
    std::memset(&session, 0xA5, sizeof session);
    EXPECT_EQ(Start(), c.started);
    EXPECT_EQ(CallNames(), c.sent);
    EXPECT_EQ(IsZeroed(session), c.started == 0);
    if (c.started) TWScannerEnd(&session);
  }
}

TEST_F(Scanner, TransferReadyBringsOneImageAsAPackedDib) {
  StartWithEvents({MSG_NULL, MSG_XFERREADY});
  EXPECT_EQ(Process(), 0) << "not the source's message";
  EXPECT_EQ(Process(), 1);
  EXPECT_EQ(CallNames(), (Names{kEvent, kEvent, kInfo, kNative, kEndTransfer, kReset}));
  const std::vector<Call> calls = Calls();
  for (const Call& call : calls) {
    EXPECT_TRUE(call.hasDestination && SameIdentity(call.destination, kSource)) << Name(call);
  }
  EXPECT_EQ(calls[3].handleBefore, 0u);
  ASSERT_NE(calls[3].image, 0u);
  ASSERT_EQ(reinterpret_cast<ULONG_PTR>(session.imageHandle), calls[3].image);

  // The caller owns the image: a real DIB in global memory.
  const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(session.imageHandle));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->biSize, 40u);
  EXPECT_EQ(header->biWidth, 2);
  EXPECT_EQ(header->biHeight, 2);
  EXPECT_EQ(header->biBitCount, 24);
  const auto* pixels = reinterpret_cast<const BYTE*>(header + 1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pixels[i], 0x10 + i);
  GlobalUnlock(session.imageHandle);
  const HGLOBAL image = session.imageHandle;

  Run();
  TWScannerEnd(&session);
  EXPECT_EQ(CallNames(), kEnd);
  EXPECT_TRUE(IsZeroed(session));
  EXPECT_EQ(GlobalFree(image), nullptr);
}

TEST_F(Scanner, TheEventCarriesTheCallersMessage) {
  StartWithEvents({});
  MSG message{window_, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4), 0, {}};
  EXPECT_EQ(TWScannerProcess(&session, &message), 0);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].event, &message);
}

// A message the source took for itself becomes WM_NULL, so that dispatching it as usual
// does not hand it to the source's window a second time; other messages stay as they are.
TEST_F(Scanner, MessagesTheSourceTookAreNotDispatchedAgain) {
  for (const bool takesEvery : {false, true}) {
    SCOPED_TRACE(takesEvery ? "the source takes every message" : "it takes only its own");
    script.takesEveryEvent = takesEvery;
    StartWithEvents({MSG_NULL, MSG_CLOSEDSREQ});
    MSG message{window_, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4), 0, {}};
    EXPECT_EQ(TWScannerProcess(&session, &message), 0);
    EXPECT_EQ(message.message, takesEvery ? UINT{WM_NULL} : UINT{WM_MOUSEMOVE});
    EXPECT_EQ(message.lParam, MAKELPARAM(3, 4));
    message.message = WM_LBUTTONDOWN;
    EXPECT_EQ(TWScannerProcess(&session, &message), 1);
    EXPECT_EQ(message.message, UINT{WM_NULL});
    TWScannerEnd(&session);
  }
}

TEST_F(Scanner, TheImageHandleIsTakenWhole) {
  // A handle value that needs every bit of the build's pointer width.
  script.imageToWrite =
      sizeof(void*) == 8 ? static_cast<ULONG_PTR>(0x123456789ABCDEF0ull) : 0x9ABCDEF0u;
  StartWithEvents({MSG_XFERREADY});
  EXPECT_EQ(Process(), 1);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(session.imageHandle), script.imageToWrite);
  session.imageHandle = nullptr;  // not a real handle: never freed
}

TEST_F(Scanner, TransferOutcomesAndCloseRequestsFinishTheScan) {
  struct Case {
    const char* what;
    TW_UINT16 event;
    TW_UINT16 transfer;
    TW_UINT16 endTransfer;
    Names sent;
    bool image;
  };
  const Names transfer = {kEvent, kInfo, kNative};
  const Case cases[] = {
      {"transfer cancelled", MSG_XFERREADY, TWRC_CANCEL, TWRC_SUCCESS,
       transfer + Names{kEndTransfer, kReset}, false},
      {"transfer failed", MSG_XFERREADY, TWRC_FAILURE, TWRC_SUCCESS, transfer + Names{kReset},
       false},
      // No reset follows a refused end of transfer.
      {"end of transfer refused", MSG_XFERREADY, TWRC_XFERDONE, TWRC_FAILURE,
       transfer + Names{kEndTransfer}, true},
      {"close requested", MSG_CLOSEDSREQ, TWRC_XFERDONE, TWRC_SUCCESS, {kEvent}, false},
      {"close confirmed", MSG_CLOSEDSOK, TWRC_XFERDONE, TWRC_SUCCESS, {kEvent}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    script.transfers = {c.transfer};
    script.endTransfer = c.endTransfer;
    StartWithEvents({c.event});
    EXPECT_EQ(Process(), 1);
    EXPECT_EQ(CallNames(), c.sent);
    EXPECT_EQ(session.imageHandle != nullptr, c.image);
    GlobalFree(session.imageHandle);
    TWScannerEnd(&session);
  }
}

TEST_F(Scanner, ImageInformationIsAskedAgainUntilItComes) {
  script.imageInfoFailures = 2;
  // An answer that is no transfer result starts over with the image information.
  script.transfers = {TWRC_SUCCESS, TWRC_XFERDONE};
  script.transferCount = 2;
  StartWithEvents({MSG_XFERREADY});
  EXPECT_EQ(Process(), 1);
  EXPECT_EQ(CallNames(),
            (Names{kEvent, kInfo, kInfo, kInfo, kNative, kInfo, kNative, kEndTransfer, kReset}));
  EXPECT_NE(session.imageHandle, nullptr);
  GlobalFree(session.imageHandle);
}

TEST_F(Scanner, ASourceThatNeverAnswersIsGivenUpAfterAHundredRounds) {
  for (const bool infoFails : {true, false}) {
    SCOPED_TRACE(infoFails ? "image information always fails" : "transfer never answers");
    script.imageInfoFailures = infoFails ? 1000000 : 0;
    script.transfers = {TWRC_SUCCESS};
    StartWithEvents({MSG_XFERREADY});
    EXPECT_EQ(Process(), 1);
    EXPECT_EQ(session.imageHandle, nullptr);
    const Names names = CallNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), kInfo), 100);
    EXPECT_EQ(names.back(), kReset);
    TWScannerEnd(&session);
  }
}

TEST_F(Scanner, NullOrZeroedSessionsAndNullMessagesSendNothing) {
  script.eventCount = 1;
  script.events = {MSG_XFERREADY};
  Run();
  EXPECT_EQ(TWScannerStart(nullptr, window_, 1), 0);
  EXPECT_EQ(TWScannerEnd(nullptr), 0);
  for (UINT message : {WM_TIMER, WM_PAINT, WM_USER}) {
    MSG msg{window_, message, 0, 0, 0, {}};
    EXPECT_EQ(TWScannerProcess(nullptr, &msg), 0);
    EXPECT_EQ(TWScannerProcess(&session, &msg), 0) << "a zeroed session";
  }
  EXPECT_EQ(TWScannerEnd(&session), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_TRUE(IsZeroed(session));

  StartWithEvents({MSG_XFERREADY});
  EXPECT_EQ(TWScannerProcess(&session, nullptr), 0);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(Scanner, EndUnloadsTheSourceManager) {
  // Without the test's own reference the library lives only as long as the session.
  FreeLibrary(manager_);
  ASSERT_EQ(GetModuleHandleA(ManagerPath().c_str()), nullptr);
  EXPECT_EQ(Start(), 1) << "the double's defaults let every call succeed";
  EXPECT_NE(GetModuleHandleA(ManagerPath().c_str()), nullptr);
  TWScannerEnd(&session);
  EXPECT_EQ(GetModuleHandleA(ManagerPath().c_str()), nullptr);
  LoadDouble();
}

}  // namespace
