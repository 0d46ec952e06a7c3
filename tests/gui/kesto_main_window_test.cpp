// kesto's main window driven as a user drives it: its controls, Convert with
// its "Already Converted" guard, the length box, the detection settings,
// dropped files and the failures of loading.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "cfont.h"
#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "job/process_records.h"
#include "kesto_window.h"
#include "main_controls.h"
#include "report/analysis_report.h"
#include "run_program.h"
#include "smf/vfile.h"
#include "startup.h"
#include "test_support.h"

namespace {
enum Font { SystemFont, Arial16, Gothic10 };

struct ControlRow {
    int id;
    const char* className;
    const char* text;
    RECT place;  // left, top, right, bottom in client pixels
    Font font;
    DWORD styleBits;    // must be set
    DWORD noStyleBits;  // must not be set
};

const ControlRow MainControlTable[] = {
    {ConvertId, "Button", "Convert", {651, 160, 751, 189}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {OptionId, "Button", "Option", {651, 190, 751, 219}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {PlayId, "Button", "Play", {651, 260, 751, 289}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {ToTextId, "Button", "MID->TXT", {656, 350, 746, 379}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {ToMidiId, "Button", "TXT->MID", {656, 380, 746, 409}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {LoadAfterId, "Button", "Load after Cvt", {660, 410, 750, 429}, Gothic10, BS_CHECKBOX, BS_AUTOCHECKBOX},
    {NoTimeDetectId, "Button", "NoTimeDet", {651, 30, 751, 59}, SystemFont, BS_CHECKBOX, BS_AUTOCHECKBOX},
    {Level0Id, "Button", "DETECT Lv0", {655, 60, 755, 89}, SystemFont, BS_RADIOBUTTON, BS_AUTORADIOBUTTON},
    {Level1Id, "Button", "DETECT Lv1", {655, 90, 755, 119}, SystemFont, BS_RADIOBUTTON, BS_AUTORADIOBUTTON},
    {Level2Id, "Button", "DETECT Lv2", {655, 120, 755, 149}, SystemFont, BS_RADIOBUTTON, BS_AUTORADIOBUTTON},
    {ReportLabelId, "Static", "Analysis Report", {10, 10, 210, 29}, Arial16, 0, WS_BORDER},
    {OutputLabelId, "Static", "Output File", {10, 410, 210, 429}, Arial16, 0, WS_BORDER},
    {LengthLabelId, "Static", "Length", {520, 410, 620, 439}, Arial16, 0, WS_BORDER},
    {ReportBoxId,
     "Edit",
     nullptr,
     {10, 30, 650, 410},
     Gothic10,
     WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
     WS_HSCROLL},
    {OutputBoxId,
     "Edit",
     nullptr,
     {10, 430, 460, 475},
     SystemFont,
     WS_BORDER | WS_HSCROLL,
     ES_MULTILINE | WS_VSCROLL | ES_READONLY},
    {BrowseId, "Button", "...", {461, 430, 511, 459}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {LengthBoxId,
     "Edit",
     "4800",
     {520, 430, 640, 459},
     SystemFont,
     WS_BORDER,
     ES_MULTILINE | WS_VSCROLL | WS_HSCROLL | ES_READONLY},
    {HandsetId, "Button", "Handset", {651, 220, 751, 249}, SystemFont, BS_PUSHBUTTON, BS_TYPEMASK},
    {HandsetLineId, "Static", "Handset: off", {651, 292, 755, 348}, Gothic10, 0, WS_BORDER},
};

std::string faceOf(Font font) {
    CFONT expected;
    expected.setKind(font == Arial16 ? FontArial : FontGothic);
    return expected.face;
}

void expectFont(HWND control, Font font) {
    const auto handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (font == SystemFont) {
        EXPECT_EQ(nullptr, handle);
        return;
    }
    LOGFONTA description = {};
    ASSERT_NE(0, GetObjectA(handle, sizeof description, &description));
    EXPECT_EQ(faceOf(font), description.lfFaceName);
    EXPECT_EQ(font == Arial16 ? 16 : 10, description.lfHeight);
    EXPECT_EQ(0, description.lfEscapement);
}

// The control objects of the window by id, for the styles they asked for:
// the edit control itself turns a border into an edge and drops the scroll
// bars of a single-line box.
std::map<int, GUIParts*> controlObjects() {
    MainControls& c = *mainControls;
    std::map<int, GUIParts*> objects;
    for (GUIParts* part : std::initializer_list<GUIParts*>{
             c.convertButton.get(), c.optionButton.get(), c.playButton.get(), c.toTextButton.get(),
             c.toMidiButton.get(), c.loadAfterBox.get(), c.noTimeDetectBox.get(), c.levelGroup->buttons[0],
             c.levelGroup->buttons[1], c.levelGroup->buttons[2], c.reportLabel.get(), c.outputLabel.get(),
             c.lengthLabel.get(), c.reportBox.get(), c.outputBox.get(), c.browseButton.get(),
             c.lengthBox.get(), c.handsetButton.get(), c.handsetLine.get()})
        objects[part->controlId] = part;
    return objects;
}

RECT clientPlace(HWND parent, HWND control) {
    RECT place = {};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

bool isChecked(const KestoWindow& kesto, int id) {
    return SendMessageA(kesto.control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

const char* const SourceCommands[] = {"Convert", "Option", "Play", "MID->TXT"};
const int SourceCommandIds[] = {ConvertId, OptionId, PlayId, ToTextId};

void expectSourceCommands(const KestoWindow& kesto, bool enabled) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(enabled, kesto.enabled(SourceCommandIds[i])) << SourceCommands[i];
}

std::string confirmation(const std::string& path, long length, int level) {
    return "Converted to [" + path + "]\nwith Delta_count=" + std::to_string(length) +
           "\nDETECT Level=" + std::to_string(level);
}

// The bytes the shared conversion writes with the options as they stand.
Bytes referenceConversion(int32_t length) {
    convertMidiFile("reference.mid", length);
    return readFile("reference.mid");
}

// Clicks Convert and returns the text of the one box it shows.
std::string convertOnce(const KestoWindow& kesto) {
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    if (boxes.empty()) return "<no box>";
    EXPECT_EQ("Confirm", boxes[0].caption);
    return boxes[0].text;
}

Bytes notMidi() {
    const std::string text = "RIFF this is a wave file, not a tune";
    return Bytes(text.begin(), text.end());
}
}  // namespace

TEST(KestoMainWindow, ControlsHaveTheirIdsClassesTextsPlacesFontsAndStyles) {
    KestoWindow kesto;
    std::map<int, GUIParts*> objects = controlObjects();
    ASSERT_EQ(19u, objects.size());
    for (const ControlRow& row : MainControlTable) {
        SCOPED_TRACE("control " + std::to_string(row.id));
        HWND control = kesto.control(row.id);
        ASSERT_NE(nullptr, control);
        char className[32] = {};
        GetClassNameA(control, className, sizeof className);
        EXPECT_STRCASEEQ(row.className, className);
        if (row.text != nullptr) {
            EXPECT_EQ(row.text, windowText(control));
        }
        const RECT place = clientPlace(kesto.window, control);
        EXPECT_EQ(row.place.left, place.left);
        EXPECT_EQ(row.place.top, place.top);
        EXPECT_EQ(row.place.right, place.right);
        EXPECT_EQ(row.place.bottom, place.bottom);
        EXPECT_TRUE(IsWindowEnabled(control));
        expectFont(control, row.font);
        ASSERT_EQ(control, objects[row.id]->handle());
        const DWORD style = objects[row.id]->style;
        EXPECT_EQ(row.styleBits, style & (row.styleBits | row.noStyleBits));
        EXPECT_EQ(style & WS_VISIBLE, static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & WS_VISIBLE);
    }
    EXPECT_EQ(nullptr, kesto.control(HandsetLineId + 1));
    EXPECT_TRUE(isChecked(kesto, Level1Id));
    EXPECT_FALSE(isChecked(kesto, NoTimeDetectId) || isChecked(kesto, LoadAfterId));
    EXPECT_EQ(kesto.start.path("out.mid"), kesto.text(OutputBoxId));
    EXPECT_EQ(0u, kesto.text(ReportBoxId).find("MIDI-FileName:" + kesto.start.path("test.mid") + "\r\n"));
}

namespace {
// Characters of text that the control's font has no glyph for: such text
// shows as empty boxes.
std::string missingGlyphs(HWND control, const std::string& text) {
    HDC context = GetDC(control);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(context, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    std::vector<WORD> glyphs(text.size() + 1);
    const DWORD found = GetGlyphIndicesA(context, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                         GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(context, previous);
    ReleaseDC(control, context);
    if (found == GDI_ERROR) return "<no glyph table> " + text;
    std::string missing;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF && static_cast<unsigned char>(text[i]) >= ' ') missing += text[i];
    return missing;
}
}  // namespace

TEST(KestoMainWindow, EveryCaptionCanBeDrawnInItsControlsFont) {
    KestoWindow kesto;
    for (const ControlRow& row : MainControlTable) {
        HWND control = kesto.control(row.id);
        EXPECT_EQ("", missingGlyphs(control, windowText(control))) << "control " << row.id;
    }
}

// The minimise, maximise, restore and close buttons of the caption are the
// glyphs "0", "1", "2" and "r" of Marlett; without that font they show as text.
TEST(KestoMainWindow, CaptionButtonsFindTheirSymbolFont) {
    KestoWindow kesto;
    HFONT marlett = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
    HDC context = GetDC(kesto.window);
    HGDIOBJ previous = SelectObject(context, marlett);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(context, sizeof face, face);
    WORD glyphs[4] = {};
    const DWORD found = GetGlyphIndicesA(context, "012r", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(context, previous);
    ReleaseDC(kesto.window, context);
    DeleteObject(marlett);
    EXPECT_STREQ("Marlett", face);
    ASSERT_EQ(4u, found);
    for (WORD glyph : glyphs) EXPECT_NE(0xFFFF, glyph);
}

// A read-only box asks for the colours of a static control, which by
// default would paint it grey.
TEST(KestoMainWindow, ReportBoxIsDarkGreenOnWhite) {
    KestoWindow kesto;
    HWND box = kesto.control(ReportBoxId);
    HDC context = GetDC(box);
    const UINT colourMessages[] = {WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC};
    for (UINT message : colourMessages) {
        SetTextColor(context, RGB(1, 2, 3));
        const LRESULT brush = SendMessageA(kesto.window, message, reinterpret_cast<WPARAM>(context),
                                           reinterpret_cast<LPARAM>(box));
        EXPECT_EQ(RGB(0, 127, 0), GetTextColor(context)) << message;
        EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)), brush) << message;
    }
    ReleaseDC(box, context);
    // Right of the report's lines the box shows its background.
    UpdateWindow(kesto.window);
    RECT client = {};
    GetClientRect(box, &client);
    context = GetDC(box);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(context, client.right - 4, client.bottom / 2));
    ReleaseDC(box, context);
}

namespace {
// What a user sees of the loaded tune and its settings, and what the next
// Convert reads.
struct WindowState {
    std::vector<std::string> texts;
    std::vector<bool> enabled;
    std::vector<bool> checked;
    std::string source;
    int convertedFlag;
    std::vector<int32_t> options;
};

auto fieldsOf(const WindowState& state) {
    return std::tie(state.texts, state.enabled, state.checked, state.source, state.convertedFlag,
                    state.options);
}

void expectSameState(const WindowState& before, const WindowState& after) {
    EXPECT_EQ(fieldsOf(before), fieldsOf(after));
}

WindowState stateOf(const KestoWindow& kesto) {
    WindowState state;
    for (int id = ConvertId; id <= LengthBoxId; ++id) {
        state.texts.push_back(windowText(kesto.control(id)));
        state.enabled.push_back(kesto.enabled(id));
        state.checked.push_back(isChecked(kesto, id));
    }
    state.source = sourcePath;
    state.convertedFlag = converted;
    for (int ch = 0; ch < 16; ++ch)
        state.options.insert(state.options.end(),
                             {ConvertOptions.velocityOffset[ch], ConvertOptions.instrumentOverride[ch],
                              ConvertOptions.octaveShift[ch], ConvertOptions.channelUsed[ch],
                              ConvertOptions.firstProgram[ch]});
    state.options.insert(state.options.end(), {ConvertOptions.analysedLength, ConvertOptions.tuneLength});
    return state;
}

// The tune loaded at the start, converted by quavel with options, is what kesto wrote.
void expectQuavelWrote(const std::string& options, const std::string& written) {
    const ProgramRun quavel = runProgram(QUAVEL_PROGRAM, options + " test.mid console.mid");
    ASSERT_EQ(0, quavel.status) << quavel.output;
    EXPECT_EQ(readFile("console.mid"), readFile(written));
}

// Drops names and returns the one box the drop shows.
BoxText dropRefused(const KestoWindow& kesto, const std::vector<std::string>& names) {
    ModalDriver driver;
    driver.expectBox();
    kesto.drop(names);
    EXPECT_TRUE(driver.unexpected.empty());
    return driver.seen.empty() ? BoxText{"<no box>", ""} : driver.seen[0];
}

// A window whose tune has been converted with settings of the user's own.
void setUpOwnSettings(KestoWindow& kesto) {
    kesto.click(Level2Id);
    kesto.setText(OutputBoxId, kesto.start.path("typed.mid"));
    kesto.setText(LengthBoxId, "1920");
    ConvertOptions.velocityOffset[1] = 0xF0;
    ConvertOptions.instrumentOverride[1] = 5;
    EXPECT_EQ(confirmation(kesto.start.path("typed.mid"), 1920, 2), convertOnce(kesto));
}
}  // namespace

TEST(KestoMainWindow, StartWithoutTestMidDisablesTheSourceCommandsUntilAFileIsDropped) {
    KestoWindow kesto("", 1);
    ASSERT_EQ(1u, kesto.startBoxes.size());
    EXPECT_EQ("Notice!", kesto.startBoxes[0].caption);
    EXPECT_EQ("Cannot open source file", kesto.startBoxes[0].text);
    expectSourceCommands(kesto, false);
    EXPECT_TRUE(kesto.enabled(ToMidiId));
    EXPECT_EQ("", kesto.text(ReportBoxId));

    writeFile("wave.mid", notMidi());
    EXPECT_EQ("KESTO Error", dropRefused(kesto, {kesto.start.path("wave.mid")}).caption);
    expectSourceCommands(kesto, false);
    EXPECT_EQ("", kesto.text(ReportBoxId));

    writeFile("later.mid", readFile(KESTO_EXAMPLE_TUNE));
    kesto.drop({kesto.start.path("later.mid")});
    expectSourceCommands(kesto, true);
    EXPECT_EQ(kesto.start.path("later.mid"), sourcePath);
}

TEST(KestoMainWindow, ConvertWritesWhatQuavelWritesThenOnlySaysAlreadyConverted) {
    KestoWindow kesto;
    const std::string output = kesto.start.path("out.mid");
    EXPECT_EQ(confirmation(output, 4800, 1), convertOnce(kesto));
    const ProgramRun quavel = runProgram(QUAVEL_PROGRAM, "test.mid console.mid");
    ASSERT_EQ(0, quavel.status) << quavel.output;
    EXPECT_EQ(readFile("console.mid"), readFile(output));

    DeleteFileA(output.c_str());
    EXPECT_EQ("Already Converted", convertOnce(kesto));
    EXPECT_FALSE(fileExists(output));

    // Channel options alone do not count as a change.
    ConvertOptions.velocityOffset[0] = 0xFF;
    ConvertOptions.instrumentOverride[1] = 5;
    EXPECT_EQ("Already Converted", convertOnce(kesto));

    kesto.setText(LengthBoxId, "960");
    kesto.click(Level2Id);
    EXPECT_EQ(confirmation(output, 960, 2), convertOnce(kesto));
    const ProgramRun options = runProgram(QUAVEL_PROGRAM, "-D2 -T960 -V0:FF -I1:05 test.mid console.mid");
    ASSERT_EQ(0, options.status) << options.output;
    EXPECT_EQ(readFile("console.mid"), readFile(output));
    EXPECT_EQ("960", kesto.text(LengthBoxId));
}

TEST(KestoMainWindow, ANewOutputLengthOrLevelConvertsAgain) {
    KestoWindow kesto;
    convertOnce(kesto);

    kesto.setText(OutputBoxId, kesto.start.path("typed.mid"));
    EXPECT_EQ(confirmation(kesto.start.path("typed.mid"), 4800, 1), convertOnce(kesto));
    EXPECT_TRUE(fileExists("typed.mid"));

    kesto.dialogs.answers = {kesto.start.path("browsed.mid")};
    kesto.click(BrowseId);
    EXPECT_EQ("Select Output MIDI file", kesto.dialogs.titles.at(0));
    EXPECT_EQ(kesto.start.path("browsed.mid"), kesto.text(OutputBoxId));
    EXPECT_EQ(confirmation(kesto.start.path("browsed.mid"), 4800, 1), convertOnce(kesto));

    kesto.dialogs.answers = {""};  // cancelled: nothing changes
    kesto.click(BrowseId);
    EXPECT_EQ(kesto.start.path("browsed.mid"), kesto.text(OutputBoxId));
    EXPECT_EQ("Already Converted", convertOnce(kesto));

    kesto.setText(LengthBoxId, "1920");
    EXPECT_EQ(confirmation(kesto.start.path("browsed.mid"), 1920, 1), convertOnce(kesto));

    kesto.click(Level1Id);  // even the level already chosen
    EXPECT_EQ(confirmation(kesto.start.path("browsed.mid"), 1920, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(1920), readFile("browsed.mid"));
}

TEST(KestoMainWindow, LengthThatIsNotAPositiveNumberCountsAs7680AndStaysInTheBox) {
    KestoWindow kesto;
    kesto.setText(LengthBoxId, "0");
    EXPECT_EQ(confirmation(kesto.start.path("out.mid"), 7680, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(7680), readFile("out.mid"));
    // Each of these is 7680 again, so nothing changed since the last Convert.
    for (const char* text : {"-5", "abc", "", " -0"}) {
        kesto.setText(LengthBoxId, text);
        EXPECT_EQ("Already Converted", convertOnce(kesto)) << '"' << text << '"';
        EXPECT_EQ(text, kesto.text(LengthBoxId));
    }
    kesto.setText(LengthBoxId, " 12abc");
    EXPECT_EQ(confirmation(kesto.start.path("out.mid"), 12, 1), convertOnce(kesto));
    kesto.setText(LengthBoxId, "99999999999999999");
    EXPECT_EQ(confirmation(kesto.start.path("out.mid"), 2147483647, 1), convertOnce(kesto));
}

TEST(KestoMainWindow, EmptyOutputBoxConvertsAndShowsNothing) {
    KestoWindow kesto;
    kesto.setText(OutputBoxId, "");
    kesto.clickAnswering(ConvertId, 0);
    EXPECT_FALSE(fileExists("out.mid"));
    EXPECT_STREQ("", outputPath);
}

TEST(KestoMainWindow, NoTimeDetDisablesTheLevelsAndReachesTheConversion) {
    KestoWindow kesto;
    kesto.click(NoTimeDetectId);
    EXPECT_TRUE(isChecked(kesto, NoTimeDetectId));
    EXPECT_EQ(1, ConvertOptions.noTimeDetect);
    for (int id : {Level0Id, Level1Id, Level2Id}) EXPECT_FALSE(kesto.enabled(id));
    convertOnce(kesto);
    EXPECT_EQ(referenceConversion(4800), readFile("out.mid"));
    ConvertOptions.noTimeDetect = 0;
    EXPECT_NE(referenceConversion(4800), readFile("out.mid")) << "the example must show the difference";

    kesto.click(NoTimeDetectId);
    EXPECT_FALSE(isChecked(kesto, NoTimeDetectId));
    EXPECT_EQ(0, ConvertOptions.noTimeDetect);
    for (int id : {Level0Id, Level1Id, Level2Id}) EXPECT_TRUE(kesto.enabled(id));
}

TEST(KestoMainWindow, LevelButtonsCheckOneAndLoadAfterCvtToggles) {
    KestoWindow kesto;
    kesto.click(Level0Id);
    EXPECT_TRUE(isChecked(kesto, Level0Id));
    EXPECT_FALSE(isChecked(kesto, Level1Id) || isChecked(kesto, Level2Id));
    EXPECT_EQ(confirmation(kesto.start.path("out.mid"), 4800, 0), convertOnce(kesto));
    EXPECT_EQ(0, ConvertOptions.detectLevel);

    kesto.click(LoadAfterId);
    EXPECT_TRUE(isChecked(kesto, LoadAfterId));
    kesto.click(LoadAfterId);
    EXPECT_FALSE(isChecked(kesto, LoadAfterId));
}

TEST(KestoMainWindow, DropLoadsTheFirstMidiNameInAnyCaseAndOtherDropsChangeNothing) {
    KestoWindow kesto;
    convertOnce(kesto);
    writeFile("second.MID", readFile(KESTO_EXAMPLE_TUNE));
    writeFile("third.mid", readFile(KESTO_EXAMPLE_TUNE));
    kesto.drop(
        {kesto.start.path("notes.txt"), kesto.start.path("second.MID"), kesto.start.path("third.mid")});
    EXPECT_EQ(kesto.start.path("second.MID"), sourcePath);
    EXPECT_EQ(0u, kesto.text(ReportBoxId).find("MIDI-FileName:" + kesto.start.path("second.MID")));
    EXPECT_NE("Already Converted", convertOnce(kesto)) << "a dropped file is converted anew";

    kesto.drop({kesto.start.path("notes.txt"), kesto.start.path("tune.midi")});
    EXPECT_EQ(kesto.start.path("second.MID"), sourcePath);
    EXPECT_EQ("Already Converted", convertOnce(kesto));
}

TEST(KestoMainWindow, UnreadableDroppedFileLeavesTheLoadedTuneAndItsSettings) {
    KestoWindow kesto;
    setUpOwnSettings(kesto);
    const WindowState before = stateOf(kesto);
    const std::string missing = kesto.start.path("missing.mid");
    const BoxText box = dropRefused(kesto, {kesto.start.path("notes.txt"), missing});
    EXPECT_EQ("Notice!", box.caption);
    EXPECT_EQ("Cannot open source file\n[" + missing + "]", box.text);
    expectSameState(before, stateOf(kesto));
    EXPECT_EQ("Already Converted", convertOnce(kesto)) << "nothing changed";
    kesto.setText(LengthBoxId, "960");
    convertOnce(kesto);
    expectQuavelWrote("-D2 -T960 -V1:F0 -I1:05", "typed.mid");
}

// A file that is not a MIDI file is the user's to replace: the window stays
// with the tune it had, its report and its settings, and the lock.
TEST(KestoMainWindow, RefusedHeaderOfADroppedFileLeavesTheLoadedTuneAndItsReport) {
    KestoWindow kesto;
    AppProfile::writeBootValue(appProfile.profileFile, false);
    setUpOwnSettings(kesto);
    const WindowState before = stateOf(kesto);
    const std::string report = readText("quavel.log");
    writeFile("wave.mid", notMidi());
    const BoxText box = dropRefused(kesto, {kesto.start.path("wave.mid")});
    EXPECT_EQ("KESTO Error", box.caption);
    EXPECT_EQ("this is not midi\n[" + kesto.start.path("wave.mid") + "]", box.text);
    drainMessages();
    ASSERT_TRUE(IsWindow(kesto.window));
    EXPECT_EQ(0, AppProfile::readBootValue(appProfile.profileFile)) << "the lock stays taken";
    expectSameState(before, stateOf(kesto));
    EXPECT_EQ(report, readText("quavel.log"));
    DeleteFileA("typed.mid");
    kesto.setText(OutputBoxId, kesto.start.path("again.mid"));
    convertOnce(kesto);
    expectQuavelWrote("-D2 -T1920 -V1:F0 -I1:05", "again.mid");

    writeFile("good.mid", readFile(KESTO_EXAMPLE_TUNE));
    kesto.drop({kesto.start.path("good.mid")});
    EXPECT_EQ(kesto.start.path("good.mid"), sourcePath);
    EXPECT_EQ(0, ConvertOptions.velocityOffset[1]) << "a tune that loads starts afresh";
}

TEST(KestoMainWindow, RefusedStartFileLeavesTheWindowOpenWithNothingToConvert) {
    const Bytes wave = notMidi();
    KestoWindow kesto(std::string(wave.begin(), wave.end()), 1);
    ASSERT_EQ(1u, kesto.startBoxes.size());
    EXPECT_EQ("KESTO Error", kesto.startBoxes[0].caption);
    drainMessages();
    ASSERT_TRUE(IsWindow(kesto.window));
    expectSourceCommands(kesto, false);
    EXPECT_TRUE(kesto.enabled(ToMidiId));
}

namespace {
// A tune whose analysis report has exactly size characters: text events of
// filler lines, then one whose text takes up the rest.
Bytes tuneWithReportSize(int32_t size) {
    auto tune = [](int fillers, int lastLength) {
        Bytes body;
        const Bytes filler = concat({{0x00, 0xFF, 0x01, 60}, Bytes(60, 'f')});
        for (int i = 0; i < fillers; ++i) body.insert(body.end(), filler.begin(), filler.end());
        body.insert(body.end(), {0x00, 0xFF, 0x01, static_cast<uint8_t>(lastLength)});
        body.insert(body.end(), static_cast<size_t>(lastLength), 'x');
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        return smfFile(0, 480, {body});
    };
    auto reportSize = [](const Bytes& bytes) {
        loadSource(bytes, "measure.mid");
        writeAnalysisReport("C:\\m.mid", "");
        return static_cast<int32_t>(reportCopy.size);
    };
    const int32_t bare = reportSize(tune(0, 0));
    const int32_t perFiller = reportSize(tune(1, 0)) - bare;
    const int fillers = (size - bare) / perFiller;
    const int32_t rest = size - reportSize(tune(fillers, 0));
    return tune(fillers, rest);
}

std::string reportShownFor(const Bytes& tune) {
    KestoWindow kesto;
    writeFile("long.mid", tune);
    kesto.drop({kesto.start.path("long.mid")});
    return windowText(kesto.control(ReportBoxId));
}
}  // namespace

namespace {
// Where the report of a dropped "long.mid" goes, and its first line's name.
struct LongReportFiles {
    std::string folder = currentDirectory() + "\\kesto_KestoMainWindow_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::string sourceName = folder + "\\long.mid";
    std::string reportName = folder + "\\quavel.log";
    // The display name in the report is the dropped path, longer than the measuring one.
    Bytes tune(int32_t reportSize) const {
        return tuneWithReportSize(reportSize -
                                  static_cast<int32_t>(sourceName.size() - std::strlen("C:\\m.mid")));
    }
    std::string note() const {
        return "[" + sourceName + "] Analysis Log too long.\r\nPlease look at the report file..[" +
               reportName + "].\r\n\r\n";
    }
    std::string cutNote() const { return "(cut here; the whole report is in [" + reportName + "])"; }
};

constexpr std::size_t Mebibyte = 1024 * 1024;
}  // namespace

// However long a report the box can show is shown alone, as a short one.
TEST(KestoMainWindow, ReportOfAMebibyteOrLessIsShownAloneAndWhole) {
    const LongReportFiles files;
    for (std::size_t size : {std::size_t{32759}, std::size_t{32760}, Mebibyte}) {
        SCOPED_TRACE(size);
        const std::string shown = reportShownFor(files.tune(static_cast<int32_t>(size)));
        const std::string report = readText(files.reportName);
        ASSERT_EQ(size, report.size());
        EXPECT_EQ(0u, shown.find("MIDI-FileName:" + files.sourceName));
        EXPECT_TRUE(shown == report) << "shown " << shown.size() << " of " << report.size() << " characters";
    }
}

TEST(KestoMainWindow, LongerReportFollowsANoteNamingTheReportFileUpToItsLastWholeLineWithin) {
    const LongReportFiles files;
    const std::string cut = reportShownFor(files.tune(Mebibyte + 1));
    const std::string longer = readText(files.reportName);
    ASSERT_EQ(Mebibyte + 1, longer.size());
    ASSERT_EQ(0u, cut.find(files.note()));
    ASSERT_GE(cut.size(), files.note().size() + files.cutNote().size());
    const std::size_t partSize = cut.size() - files.note().size() - files.cutNote().size();
    const std::string part = cut.substr(files.note().size(), partSize);
    EXPECT_EQ(files.cutNote(), cut.substr(files.note().size() + partSize));
    EXPECT_EQ(longer.substr(0, partSize), part);
    ASSERT_GE(partSize, 2u);
    EXPECT_EQ("\r\n", part.substr(partSize - 2)) << "the part ends with a whole line";
    EXPECT_GT(longer.find("\r\n", partSize) + 2, Mebibyte) << "the next line would not have fitted";
}

// A mistyped folder is the user's to correct: the window stays with its
// settings and the lock, and Convert works once the path is right.
TEST(KestoMainWindow, FailedConversionShowsOnlyTheErrorAndIsNotTakenAsDone) {
    KestoWindow kesto;
    AppProfile::writeBootValue(appProfile.profileFile, false);
    kesto.setText(LengthBoxId, "1920");
    kesto.setText(OutputBoxId, kesto.start.path("no such folder\\out.mid"));
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("KESTO Error", boxes[0].caption);
    EXPECT_EQ("Cannot open dest file", boxes[0].text);
    EXPECT_EQ(0, converted);
    drainMessages();
    ASSERT_TRUE(IsWindow(kesto.window));
    EXPECT_EQ(0, AppProfile::readBootValue(appProfile.profileFile)) << "the lock stays taken";
    EXPECT_EQ("1920", kesto.text(LengthBoxId));
    expectSourceCommands(kesto, true);

    kesto.setText(OutputBoxId, kesto.start.path("fixed.mid"));
    EXPECT_EQ(confirmation(kesto.start.path("fixed.mid"), 1920, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(1920), readFile("fixed.mid"));
}

namespace {
// The names in the current folder.
std::vector<std::string> folderNames() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA("*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// Convert with a refused output: only the error box, and the window stays.
void expectRefusedConvert(const KestoWindow& kesto, const std::string& message) {
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("KESTO Error", boxes[0].caption);
    EXPECT_EQ(message, boxes[0].text);
    EXPECT_EQ(0, converted);
    drainMessages();
    EXPECT_TRUE(IsWindow(kesto.window));
}
}  // namespace

// A name cut to the path buffer would name another file: "...wend.mi".
TEST(KestoMainWindow, OutputNameLongerThan255CharactersIsRefusedAndNothingIsWritten) {
    KestoWindow kesto;
    const std::string folder = kesto.start.folder + "\\";
    auto nameOfLength = [&](std::size_t length) {
        return folder + std::string(length - folder.size() - 8, 'w') + "wend.mid";
    };
    const std::vector<std::string> before = folderNames();
    kesto.setText(OutputBoxId, nameOfLength(256));
    expectRefusedConvert(kesto, "Output file name too long");
    EXPECT_EQ(before, folderNames());
    EXPECT_EQ(nameOfLength(256), kesto.text(OutputBoxId)) << "the name stays for the user to shorten";

    kesto.setText(OutputBoxId, nameOfLength(255));
    EXPECT_EQ(confirmation(nameOfLength(255), 4800, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(4800), readFile(nameOfLength(255)));
}

TEST(KestoMainWindow, ConvertOntoTheLoadedTuneUnderAnySpellingIsRefused) {
    KestoWindow kesto;
    const Bytes tune = readFile("test.mid");
    CreateDirectoryA("sub", nullptr);
    std::string slashed = kesto.start.path("test.mid");
    for (char& c : slashed)
        if (c == '\\') c = '/';
    for (const std::string& spelling :
         {kesto.start.path("test.mid"), std::string("test.mid"), std::string(".\\test.mid"),
          kesto.start.path("TEST.MID"), kesto.start.path("sub\\..\\test.mid"), slashed}) {
        SCOPED_TRACE(spelling);
        kesto.setText(OutputBoxId, spelling);
        expectRefusedConvert(kesto, "Cannot out to this_file. so no converted.");
        EXPECT_EQ(tune, readFile("test.mid"));
    }
    kesto.dialogs.answers = {kesto.start.path("test.mid")};
    kesto.click(BrowseId);
    expectRefusedConvert(kesto, "Cannot out to this_file. so no converted.");
    EXPECT_EQ(tune, readFile("test.mid"));

    kesto.setText(OutputBoxId, kesto.start.path("other.mid"));
    EXPECT_EQ(confirmation(kesto.start.path("other.mid"), 4800, 1), convertOnce(kesto));
}

namespace {
// What typing sends: one WM_CHAR per character.
void type(HWND box, const std::string& text) {
    for (char c : text) SendMessageA(box, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}
}  // namespace

// A name wider than the output box is typed whole, not cut at its right edge;
// so is a length wider than its box.
TEST(KestoMainWindow, TypedTextWiderThanItsBoxIsKeptWhole) {
    KestoWindow kesto;
    const std::string folder = "folder_" + std::string(49, 'd');
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    const std::string output = kesto.start.path(folder + "\\sub\\long_output_name.mid");
    kesto.setText(OutputBoxId, "");
    type(kesto.control(OutputBoxId), output);
    kesto.setText(LengthBoxId, "");
    type(kesto.control(LengthBoxId), "000000000000000960");
    EXPECT_EQ(output, kesto.text(OutputBoxId));
    EXPECT_EQ(confirmation(output, 960, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(960), readFile(output));

    // Editing the end of a long name keeps the rest of it.
    SendMessageA(kesto.control(OutputBoxId), WM_KEYDOWN, VK_END, 1);
    type(kesto.control(OutputBoxId), "\b\b\bmid2");
    EXPECT_EQ(output.substr(0, output.size() - 3) + "mid2", kesto.text(OutputBoxId));
}

// A Convert after a change of what the conversion reads converts again.
TEST(KestoMainWindow, TogglingNoTimeDetConvertsAgain) {
    KestoWindow kesto;
    convertOnce(kesto);
    kesto.click(NoTimeDetectId);
    EXPECT_EQ(confirmation(kesto.start.path("out.mid"), 4800, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(4800), readFile("out.mid"));
    EXPECT_EQ("Already Converted", convertOnce(kesto));
    kesto.click(NoTimeDetectId);
    EXPECT_EQ(confirmation(kesto.start.path("out.mid"), 4800, 1), convertOnce(kesto));
    EXPECT_EQ(referenceConversion(4800), readFile("out.mid"));
}

namespace {
// Each control of window lies inside its client area.
void expectEveryControlInside(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT place = clientPlace(window, child);
        EXPECT_LE(place.right, client.right) << "control " << GetDlgCtrlID(child);
        EXPECT_LE(place.bottom, client.bottom) << "control " << GetDlgCtrlID(child);
    }
}
}  // namespace

TEST(KestoMainWindow, WindowShrinksNoFurtherThanItsControlsReach) {
    KestoWindow kesto;
    SetWindowPos(kesto.window, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    expectEveryControlInside(kesto.window);
    RECT shrunk = {};
    GetWindowRect(kesto.window, &shrunk);
    MINMAXINFO limits = {};
    SendMessageA(kesto.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, shrunk.right - shrunk.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, shrunk.bottom - shrunk.top);
    // Only as large as the controls need: the level buttons reach 755, the output box 475.
    RECT client = {};
    GetClientRect(kesto.window, &client);
    EXPECT_EQ(755, client.right);
    EXPECT_EQ(475, client.bottom);
}

namespace {
// Where a control of the table stands once the client area is wider by
// dx and higher by dy than at the start.
RECT placeAfterResize(const ControlRow& row, int dx, int dy) {
    RECT place = row.place;
    // The button column, the Handset button and its line included.
    if (row.id <= Level2Id || row.id >= HandsetId) {
        OffsetRect(&place, dx, 0);
    } else if (row.id == ReportBoxId) {
        place.right += dx;
        place.bottom += dy;
    } else if (row.id != ReportLabelId) {
        OffsetRect(&place, 0, dy);
    }
    return place;
}

void expectPlacesAfterResize(const KestoWindow& kesto, int dx, int dy) {
    for (const ControlRow& row : MainControlTable) {
        const RECT expected = placeAfterResize(row, dx, dy);
        const RECT place = clientPlace(kesto.window, kesto.control(row.id));
        EXPECT_TRUE(EqualRect(&expected, &place))
            << "control " << row.id << " at " << place.left << "," << place.top << "-" << place.right << ","
            << place.bottom << " after growing by " << dx << "," << dy;
    }
}

SIZE clientSize(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void growWindow(HWND window, int dx, int dy) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

// The buttons keep their distance to the right edge, the output row its
// distance to the bottom edge, and the report box takes the rest.
TEST(KestoMainWindow, ResizedWindowMovesTheButtonsAndTheOutputRowAndGivesTheReportTheRest) {
    KestoWindow kesto;
    const SIZE start = clientSize(kesto.window);
    growWindow(kesto.window, 200, 150);
    expectPlacesAfterResize(kesto, 200, 150);

    ShowWindow(kesto.window, SW_MAXIMIZE);
    const SIZE maximised = clientSize(kesto.window);
    EXPECT_GT(maximised.cx, start.cx + 200);
    expectPlacesAfterResize(kesto, maximised.cx - start.cx, maximised.cy - start.cy);
    ShowWindow(kesto.window, SW_RESTORE);
    expectPlacesAfterResize(kesto, 200, 150);
    ShowWindow(kesto.window, SW_MINIMIZE);
    ShowWindow(kesto.window, SW_RESTORE);
    expectPlacesAfterResize(kesto, 200, 150);

    growWindow(kesto.window, -200, -150);
    ASSERT_EQ(start.cx, clientSize(kesto.window).cx);
    expectPlacesAfterResize(kesto, 0, 0);
}
