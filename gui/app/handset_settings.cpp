#include "handset_settings.h"

#include <windows.h>

#include <algorithm>
#include <tuple>
#include <utility>

#include "fit/profile_finder.h"
#include "fit/profile_reader.h"

namespace {
const char Section[] = "HANDSET";
const char CheckedKey[] = "Check";
const char CheckedCountKey[] = "CheckCount";
const char SpMidiKey[] = "SpMidi";
const char PriorityKey[] = "Priority";
const char SlimKey[] = "Slim";
const char FormatZeroKey[] = "FormatZero";
const char FitKey[] = "Fit";
// As many as the dialog offers; a longer list in the file is not read.
constexpr int MostChecked = 16;
constexpr DWORD ValueSize = 1024;
// Between the parts of the summary: a middle dot in the window's code page.
const char PartGap[] = " \xB7 ";

std::string readValue(const char* file, const std::string& key) {
    char value[ValueSize] = {};
    GetPrivateProfileStringA(Section, key.c_str(), "", value, ValueSize, file);
    return value;
}

int readFlag(const char* file, const char* key) {
    return GetPrivateProfileIntA(Section, key, 0, file) != 0 ? 1 : 0;
}

void writeValue(const char* file, const std::string& key, const std::string& value) {
    WritePrivateProfileStringA(Section, key.c_str(), value.c_str(), file);
}

std::string checkedKey(int index) {
    return CheckedKey + std::to_string(index + 1);
}

bool profileIsThere(const std::string& name, const std::string& installedFolder) {
    return locateHandsetProfile(name, installedFolder).place != ProfilePlace::Nowhere;
}

// Keeps the name when its profile is still found; otherwise tells gone.
bool keepFound(const std::string& name, const std::string& installedFolder, std::vector<std::string>& gone) {
    if (name.empty()) return false;
    if (profileIsThere(name, installedFolder)) return true;
    // Checked and fitted to, it is still told once.
    if (std::find(gone.begin(), gone.end(), name) == gone.end()) gone.push_back(name);
    return false;
}

std::string joined(const std::vector<std::string>& parts, const char* gap) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : gap) + part;
    return text;
}

// The profile name finds, read, at the end of profiles.
Result addProfile(const std::string& name, const std::string& installedFolder,
                  std::vector<HandsetProfile>& profiles) {
    HandsetProfile profile;
    const Result read = loadHandsetProfile(name, installedFolder, profile);
    if (read.ok()) profiles.push_back(std::move(profile));
    return read;
}
}  // namespace

bool validPriorityDigits(const std::string& digits) {
    std::vector<int> given;
    return parseSpMidiPriority(digits.c_str(), given);
}

std::string shownProfileName(const std::string& given, const std::string& installedFolder) {
    const ProfileLocation where = locateHandsetProfile(given, installedFolder);
    return where.place == ProfilePlace::Nowhere ? given : where.name;
}

bool HandsetSettings::operator==(const HandsetSettings& other) const {
    return std::tie(checked, spMidi, priority, slim, formatZero, fit) ==
           std::tie(other.checked, other.spMidi, other.priority, other.slim, other.formatZero, other.fit);
}

bool HandsetSettings::off() const {
    return *this == HandsetSettings{};
}

std::string HandsetSettings::summary(const std::string& installedFolder) const {
    std::vector<std::string> names;
    for (const std::string& name : checked) names.push_back(shownProfileName(name, installedFolder));
    std::vector<std::string> parts;
    if (!names.empty()) parts.push_back(joined(names, ", "));
    if (spMidi) parts.push_back(priority.empty() ? "SP-MIDI" : "SP-MIDI " + priority);
    if (slim) parts.emplace_back("slim");
    if (formatZero) parts.emplace_back("format 0");
    if (!fit.empty()) parts.push_back("fit " + shownProfileName(fit, installedFolder));
    return "Handset: " + (parts.empty() ? std::string("off") : joined(parts, PartGap));
}

Result HandsetSettings::addTo(Job& job, const std::string& installedFolder) const {
    for (const std::string& name : checked) {
        const Result read = addProfile(name, installedFolder, job.profiles);
        if (read.failed()) return read;
    }
    if (!fit.empty()) {
        std::vector<HandsetProfile> fitted;
        const Result read = addProfile(fit, installedFolder, fitted);
        if (read.failed()) return read;
        job.fit = std::move(fitted.front());
    }
    job.spMidi.enabled = spMidi;
    job.spMidi.priority.clear();
    if (spMidi) parseSpMidiPriority(priority.c_str(), job.spMidi.priority);
    job.slim.slim = slim;
    job.slim.formatZero = formatZero;
    return Result::success();
}

void HandsetSettings::save(const char* file) const {
    // The section is written anew: a shorter list leaves no old names behind.
    WritePrivateProfileStringA(Section, nullptr, nullptr, file);
    writeValue(file, CheckedCountKey, std::to_string(checked.size()));
    for (size_t i = 0; i < checked.size(); ++i) writeValue(file, checkedKey(static_cast<int>(i)), checked[i]);
    writeValue(file, SpMidiKey, spMidi ? "1" : "0");
    writeValue(file, PriorityKey, priority);
    writeValue(file, SlimKey, slim ? "1" : "0");
    writeValue(file, FormatZeroKey, formatZero ? "1" : "0");
    writeValue(file, FitKey, fit);
}

HandsetSettings HandsetSettings::restore(const char* file, const std::string& installedFolder,
                                         std::vector<std::string>& gone) {
    HandsetSettings settings;
    const int count = static_cast<int>(GetPrivateProfileIntA(Section, CheckedCountKey, 0, file));
    for (int i = 0; i < count && i < MostChecked; ++i) {
        const std::string name = readValue(file, checkedKey(i));
        if (keepFound(name, installedFolder, gone)) settings.checked.push_back(name);
    }
    settings.priority = readValue(file, PriorityKey);
    settings.spMidi = readFlag(file, SpMidiKey);
    if (!validPriorityDigits(settings.priority)) {
        settings.spMidi = 0;
        settings.priority.clear();
    }
    settings.slim = readFlag(file, SlimKey);
    settings.formatZero = readFlag(file, FormatZeroKey);
    const std::string fit = readValue(file, FitKey);
    if (keepFound(fit, installedFolder, gone)) settings.fit = fit;
    return settings;
}
