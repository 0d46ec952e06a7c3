#pragma once
#include <windows.h>

#include "cfont.h"
#include "win_app.h"

// The counter of automatic control ids: the last id given.
struct _PartsID_ {
    int nextPartsId;
};
extern _PartsID_ partsIdCounter;

constexpr int FirstAutomaticIdBase = 6000;
// Ids below this (taken as unsigned) are replaced by the next automatic id.
constexpr unsigned AutomaticIdLimit = 100;

// A child control of a WinApp window. The object is made first (and takes
// its id then); styles, font and colour may be set before or after the
// window is created: what is set before is applied at creation.
class GUIParts {
public:
    GUIParts() = default;
    GUIParts(const GUIParts&) = delete;
    GUIParts& operator=(const GUIParts&) = delete;
    virtual ~GUIParts() = default;

    void initParts(const char* windowClassName, HWND parent, int id, DWORD initialStyle);
    HWND createControl(const char* text, int x, int y, int width, int height);

    HWND handle() const { return controlWindow; }
    bool hasId(WPARAM value) const { return value == static_cast<WPARAM>(controlId); }
    LRESULT sendToControl(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL enableControl(bool flag);
    BOOL setText(const char* text);
    int getText(char* buffer, int size);
    // The characters of the text, without the terminating NUL.
    int textLength();
    void addStyle(DWORD bits) { style |= bits; }
    void removeStyle(DWORD bits) { style &= ~bits; }

    void setFont(int kind, int height, int fontEscapement);
    void applyFont();
    void setTextColour(int red, int green, int blue);
    void setStockBrush(int index);

    HWND controlWindow = nullptr;
    HWND parentWindow = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    int controlId = 0;
    char className[64] = {};
    ColourEntry colour = {};
    int fontPending = 0;
    int colourPending = 0;
    CFONT font;

private:
    void registerColourEntry();
};
