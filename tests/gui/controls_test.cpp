#include "controls.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gui_test_support.h"
#include "radio_btn_work.h"

namespace {
std::string fontFace(HFONT font, LOGFONTA* details = nullptr) {
    LOGFONTA description = {};
    GetObjectA(font, sizeof description, &description);
    if (details != nullptr) *details = description;
    return description.lfFaceName;
}

HFONT fontOf(GUIParts& control) {
    return reinterpret_cast<HFONT>(control.sendToControl(WM_GETFONT, 0, 0));
}

// The brush and text colour that the parent answers for the control.
struct ColourSeen {
    LRESULT brush;
    COLORREF text;
};
ColourSeen colourFor(HWND parent, GUIParts& control) {
    HDC deviceContext = GetDC(control.handle());
    const LRESULT brush = SendMessageA(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(deviceContext),
                                       reinterpret_cast<LPARAM>(control.handle()));
    const COLORREF text = GetTextColor(deviceContext);
    ReleaseDC(control.handle(), deviceContext);
    return {brush, text};
}

LRESULT stockBrush(int index) {
    return reinterpret_cast<LRESULT>(GetStockObject(index));
}

int childCount(HWND parent) {
    int count = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { partsIdCounter.nextPartsId = FirstAutomaticIdBase; }
    AppWindow parent;
};
}  // namespace

TEST_F(ControlsTest, AutomaticIdsFollowConstructionOrderNotCreationOrder) {
    PushButton first(parent.window);
    CheckBox second(parent.window);
    Label third(parent.window);
    third.createControl("3", 0, 0, 10, 10);
    first.createControl("1", 0, 20, 10, 10);
    second.createControl("2", 0, 40, 10, 10);
    EXPECT_EQ(6001, GetDlgCtrlID(first.handle()));
    EXPECT_EQ(6002, GetDlgCtrlID(second.handle()));
    EXPECT_EQ(6003, GetDlgCtrlID(third.handle()));
    EXPECT_TRUE(second.hasId(6002));
    EXPECT_FALSE(second.hasId(MAKEWPARAM(6002, BN_SETFOCUS))) << "only plain clicks match";

    first.initParts("BUTTON", parent.window, 150, WS_CHILD);
    EXPECT_EQ(150, first.controlId);
    first.initParts("BUTTON", parent.window, 99, WS_CHILD);
    EXPECT_EQ(6004, first.controlId);
}

TEST_F(ControlsTest, KindsCreateTheirSystemClassesWithTheirStyles) {
    auto styleOf = [](GUIParts& control) {
        return static_cast<DWORD>(GetWindowLongA(control.handle(), GWL_STYLE));
    };
    SimpleEdit report(parent.window, true, true);
    report.createControl("", 0, 0, 100, 100);
    EXPECT_NE(0u, styleOf(report) & ES_MULTILINE);
    EXPECT_NE(0u, styleOf(report) & WS_VSCROLL);
    SimpleEdit line(parent.window, true);
    line.singleLine();
    line.createControl("text", 0, 0, 100, 20);
    EXPECT_EQ(0u, styleOf(line) & ES_MULTILINE);
    Label framed(parent.window, true);
    framed.createControl("label", 0, 0, 100, 20);
    EXPECT_NE(0u, styleOf(framed) & WS_BORDER);

    CheckBox box(parent.window);
    EXPECT_FALSE(box.isChecked()) << "no window yet";
    box.createControl("box", 0, 30, 100, 20);
    SendMessageA(box.handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box.isChecked()) << "the application sets the mark, not the click";
    box.setCheck(true);
    EXPECT_TRUE(box.isChecked());
}

TEST_F(ControlsTest, FontSetBeforeCreationIsAppliedAtCreation) {
    Label label(parent.window);
    label.setFont(FontArial, 16, 0);
    EXPECT_EQ(1, label.fontPending);
    label.createControl("Analysis Report", 10, 10, 200, 19);
    ASSERT_NE(nullptr, fontOf(label));
    LOGFONTA details;
    EXPECT_EQ("Arial", fontFace(fontOf(label), &details));
    EXPECT_EQ(16, details.lfHeight);
    EXPECT_EQ(ANSI_CHARSET, details.lfCharSet);
    EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, details.lfPitchAndFamily);
}

TEST_F(ControlsTest, FontSetAfterCreationAppliesAtOnceAndASecondOneKeepsTheFirstHandle) {
    SimpleEdit edit(parent.window);
    edit.createControl("", 0, 0, 100, 100);
    edit.setFont(FontGothic, 10, 0);
    HFONT gothic = fontOf(edit);
    ASSERT_NE(nullptr, gothic);
    LOGFONTA details;
    fontFace(gothic, &details);
    EXPECT_EQ(10, details.lfHeight);
    EXPECT_EQ(SHIFTJIS_CHARSET, details.lfCharSet);
    EXPECT_EQ(0, std::strcmp(details.lfFaceName, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"));

    edit.setFont(FontCourier, 20, 0);
    EXPECT_EQ(gothic, fontOf(edit));
    EXPECT_STREQ("Courier", edit.font.face);
    EXPECT_EQ(20, edit.font.height);
}

TEST_F(ControlsTest, ColourSetBeforeCreationIsRegisteredAtCreation) {
    SimpleEdit report(parent.window, true, true);
    report.setTextColour(0, 127, 0);
    EXPECT_EQ(0, parent.app->colourCount);
    report.createControl("", 10, 30, 640, 380);
    const ColourSeen seen = colourFor(parent.window, report);
    EXPECT_EQ(stockBrush(WHITE_BRUSH), seen.brush);
    EXPECT_EQ(RGB(0, 127, 0), seen.text);
}

TEST_F(ControlsTest, ColourSetAfterCreationIsRegisteredAtOnceKeepingItsBrush) {
    Label label(parent.window);
    label.createControl("x", 0, 0, 10, 10);
    label.setStockBrush(BLACK_BRUSH);
    label.setTextColour(255, 0, 0);
    const ColourSeen seen = colourFor(parent.window, label);
    EXPECT_EQ(stockBrush(BLACK_BRUSH), seen.brush);
    EXPECT_EQ(RGB(255, 0, 0), seen.text);
}

TEST_F(ControlsTest, ColourOfAControlWhoseParentIsNotBoundYetArrivesByMessage) {
    SetWindowLongPtrA(parent.window, 0, 0);  // as before WM_CREATE
    Label label(parent.window);
    label.createControl("x", 0, 0, 10, 10);
    label.setTextColour(0, 0, 255);
    SetWindowLongPtrA(parent.window, 0, reinterpret_cast<LONG_PTR>(parent.app));
    EXPECT_EQ(0, parent.app->colourCount);
    drainMessages();
    ASSERT_EQ(1, parent.app->colourCount);
    EXPECT_EQ(label.handle(), parent.app->colourTable[0].control);
    EXPECT_EQ(RGB(0, 0, 255), parent.app->colourTable[0].textColour);
}

TEST_F(ControlsTest, RadioGroupChecksExactlyTheSelectedButton) {
    RadioBtnWork group(parent.window);
    for (const char* text : {"DETECT Lv0", "DETECT Lv1", "DETECT Lv2"}) group.addButton(text);
    group.createAll(655, 60, 100, 30);
    RECT second;
    GetWindowRect(group.buttons[1]->handle(), &second);
    MapWindowPoints(nullptr, parent.window, reinterpret_cast<POINT*>(&second), 2);
    EXPECT_EQ(90, second.top);
    EXPECT_EQ(29, second.bottom - second.top);

    group.selectButton(1);
    auto checked = [&](int i) {
        return SendMessageA(group.buttons[i]->handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    EXPECT_TRUE(checked(1));
    group.selectButton(3);
    group.selectButton(-1);
    EXPECT_TRUE(checked(1)) << "out of range changes nothing";
    EXPECT_EQ(1, group.selectedIndex);

    EXPECT_TRUE(group.handleCommand(static_cast<WPARAM>(group.buttons[2]->controlId)));
    EXPECT_FALSE(checked(1));
    EXPECT_TRUE(checked(2));
    EXPECT_FALSE(group.handleCommand(1));

    group.enableAll(false);
    EXPECT_FALSE(IsWindowEnabled(group.buttons[0]->handle()));
}

TEST_F(ControlsTest, RadioGroupIgnoresThe65thButtonAndCutsLongTexts) {
    RadioBtnWork group(parent.window);
    const std::string longText(200, 'r');
    for (int i = 0; i <= RadioGroupCapacity; ++i) group.addButton(longText.c_str());
    EXPECT_EQ(RadioGroupCapacity, group.count);
    const int before = childCount(parent.window);
    group.createAll(0, 0, 50, 2);
    EXPECT_EQ(before + RadioGroupCapacity, childCount(parent.window));
    EXPECT_EQ(std::string(127, 'r'), windowText(group.buttons[0]->handle()));

    RadioBtnWork orphan(nullptr);
    orphan.addButton("no parent");
    EXPECT_EQ(0, orphan.count);
}
