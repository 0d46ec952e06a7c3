// The per-channel option dialog: its template as compiled into the program,
// and what it shows, stores, resets and ignores when opened from the Option
// button of the main window.
#include "option_dialog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>

#include "convert/convert_options.h"
#include "job/process_records.h"
#include "kesto_window.h"
#include "resource.h"
#include "test_support.h"

namespace {
// One item or the dialog itself, as the resource template holds it.
struct TemplateItem {
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    int id;
    std::string className;
    std::string text;
};

// Reads a standard dialog template: header, then items on 4-byte boundaries.
class TemplateReader {
public:
    explicit TemplateReader(const uint8_t* start) : begin(start), at(start) {}
    WORD word() {
        const WORD value = static_cast<WORD>(at[0] | at[1] << 8);
        at += 2;
        return value;
    }
    DWORD dword() {
        const DWORD low = word();
        return low | static_cast<DWORD>(word()) << 16;
    }
    int coordinate() { return static_cast<short>(word()); }
    // A string of UTF-16 units (ASCII here), or 0xFFFF and an ordinal.
    std::string nameOrOrdinal() {
        WORD unit = word();
        if (unit == 0xFFFF) return ordinalName(word());
        std::string text;
        for (; unit != 0; unit = word()) text += static_cast<char>(unit);
        return text;
    }
    void styles(TemplateItem& item) {
        item.style = dword();
        item.exStyle = dword();
    }
    void place(TemplateItem& item) {
        item.x = coordinate();
        item.y = coordinate();
        item.width = coordinate();
        item.height = coordinate();
    }
    void alignToDword() { at = begin + ((at - begin + 3) & ~3); }
    void skip(int bytes) { at += bytes; }

private:
    static std::string ordinalName(WORD ordinal) {
        switch (ordinal) {
            case 0x80:
                return "BUTTON";
            case 0x82:
                return "STATIC";
            case 0x85:
                return "COMBOBOX";
            default:
                return "#" + std::to_string(ordinal);
        }
    }
    const uint8_t* begin;
    const uint8_t* at;
};

struct DialogTemplate {
    TemplateItem dialog;
    std::string menu;
    int pointSize;
    std::string face;
    std::vector<TemplateItem> items;
};

DialogTemplate readOptionTemplate() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, OptionDialogName, RT_DIALOG);
    if (resource == nullptr) return {};
    TemplateReader read(static_cast<const uint8_t*>(LockResource(LoadResource(module, resource))));
    DialogTemplate result;
    TemplateItem& dialog = result.dialog;
    read.styles(dialog);
    const int count = read.word();
    read.place(dialog);
    result.menu = read.nameOrOrdinal();
    dialog.className = read.nameOrOrdinal();
    dialog.text = read.nameOrOrdinal();
    result.pointSize = read.word();
    result.face = read.nameOrOrdinal();
    for (int i = 0; i < count; ++i) {
        read.alignToDword();
        TemplateItem item;
        read.styles(item);
        read.place(item);
        item.id = read.word();
        item.className = read.nameOrOrdinal();
        item.text = read.nameOrOrdinal();
        read.skip(read.word());
        result.items.push_back(item);
    }
    return result;
}

const char HexDigits[] = "0123456789ABCDEF";

// The items in template order, as the layout of the dialog lists them.
std::vector<TemplateItem> expectedItems() {
    // The lists are tab stops, and drop down a dozen rows and more.
    // DECIDE, the default button, and RESET are tab stops too.
    constexpr DWORD Label = 0x50000100, List = 0x50210003, Decide = 0x50010001, Reset = 0x50010000;
    constexpr int ListHeight = 140;
    std::vector<TemplateItem> items = {
        {Label, 0, 35, 5, 60, 9, 7100, "STATIC", "Velocity Offs"},
        {Label, 0, 125, 5, 60, 9, 7101, "STATIC", "Instruments"},
        {Label, 0, 305, 5, 60, 9, 7104, "STATIC", "Octv"},
    };
    auto rowY = [](int ch) { return 15 + 15 * ch; };
    for (int ch = 0; ch < 16; ++ch)
        items.push_back({Label, 0, 10, rowY(ch), 19, 9, 7150 + ch, "STATIC", "CH" + std::to_string(ch + 1)});
    const struct {
        int firstId, x, width;
        const char* prefix;
    } lists[] = {{7200, 30, 60, "CBVCH"}, {7300, 120, 160, "CBICH"}, {7400, 300, 30, "CBOCH"}};
    for (const auto& list : lists)
        for (int ch = 0; ch < 16; ++ch)
            items.push_back({List, 0, list.x, rowY(ch), list.width, ListHeight, list.firstId + ch, "COMBOBOX",
                             list.prefix + std::string(1, HexDigits[ch])});
    items.push_back({Decide, 0, 170, 260, 60, 9, 7102, "BUTTON", "DECIDE"});
    items.push_back({Reset, 0, 235, 260, 60, 9, 7103, "BUTTON", "RESET"});
    return items;
}

void expectSameItem(const TemplateItem& expected, const TemplateItem& seen) {
    SCOPED_TRACE("item " + std::to_string(expected.id));
    EXPECT_EQ(expected.id, seen.id);
    EXPECT_EQ(expected.style, seen.style);
    EXPECT_EQ(expected.exStyle, seen.exStyle);
    EXPECT_EQ(expected.x, seen.x);
    EXPECT_EQ(expected.y, seen.y);
    EXPECT_EQ(expected.width, seen.width);
    EXPECT_EQ(expected.height, seen.height);
    EXPECT_STRCASEEQ(expected.className.c_str(), seen.className.c_str());
    EXPECT_EQ(expected.text, seen.text);
}

// What one combo box of the open dialog shows.
struct ListState {
    std::vector<std::string> entries;
    int selected;
    bool enabled;
};
struct RowState {
    ListState velocity, instrument, octave;
};
using DialogState = std::array<RowState, 16>;

ListState readList(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    ListState state{{}, static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0)), IsWindowEnabled(list) != 0};
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        state.entries.push_back(text);
    }
    return state;
}

DialogState readDialog(HWND dialog) {
    DialogState rows;
    for (int ch = 0; ch < 16; ++ch)
        rows[static_cast<size_t>(ch)] = {readList(dialog, IDC_VELOCITY_LIST + ch),
                                         readList(dialog, IDC_INSTRUMENT_LIST + ch),
                                         readList(dialog, IDC_OCTAVE_LIST + ch)};
    return rows;
}

void choose(HWND dialog, int id, int entry) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Opens the dialog with the Option button and runs script inside it.
void withOptionDialog(const KestoWindow& kesto, const std::function<void(HWND)>& script) {
    withDialogOf(kesto, OptionId, script);
}

// Reads the dialog as it opens, then closes it with the close box.
DialogState openedDialog(const KestoWindow& kesto) {
    DialogState state;
    withOptionDialog(kesto, [&](HWND dialog) {
        state = readDialog(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    return state;
}

void expectUnused(const RowState& row) {
    for (const ListState* list : {&row.velocity, &row.instrument}) {
        EXPECT_EQ(std::vector<std::string>{"----"}, list->entries);
        EXPECT_EQ(0, list->selected);
        EXPECT_FALSE(list->enabled);
    }
    EXPECT_EQ(std::vector<std::string>{"--"}, row.octave.entries);
    EXPECT_EQ(0, row.octave.selected);
    EXPECT_FALSE(row.octave.enabled);
}

// A used row as opened: whole lists, each entry once, with the selections given.
void expectUsed(const RowState& row, int velocity, int instrument, int octave) {
    ASSERT_EQ(128u, row.velocity.entries.size());
    EXPECT_EQ("-64", row.velocity.entries[0]);
    EXPECT_EQ("-1", row.velocity.entries[63]);
    EXPECT_EQ("0", row.velocity.entries[64]);
    EXPECT_EQ("+1", row.velocity.entries[65]);
    EXPECT_EQ("+63", row.velocity.entries[127]);
    ASSERT_EQ(128u, row.instrument.entries.size());
    EXPECT_EQ("Acoustic Grand Piano", row.instrument.entries[0]);
    EXPECT_EQ("Gunshot", row.instrument.entries[127]);
    EXPECT_EQ((std::vector<std::string>{"-1", "0", "+1"}), row.octave.entries);
    EXPECT_EQ(velocity, row.velocity.selected);
    EXPECT_EQ(instrument, row.instrument.selected);
    EXPECT_EQ(octave, row.octave.selected);
    EXPECT_TRUE(row.velocity.enabled && row.instrument.enabled);
}

// The example uses channel indexes 0 (program 0), 1 (program 33) and 9 (drums, no program change).
constexpr int BassProgram = 33;
}  // namespace

TEST(OptionDialogTemplate, IsCompiledIntoTheProgramAsLaidOut) {
    const DialogTemplate compiled = readOptionTemplate();
    EXPECT_EQ(0x80CE0040u, compiled.dialog.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_DLGMODALFRAME), compiled.dialog.exStyle);
    EXPECT_EQ(0, compiled.dialog.x);
    EXPECT_EQ(0, compiled.dialog.y);
    EXPECT_EQ(347, compiled.dialog.width);
    EXPECT_EQ(290, compiled.dialog.height);
    EXPECT_EQ("", compiled.menu);
    EXPECT_EQ("", compiled.dialog.className);
    EXPECT_EQ("Option Setting", compiled.dialog.text);
    EXPECT_EQ(8, compiled.pointSize);
    EXPECT_EQ("Arial", compiled.face);
    const std::vector<TemplateItem> expected = expectedItems();
    ASSERT_EQ(69u, compiled.items.size());
    for (std::size_t i = 0; i < expected.size(); ++i) expectSameItem(expected[i], compiled.items[i]);
}

TEST(OptionDialog, UsedChannelsAreEditableAndTheOthersShowPlaceholders) {
    KestoWindow kesto;
    std::string caption;
    DialogState rows;
    withOptionDialog(kesto, [&](HWND dialog) {
        caption = windowText(dialog);
        rows = readDialog(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ("Option Setting", caption);
    expectUsed(rows[0], 64, 0, 1);
    expectUsed(rows[1], 64, BassProgram, 1);
    expectUsed(rows[9], 64, 127, 1);
    EXPECT_TRUE(rows[0].octave.enabled && rows[1].octave.enabled);
    EXPECT_FALSE(rows[9].octave.enabled) << "drums are not moved by octaves";
    for (int ch : {2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}) {
        SCOPED_TRACE("channel index " + std::to_string(ch));
        expectUnused(rows[static_cast<size_t>(ch)]);
    }
}

TEST(OptionDialog, DecideStoresTheSelectionsOfUsedChannelsAndTheyComeBack) {
    KestoWindow kesto;
    withOptionDialog(kesto, [](HWND dialog) {
        choose(dialog, IDC_VELOCITY_LIST + 0, 63);   // "-1"
        choose(dialog, IDC_OCTAVE_LIST + 0, 2);      // "+1"
        choose(dialog, IDC_VELOCITY_LIST + 1, 127);  // "+63"
        choose(dialog, IDC_INSTRUMENT_LIST + 1, 5);
        SendMessageA(dialog, WM_COMMAND, IDC_DECIDE, 0);
    });
    EXPECT_EQ(255, ConvertOptions.velocityOffset[0]);
    EXPECT_EQ(1, ConvertOptions.octaveShift[0]);
    EXPECT_EQ(0, ConvertOptions.instrumentOverride[0]) << "its own first program is no override";
    EXPECT_EQ(63, ConvertOptions.velocityOffset[1]);
    EXPECT_EQ(6, ConvertOptions.instrumentOverride[1]);
    EXPECT_EQ(128, ConvertOptions.instrumentOverride[9]) << "no program change opens on the last entry";
    for (int ch : {2, 8, 15})
        EXPECT_EQ(0, ConvertOptions.instrumentOverride[ch] + ConvertOptions.velocityOffset[ch]);

    const DialogState reopened = openedDialog(kesto);
    expectUsed(reopened[0], 63, 0, 2);
    expectUsed(reopened[1], 127, 5, 1);
    expectUsed(reopened[9], 64, 127, 1);
}

TEST(OptionDialog, ChoosingTheFirstProgramAgainKeepsTheOverrideAndResetClearsEverything) {
    KestoWindow kesto;
    ConvertOptions.instrumentOverride[1] = 6;
    ConvertOptions.velocityOffset[1] = 200;
    ConvertOptions.octaveShift[0] = -1;
    withOptionDialog(kesto, [](HWND dialog) {
        choose(dialog, IDC_INSTRUMENT_LIST + 1, BassProgram);
        SendMessageA(dialog, WM_COMMAND, IDC_DECIDE, 0);
    });
    EXPECT_EQ(6, ConvertOptions.instrumentOverride[1]);

    DialogState afterReset;
    withOptionDialog(kesto, [&](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_RESET, 0);
        afterReset = readDialog(dialog);
        PostMessageA(dialog, WM_CLOSE, 0, 0);  // closing stores nothing, but RESET has acted already
    });
    for (int ch = 0; ch < 16; ++ch)
        EXPECT_EQ(0, ConvertOptions.instrumentOverride[ch] | ConvertOptions.velocityOffset[ch] |
                         ConvertOptions.octaveShift[ch]);
    expectUsed(afterReset[0], 64, 0, 1);
    expectUsed(afterReset[1], 64, BassProgram, 1);
    expectUsed(afterReset[9], 64, 127, 1);
    EXPECT_FALSE(afterReset[9].octave.enabled);
    expectUnused(afterReset[4]);
}

namespace {
// Chooses "-64" on the first row and posts a key to the focused list, as the
// keyboard queues it for the dialog's own loop; then, should the key have
// left the dialog open, the message that ends it.
void chooseThenPress(HWND dialog, WPARAM key, UINT fallback, WPARAM fallbackWParam) {
    choose(dialog, IDC_VELOCITY_LIST + 0, 0);
    SetFocus(GetDlgItem(dialog, IDC_VELOCITY_LIST + 0));
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageA(GetFocus(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    PostMessageA(dialog, fallback, fallbackWParam, 0);
}
}  // namespace

TEST(OptionDialog, EnterDecidesAndEscClosesAsTheCloseBoxDoes) {
    KestoWindow kesto;
    // Had Esc left the dialog open, DECIDE would store the choice.
    withOptionDialog(kesto, [](HWND dialog) { chooseThenPress(dialog, VK_ESCAPE, WM_COMMAND, IDC_DECIDE); });
    EXPECT_EQ(0, ConvertOptions.velocityOffset[0]) << "Esc stores nothing";

    // Had Enter left the dialog open, the close box would end it storing nothing.
    withOptionDialog(kesto, [](HWND dialog) { chooseThenPress(dialog, VK_RETURN, WM_CLOSE, 0); });
    EXPECT_EQ(0xC0, ConvertOptions.velocityOffset[0]) << "Enter is DECIDE";

    ConvertOptions.velocityOffset[0] = 0;
    withOptionDialog(kesto, [](HWND dialog) {
        choose(dialog, IDC_VELOCITY_LIST + 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0xC0, ConvertOptions.velocityOffset[0]) << "the keyboard's OK is DECIDE";
    withOptionDialog(kesto, [](HWND dialog) {
        choose(dialog, IDC_VELOCITY_LIST + 0, 64);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(dialog, WM_COMMAND, IDC_DECIDE, 0);
    });
    EXPECT_EQ(0xC0, ConvertOptions.velocityOffset[0]) << "Cancel is the close box";
}

TEST(OptionDialog, DecideIsTheDefaultButtonUntilAnotherButtonHasTheFocus) {
    KestoWindow kesto;
    auto isDefault = [](HWND dialog, int id) {
        return (SendDlgItemMessageA(dialog, id, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0;
    };
    auto focus = [](HWND dialog, int id) {
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
    };
    std::vector<bool> seen;
    withOptionDialog(kesto, [&](HWND dialog) {
        seen.push_back(isDefault(dialog, IDC_DECIDE));
        seen.push_back(isDefault(dialog, IDC_RESET));
        focus(dialog, IDC_RESET);
        seen.push_back(isDefault(dialog, IDC_DECIDE));
        seen.push_back(isDefault(dialog, IDC_RESET));
        focus(dialog, IDC_VELOCITY_LIST + 1);
        seen.push_back(isDefault(dialog, IDC_DECIDE));
        seen.push_back(isDefault(dialog, IDC_RESET));
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ((std::vector<bool>{true, false, false, true, true, false}), seen);
}

TEST(OptionDialog, ListsDropDownAtLeastTwelveRows) {
    KestoWindow kesto;
    withOptionDialog(kesto, [](HWND dialog) {
        for (int id : {IDC_VELOCITY_LIST + 0, IDC_INSTRUMENT_LIST + 1, IDC_OCTAVE_LIST + 0}) {
            HWND list = GetDlgItem(dialog, id);
            RECT dropped = {};
            SendMessageA(list, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            const auto field =
                static_cast<LONG>(SendMessageA(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
            const auto row = static_cast<LONG>(SendMessageA(list, CB_GETITEMHEIGHT, 0, 0));
            ASSERT_GT(row, 0);
            EXPECT_GE((dropped.bottom - dropped.top - field) / row, 12) << "list " << id;
        }
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
}

// Tab walks the lists that can be edited, velocity, instrument and octave
// lists in turn, then DECIDE and RESET, and comes round again; Shift+Tab
// walks back.
TEST(OptionDialog, TabWalksTheEditableLists) {
    KestoWindow kesto;
    const std::vector<int> order = {IDC_VELOCITY_LIST + 0,
                                    IDC_VELOCITY_LIST + 1,
                                    IDC_VELOCITY_LIST + 9,
                                    IDC_INSTRUMENT_LIST + 0,
                                    IDC_INSTRUMENT_LIST + 1,
                                    IDC_INSTRUMENT_LIST + 9,
                                    IDC_OCTAVE_LIST + 0,
                                    IDC_OCTAVE_LIST + 1,
                                    IDC_DECIDE,
                                    IDC_RESET,
                                    IDC_VELOCITY_LIST + 0};
    std::vector<int> forwards, backwards;
    withOptionDialog(kesto, [&](HWND dialog) {
        SetFocus(GetDlgItem(dialog, order[0]));
        for (std::size_t i = 1; i < order.size(); ++i) {
            tabIn(dialog, false);
            forwards.push_back(GetDlgCtrlID(GetFocus()));
        }
        for (std::size_t i = 1; i < order.size(); ++i) {
            tabIn(dialog, true);
            backwards.push_back(GetDlgCtrlID(GetFocus()));
        }
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(std::vector<int>(order.begin() + 1, order.end()), forwards);
    EXPECT_EQ(std::vector<int>(order.rbegin() + 1, order.rend()), backwards);
}

namespace {
std::string convertAnswer(const KestoWindow& kesto) {
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    return boxes.empty() ? "<no box>" : boxes[0].text;
}

void decide(HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, IDC_DECIDE, 0);
}
}  // namespace

// Convert converts again after the dialog ended with any setting other than
// before; an unchanged dialog, DECIDE included, leaves "Already Converted".
TEST(OptionDialog, ChangedSettingsMakeTheNextConvertConvertAgain) {
    KestoWindow kesto;
    const std::string confirmation = "Converted to [" + kesto.start.path("out.mid") + "]";
    // The first DECIDE stores the drum channel's instrument (none before): a change.
    withOptionDialog(kesto, decide);
    ASSERT_EQ(128, ConvertOptions.instrumentOverride[9]);
    EXPECT_EQ(0u, convertAnswer(kesto).find(confirmation));

    withOptionDialog(kesto, decide);
    EXPECT_EQ("Already Converted", convertAnswer(kesto)) << "DECIDE storing the same values";
    withOptionDialog(kesto, [](HWND dialog) {
        choose(dialog, IDC_VELOCITY_LIST + 0, 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ("Already Converted", convertAnswer(kesto)) << "closed without storing";

    const Bytes before = readFile("out.mid");
    withOptionDialog(kesto, [](HWND dialog) {
        choose(dialog, IDC_OCTAVE_LIST + 1, 2);
        decide(dialog);
    });
    EXPECT_EQ(0u, convertAnswer(kesto).find(confirmation));
    EXPECT_NE(before, readFile("out.mid"));

    withOptionDialog(kesto, [](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_RESET, 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0u, convertAnswer(kesto).find(confirmation)) << "RESET changed the settings";
    EXPECT_EQ(before, readFile("out.mid")) << "back to the first conversion's settings";
}
