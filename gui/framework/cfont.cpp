#include "cfont.h"

#include "text_copy.h"

namespace {
// Japanese face names in Shift-JIS, as the system knows them.
const char MinchoFace[] = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";
const char GothicFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
const char DefaultFace[] = "FixedSys";
}  // namespace

CFONT::CFONT() : facePointer(face) {
    copyText(face, DefaultFace);
}

CFONT::~CFONT() {
    if (fontHandle != nullptr) DeleteObject(fontHandle);
}

HFONT CFONT::createFont() {
    if (fontHandle == nullptr)
        fontHandle =
            CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                        outputPrecision, clipPrecision, quality, pitchAndFamily, facePointer);
    return fontHandle;
}

void CFONT::setKind(int kind) {
    switch (kind) {
        case FontArial:
            copyText(face, "Arial");
            charSet = ANSI_CHARSET;
            pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
            break;
        case FontCourier:
            copyText(face, "Courier");
            charSet = ANSI_CHARSET;
            pitchAndFamily = VARIABLE_PITCH | FF_MODERN;
            break;
        case FontMincho:
            copyText(face, MinchoFace);
            break;
        case FontGothic:
            copyText(face, GothicFace);
            break;
        default:
            copyText(face, DefaultFace);
            break;
    }
}
