#pragma once
#include <windows.h>

// The faces setFont offers; any other value means "FixedSys".
enum FontKind { FontArial = 0, FontCourier = 1, FontMincho = 2, FontGothic = 3 };

// A font described by the arguments of CreateFontA (in their order) and
// created once, on first use.
class CFONT {
public:
    CFONT();
    CFONT(const CFONT&) = delete;
    CFONT& operator=(const CFONT&) = delete;
    ~CFONT();

    HFONT createFont();
    // Face, character set and pitch of one of the kinds.
    void setKind(int kind);

    const char* facePointer;
    HFONT fontHandle = nullptr;
    char face[128] = {};
    int height = 16;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = FW_NORMAL;
    DWORD italic = 0;
    DWORD underline = 0;
    DWORD strikeOut = 0;
    DWORD charSet = SHIFTJIS_CHARSET;
    DWORD outputPrecision = 0;
    DWORD clipPrecision = 0;
    DWORD quality = PROOF_QUALITY;
    DWORD pitchAndFamily = FIXED_PITCH | FF_MODERN;
};
