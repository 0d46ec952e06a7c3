#pragma once
#include <windows.h>
// After windows.h, whose types it uses.
#include <commdlg.h>

#include <cstddef>
#include <string>

constexpr int FilterCapacity = 32;
// The record without the later extension fields (OPENFILENAME_SIZE_VERSION_400A):
// 76 bytes in a 32-bit program, 136 in a 64-bit one. A size the system does not
// know makes the dialog calls fail at once, without showing anything.
constexpr DWORD FileDialogRecordSize =
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);
constexpr int DialogPathLimit = 256;
constexpr int FileTitleSize = 64;
constexpr DWORD OpenDialogFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
// An existing file is replaced without a question.
constexpr DWORD SaveDialogFlags = OFN_HIDEREADONLY;

// The two platform dialogs; tests put recorders in their place.
using FileDialogCall = BOOL(WINAPI*)(LPOPENFILENAMEA);
extern FileDialogCall openFileDialogCall;
extern FileDialogCall saveFileDialogCall;

// One named filter. The filter is given as "Name|*.ext||" and kept in the
// dialog's form: every "|" a NUL, ending in two NULs. An entry whose key or
// filter is empty is kept with all three texts empty.
struct FFSET {
    FFSET(const char* keyText, const char* filterText, const char* extension);

    char key[32] = {};
    char filter[512] = {};
    char defaultExt[32] = {};
};

// The middle of a long path replaced by "...", keeping a leading drive
// ("C:\"), so that the result has exactly max(length, 19) characters.
std::string shortenPath(const char* path, int length);

// The open and save dialogs with a table of named filters.
class FileDlg {
public:
    explicit FileDlg(HWND ownerWindow);
    FileDlg(const FileDlg&) = delete;
    FileDlg& operator=(const FileDlg&) = delete;
    ~FileDlg();

    bool addFilter(const char* key, const char* filter, const char* extension);
    // Copies the chosen file into target, which holds targetSize bytes;
    // a cancelled dialog leaves target as it was.
    bool chooseFile(const char* title, char* target, std::size_t targetSize, const char* key, bool isOpen);
    template <std::size_t N>
    bool chooseFile(const char* title, char (&target)[N], const char* key, bool isOpen) {
        return chooseFile(title, target, N, key, isOpen);
    }
    bool openFileDialog(const char* title, const char* filter);
    bool saveFileDialog(const char* title, const char* filter);
    std::string shortName(int length) const;
    void setPresetName(const char* name);

    OPENFILENAMEA record = {};
    char chosenPath[512] = {};
    char presetName[64] = {};
    char defaultExt[64] = {};
    char fileTitle[FileTitleSize] = {};
    char initialDir[256] = {};
    HWND owner;
    FFSET* filters[FilterCapacity] = {};
    int filterCount = 0;

private:
    const FFSET& filterFor(const char* key) const;
    void prepareRecord(const char* title, const char* filter, DWORD flags);
    bool runDialog(FileDialogCall call, const char* title, const char* filter, DWORD flags);
};
