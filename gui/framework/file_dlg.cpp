#include "file_dlg.h"

#include <cstring>

#include "text_copy.h"

FileDialogCall openFileDialogCall = GetOpenFileNameA;
FileDialogCall saveFileDialogCall = GetSaveFileNameA;

namespace {
constexpr int KeyLimit = 30;
constexpr int FilterLimit = 510;
constexpr int ExtensionLimit = 30;
constexpr int ShortestShortName = 19;
const char Ellipsis[] = "...";

// "A|*.a||" becomes "A\0*.a\0\0": the dialog's list of pairs.
void toDialogFilter(char* filter) {
    const std::size_t length = std::strlen(filter);
    const bool endsWithBar = length > 0 && filter[length - 1] == '|';
    for (std::size_t i = 0; i < length; ++i)
        if (filter[i] == '|') filter[i] = '\0';
    if (!endsWithBar) filter[length + 1] = '\0';
}

bool hasDrive(const char* path) {
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}
}  // namespace

FFSET::FFSET(const char* keyText, const char* filterText, const char* extension) {
    copyText(key, KeyLimit + 1, keyText);
    copyText(filter, FilterLimit + 1, filterText);
    copyText(defaultExt, ExtensionLimit + 1, extension);
    if (key[0] != '\0' && filter[0] != '\0') {
        toDialogFilter(filter);
    } else {
        key[0] = '\0';
        filter[0] = '\0';
        defaultExt[0] = '\0';
    }
}

std::string shortenPath(const char* path, int length) {
    if (path == nullptr) return std::string();
    if (length < ShortestShortName) length = ShortestShortName;
    const std::size_t keep = static_cast<std::size_t>(length);
    const std::size_t pathLength = std::strlen(path);
    if (pathLength <= keep) return path;
    std::string result(path + pathLength - keep);
    std::size_t ellipsisAt = 0;
    if (hasDrive(path)) {
        result.replace(0, 3, path, 3);
        ellipsisAt = 3;
    }
    result.replace(ellipsisAt, 3, Ellipsis);
    return result;
}

FileDlg::FileDlg(HWND ownerWindow) : owner(ownerWindow) {
    record.lStructSize = FileDialogRecordSize;
    filters[0] = new FFSET("DEFAULT", "All Files|*.*|", "");
    filterCount = 1;
}

FileDlg::~FileDlg() {
    for (int i = 0; i < filterCount; ++i) delete filters[i];
}

bool FileDlg::addFilter(const char* key, const char* filter, const char* extension) {
    if (filterCount >= FilterCapacity) return false;
    auto* entry = new FFSET(key, filter, extension);
    // A key that was cut no longer equals the one asked for: refused too.
    if (entry->key[0] == '\0' || key == nullptr || std::strcmp(entry->key, key) != 0) {
        delete entry;
        return false;
    }
    filters[filterCount++] = entry;
    return true;
}

const FFSET& FileDlg::filterFor(const char* key) const {
    for (int i = 0; i < filterCount; ++i)
        if (key != nullptr && std::strcmp(filters[i]->key, key) == 0) return *filters[i];
    return *filters[0];
}

bool FileDlg::chooseFile(const char* title, char* target, std::size_t targetSize, const char* key,
                         bool isOpen) {
    const FFSET& entry = filterFor(key);
    copyText(defaultExt, entry.defaultExt);
    const bool chosen = isOpen ? openFileDialog(title, entry.filter) : saveFileDialog(title, entry.filter);
    if (!chosen || chosenPath[0] == '\0') return false;
    copyText(target, targetSize, chosenPath);
    return true;
}

bool FileDlg::openFileDialog(const char* title, const char* filter) {
    return runDialog(openFileDialogCall, title, filter, OpenDialogFlags);
}

bool FileDlg::saveFileDialog(const char* title, const char* filter) {
    return runDialog(saveFileDialogCall, title, filter, SaveDialogFlags);
}

void FileDlg::prepareRecord(const char* title, const char* filter, DWORD flags) {
    chosenPath[0] = '\0';
    fileTitle[0] = '\0';
    if (presetName[0] != '\0') {
        copyText(chosenPath, presetName);
        presetName[0] = '\0';
    }
    record = OPENFILENAMEA{};
    record.lStructSize = FileDialogRecordSize;
    record.hwndOwner = owner;
    record.lpstrFilter = filter;
    record.nFilterIndex = 1;
    record.lpstrFile = chosenPath;
    record.nMaxFile = DialogPathLimit;
    record.lpstrFileTitle = fileTitle;
    record.nMaxFileTitle = FileTitleSize;
    if (initialDir[0] != '\0') record.lpstrInitialDir = initialDir;
    if (defaultExt[0] != '\0') record.lpstrDefExt = defaultExt;
    record.lpstrTitle = title;
    record.Flags = flags;
}

bool FileDlg::runDialog(FileDialogCall call, const char* title, const char* filter, DWORD flags) {
    prepareRecord(title, filter, flags);
    BOOL succeeded = FALSE;
    try {
        succeeded = call(&record);
    } catch (...) {
        succeeded = FALSE;
    }
    if (!succeeded) chosenPath[0] = '\0';
    return succeeded != FALSE;
}

std::string FileDlg::shortName(int length) const {
    return chosenPath[0] == '\0' ? std::string() : shortenPath(chosenPath, length);
}

void FileDlg::setPresetName(const char* name) {
    copyText(presetName, name);
}
