// kesto's main window from the keyboard: Tab and Shift+Tab walk the
// controls, the arrow keys choose a level, Enter presses the focused button.
// The keys go through the window's own message loop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kesto_window.h"

namespace {
// The Tab walk, once round.
const std::vector<int> TabOrder = {ReportBoxId, OutputBoxId, BrowseId,   LengthBoxId, NoTimeDetectId,
                                   Level1Id,    ConvertId,   OptionId,   HandsetId,   PlayId,
                                   ToTextId,    ToMidiId,    LoadAfterId};

// Holds Shift down, as the thread's key state tells it, for its lifetime.
class ShiftHeld {
public:
    explicit ShiftHeld(bool held) {
        GetKeyboardState(saved);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = held ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    ~ShiftHeld() { SetKeyboardState(saved); }
    ShiftHeld(const ShiftHeld&) = delete;
    ShiftHeld& operator=(const ShiftHeld&) = delete;

private:
    BYTE saved[256] = {};
};

// A key pressed and released on the focused control, as the keyboard queues
// it; the queue is then served as the window's message loop serves it, until
// it is empty (a quit message would end the boxes the key opens).
void press(const KestoWindow& kesto, WPARAM key, bool shift = false) {
    const ShiftHeld held(shift);
    HWND target = GetFocus() != nullptr ? GetFocus() : kesto.window;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) kesto.app->dispatchQueued(message);
}

int focusedId() {
    return GetDlgCtrlID(GetFocus());
}

// The ids that Tab (or Shift+Tab) reaches from start, count times.
std::vector<int> walk(const KestoWindow& kesto, int start, std::size_t count, bool backwards) {
    SetFocus(kesto.control(start));
    std::vector<int> reached;
    for (std::size_t i = 0; i < count; ++i) {
        press(kesto, VK_TAB, backwards);
        reached.push_back(focusedId());
    }
    return reached;
}

bool isDefaultButton(const KestoWindow& kesto, int id) {
    return (SendMessageA(kesto.control(id), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0;
}
}  // namespace

TEST(KestoKeyboard, TabWalksTheControlsInOrderAndShiftTabWalksBack) {
    KestoWindow kesto;
    const std::string report = kesto.text(ReportBoxId);
    std::vector<int> forwards(TabOrder.begin() + 1, TabOrder.end());
    forwards.push_back(TabOrder[0]);
    EXPECT_EQ(forwards, walk(kesto, TabOrder[0], TabOrder.size(), false));
    const std::vector<int> backwards(TabOrder.rbegin(), TabOrder.rend());
    EXPECT_EQ(backwards, walk(kesto, TabOrder[0], TabOrder.size(), true));
    EXPECT_EQ(report, kesto.text(ReportBoxId)) << "Tab is not typed into the report box";
}

TEST(KestoKeyboard, TheLevelStopIsTheCheckedLevelAndDisabledControlsAreSkipped) {
    KestoWindow kesto;
    kesto.click(Level2Id);
    EXPECT_EQ((std::vector<int>{Level2Id, ConvertId}), walk(kesto, NoTimeDetectId, 2, false));
    EXPECT_EQ(std::vector<int>{Level2Id}, walk(kesto, ConvertId, 1, true));

    kesto.click(NoTimeDetectId);  // the levels are disabled
    EXPECT_EQ(std::vector<int>{ConvertId}, walk(kesto, NoTimeDetectId, 1, false));
    EXPECT_EQ(std::vector<int>{NoTimeDetectId}, walk(kesto, ConvertId, 1, true));
}

TEST(KestoKeyboard, DisabledCommandsAreSkipped) {
    KestoWindow kesto("", 1);  // nothing loaded: Convert, Option, Play and MID->TXT are disabled
    // The handset settings need no tune.
    EXPECT_EQ((std::vector<int>{HandsetId, ToMidiId, LoadAfterId}), walk(kesto, Level1Id, 3, false));
}

TEST(KestoKeyboard, ArrowKeysChooseALevelAsAClickDoes) {
    KestoWindow kesto;
    kesto.clickAnswering(ConvertId, 1);
    SetFocus(kesto.control(Level1Id));
    press(kesto, VK_DOWN);
    EXPECT_EQ(Level2Id, focusedId());
    EXPECT_EQ(BST_CHECKED, SendMessageA(kesto.control(Level2Id), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(kesto.control(Level1Id), BM_GETCHECK, 0, 0));
    EXPECT_EQ(0, converted);
    press(kesto, VK_UP);
    press(kesto, VK_UP);
    EXPECT_EQ(Level0Id, focusedId());
    EXPECT_EQ(BST_CHECKED, SendMessageA(kesto.control(Level0Id), BM_GETCHECK, 0, 0));
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("DETECT Level=0"));
    EXPECT_EQ(std::vector<int>{Level0Id}, walk(kesto, NoTimeDetectId, 1, false)) << "the stop follows";
}

TEST(KestoKeyboard, EnterPressesTheFocusedButton) {
    KestoWindow kesto;
    walk(kesto, Level1Id, 1, false);
    ASSERT_EQ(ConvertId, focusedId());
    EXPECT_TRUE(isDefaultButton(kesto, ConvertId));
    ModalDriver driver;
    driver.expectBox();
    press(kesto, VK_RETURN);
    ASSERT_EQ(1u, driver.seen.size());
    EXPECT_EQ(0u, driver.seen[0].text.find("Converted to [" + kesto.start.path("out.mid") + "]"));
    EXPECT_EQ(ConvertId, focusedId()) << "the focus comes back from the box to the button";

    // Focused another way than by Tab, as a click focuses it.
    SetFocus(kesto.control(BrowseId));
    EXPECT_TRUE(isDefaultButton(kesto, BrowseId));
    EXPECT_FALSE(isDefaultButton(kesto, ConvertId));
    kesto.dialogs.answers = {""};
    press(kesto, VK_RETURN);
    EXPECT_EQ(std::vector<std::string>{"Select Output MIDI file"}, kesto.dialogs.titles);

    SetFocus(kesto.control(LengthBoxId));
    EXPECT_FALSE(isDefaultButton(kesto, BrowseId)) << "the default leaves with the focus";
}

namespace {
// What typing sends to the focused control: one WM_CHAR per character.
void type(const std::string& text) {
    for (char c : text)
        SendMessageA(GetFocus(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

void putOnClipboard(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

std::string clipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "<no clipboard>";
    if (HANDLE memory = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(memory));
        GlobalUnlock(memory);
    }
    CloseClipboard();
    return text;
}

constexpr char CtrlC = 0x03, CtrlV = 0x16, CtrlX = 0x18;
}  // namespace

// Tab into the report box selects all of it: no key may then replace it, but
// it can still be copied.
TEST(KestoKeyboard, TheReportCannotBeTypedOverButCanBeCopied) {
    KestoWindow kesto;
    const std::string report = kesto.text(ReportBoxId);
    walk(kesto, LoadAfterId, 1, false);
    ASSERT_EQ(ReportBoxId, focusedId());
    putOnClipboard("pasted");
    type("x");
    type("\b");
    type(std::string(1, CtrlX));
    type(std::string(1, CtrlV));
    press(kesto, VK_DELETE);
    const UINT editing[] = {WM_CUT, WM_PASTE, WM_CLEAR, WM_UNDO};
    for (UINT message : editing) SendMessageA(GetFocus(), message, 0, 0);
    EXPECT_EQ(report, kesto.text(ReportBoxId));

    type(std::string(1, CtrlC));
    EXPECT_EQ(report, clipboardText());
    SendMessageA(kesto.control(ReportBoxId), EM_SETSEL, 0, 16);
    SendMessageA(kesto.control(ReportBoxId), WM_COPY, 0, 0);
    EXPECT_EQ(report.substr(0, 16), clipboardText());
}

// Enter in the output or the length box converts, as if Convert had the focus.
TEST(KestoKeyboard, EnterInTheOutputOrLengthBoxConverts) {
    KestoWindow kesto;
    EXPECT_FALSE(isDefaultButton(kesto, ConvertId));
    walk(kesto, ReportBoxId, 1, false);
    ASSERT_EQ(OutputBoxId, focusedId());
    EXPECT_TRUE(isDefaultButton(kesto, ConvertId)) << "Convert shows that Enter presses it";
    ModalDriver driver;
    driver.expectBox();
    driver.expectBox();
    press(kesto, VK_RETURN);
    ASSERT_EQ(1u, driver.seen.size());
    EXPECT_EQ(0u, driver.seen[0].text.find("Converted to [" + kesto.start.path("out.mid") + "]"));
    EXPECT_EQ(OutputBoxId, focusedId());

    SetFocus(kesto.control(LengthBoxId));
    EXPECT_TRUE(isDefaultButton(kesto, ConvertId));
    SetWindowTextA(GetFocus(), "960");
    press(kesto, VK_RETURN);
    ASSERT_EQ(2u, driver.seen.size());
    EXPECT_NE(std::string::npos, driver.seen[1].text.find("with Delta_count=960"));

    press(kesto, VK_TAB);
    ASSERT_EQ(NoTimeDetectId, focusedId());
    EXPECT_FALSE(isDefaultButton(kesto, ConvertId)) << "the default leaves with the focus";
    walk(kesto, ToMidiId, 1, true);
    ASSERT_EQ(ToTextId, focusedId());
    EXPECT_TRUE(isDefaultButton(kesto, ToTextId));
    EXPECT_FALSE(isDefaultButton(kesto, ConvertId));
}

namespace {
std::vector<COLORREF> pixelsOf(HWND control) {
    RECT client = {};
    GetClientRect(control, &client);
    HDC context = GetDC(control);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) pixels.push_back(GetPixel(context, x, y));
    ReleaseDC(control, context);
    return pixels;
}

// The control as it shows now, and as it shows painted anew whole.
struct Looks {
    std::vector<COLORREF> now;
    std::vector<COLORREF> repainted;
};

Looks looksOf(HWND control) {
    UpdateWindow(control);
    Looks looks;
    looks.now = pixelsOf(control);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    looks.repainted = pixelsOf(control);
    return looks;
}
}  // namespace

// The focus rectangle is drawn by inverting pixels: drawn twice, it is gone.
TEST(KestoKeyboard, TheFocusRectangleStaysAfterAnArrowKeyOrAClick) {
    KestoWindow kesto;
    UpdateWindow(kesto.window);
    const std::vector<COLORREF> unfocused = pixelsOf(kesto.control(Level2Id));
    SetFocus(kesto.control(Level1Id));
    press(kesto, VK_DOWN);
    ASSERT_EQ(Level2Id, focusedId());
    const Looks level = looksOf(kesto.control(Level2Id));
    EXPECT_TRUE(level.now == level.repainted) << "the focus rectangle was wiped";
    EXPECT_FALSE(level.repainted == unfocused) << "no focus rectangle is drawn at all";

    SetFocus(kesto.control(NoTimeDetectId));
    SendMessageA(GetFocus(), BM_CLICK, 0, 0);
    const Looks box = looksOf(kesto.control(NoTimeDetectId));
    EXPECT_TRUE(box.now == box.repainted) << "the focus rectangle was wiped";
}
