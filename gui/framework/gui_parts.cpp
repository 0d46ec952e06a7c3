#include "gui_parts.h"

#include "text_copy.h"
#include "window_class.h"

_PartsID_ partsIdCounter = {FirstAutomaticIdBase};

void GUIParts::initParts(const char* windowClassName, HWND parent, int id, DWORD initialStyle) {
    copyText(className, windowClassName);
    parentWindow = parent;
    style = initialStyle;
    controlWindow = nullptr;
    exStyle = 0;
    colour.flags = 0;
    fontPending = 0;
    colourPending = 0;
    if (static_cast<unsigned>(id) < AutomaticIdLimit) id = ++partsIdCounter.nextPartsId;
    controlId = id;
}

HWND GUIParts::createControl(const char* text, int x, int y, int width, int height) {
    controlWindow =
        CreateWindowExA(exStyle, className, text, style, x, y, width, height, parentWindow,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instanceHandle, nullptr);
    if (controlWindow == nullptr) return nullptr;
    if (fontPending) {
        sendToControl(WM_SETFONT, reinterpret_cast<WPARAM>(font.fontHandle), FALSE);
        fontPending = 0;
    }
    if (colourPending) {
        colour.control = controlWindow;
        registerColourEntry();
    }
    return controlWindow;
}

LRESULT GUIParts::sendToControl(UINT message, WPARAM wParam, LPARAM lParam) {
    return controlWindow != nullptr ? SendMessageA(controlWindow, message, wParam, lParam) : 0;
}

BOOL GUIParts::enableControl(bool flag) {
    return EnableWindow(controlWindow, flag ? TRUE : FALSE);
}

BOOL GUIParts::setText(const char* text) {
    return SetWindowTextA(controlWindow, text);
}

int GUIParts::getText(char* buffer, int size) {
    return GetWindowTextA(controlWindow, buffer, size);
}

int GUIParts::textLength() {
    return GetWindowTextLengthA(controlWindow);
}

void GUIParts::setFont(int kind, int height, int fontEscapement) {
    font.setKind(kind);
    if (height != 0) {
        font.height = height;
        font.escapement = 0;
    }
    font.escapement = fontEscapement;
    applyFont();
}

void GUIParts::applyFont() {
    if (font.fontHandle == nullptr) font.createFont();
    fontPending = 0;
    if (controlWindow != nullptr)
        sendToControl(WM_SETFONT, reinterpret_cast<WPARAM>(font.fontHandle), FALSE);
    else
        fontPending = 1;
}

void GUIParts::setStockBrush(int index) {
    colour.brush = static_cast<HBRUSH>(GetStockObject(index));
    colour.flags |= ColourBrushBit;
}

void GUIParts::setTextColour(int red, int green, int blue) {
    colour.control = controlWindow;
    colour.textColour = static_cast<COLORREF>(red + green * 256 + blue * 65536);
    colour.flags |= ColourTextBit;
    if (!(colour.flags & ColourBrushBit)) setStockBrush(WHITE_BRUSH);
    colourPending = 0;
    registerColourEntry();
}

void GUIParts::registerColourEntry() {
    colourPending = 0;
    if (controlWindow == nullptr) {
        colourPending = 1;
        return;
    }
    WinApp* parent = WinApp::boundTo(parentWindow);
    if (parent != nullptr)
        parent->registerColour(colour);
    else
        // The parent binds its object at WM_CREATE; the entry waits in its queue until then.
        PostMessageA(parentWindow, WM_USER, RegisterColourCode, reinterpret_cast<LPARAM>(&colour));
}
