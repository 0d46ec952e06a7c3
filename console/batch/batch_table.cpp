#include "batch_table.h"

#include "base/message_text.h"

namespace {
constexpr int StatusFailed = 1;
constexpr int StatusDoesNotFit = 3;
constexpr const char* CsvLineEnd = "\r\n";
constexpr const char* CsvColumns[] = {"file",  "status",  "bytes", "format",   "tracks",     "voices",
                                      "notes", "profile", "fits",  "findings", "first_place"};

std::string profileText(const BatchProfileResult& profile) {
    if (profile.fits) return profile.name + " fits";
    return profile.name + ": " + countText(profile.findings, {"finding", "findings"});
}

std::string csvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (const std::string& field : fields) row += (row.empty() ? "" : ",") + csvField(field);
    return row + CsvLineEnd;
}

// The fields a tune's rows share, before the profile's.
std::vector<std::string> tuneFields(const BatchResult& result) {
    if (!result.converted) return {result.file, "failed: " + result.message, "", "", "", "", ""};
    return {result.file,
            "converted",
            std::to_string(result.bytes),
            std::to_string(result.format),
            std::to_string(result.tracks),
            std::to_string(result.voices),
            std::to_string(result.notes)};
}

std::vector<std::string> withProfile(std::vector<std::string> fields, const BatchProfileResult& profile) {
    fields.insert(fields.end(), {profile.name, profile.fits ? "yes" : "no", std::to_string(profile.findings),
                                 profile.firstPlace});
    return fields;
}

// A tune that was not checked: its profile's fields say nothing but the name.
std::vector<std::string> withUncheckedProfile(std::vector<std::string> fields, const std::string& name) {
    fields.insert(fields.end(), {name, "", "", ""});
    return fields;
}

int64_t fitsOf(const std::vector<BatchResult>& results, const std::string& profileName) {
    int64_t fits = 0;
    for (const BatchResult& result : results)
        for (const BatchProfileResult& profile : result.profiles)
            if (profile.name == profileName && profile.fits) ++fits;
    return fits;
}
}  // namespace

std::string tuneLine(const BatchResult& result) {
    const std::string name = printableText(result.file);
    if (!result.converted) return name + ": " + printableText(result.message);
    std::string line = name + ": " + countText(result.bytes, {"byte", "bytes"}) + ", " +
                       countText(result.voices, {"voice", "voices"}) + " (" +
                       countText(result.notes, {"note", "notes"}) + ")";
    for (const BatchProfileResult& profile : result.profiles)
        line += ", " + printableText(profileText(profile));
    return line;
}

std::string closingLine(const std::vector<BatchResult>& results,
                        const std::vector<std::string>& profileNames) {
    int64_t failures = 0;
    for (const BatchResult& result : results)
        if (!result.converted) ++failures;
    std::string line = countText(static_cast<int64_t>(results.size()), {"file", "files"});
    std::string fits;
    for (const std::string& name : profileNames)
        fits += (fits.empty() ? "" : ", ") + printableText(name) + " fits " +
                std::to_string(fitsOf(results, name));
    if (!fits.empty()) line += "; " + fits;
    return line + "; " + countText(failures, {"failure", "failures"});
}

int batchStatus(const std::vector<BatchResult>& results) {
    int status = 0;
    for (const BatchResult& result : results) {
        if (!result.converted) return StatusFailed;
        for (const BatchProfileResult& profile : result.profiles)
            if (!profile.fits) status = StatusDoesNotFit;
    }
    return status;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string csvTable(const std::vector<BatchResult>& results, const std::vector<std::string>& profileNames) {
    std::string table = csvRow(std::vector<std::string>(std::begin(CsvColumns), std::end(CsvColumns)));
    for (const BatchResult& result : results) {
        const std::vector<std::string> fields = tuneFields(result);
        if (result.converted) {
            for (const BatchProfileResult& profile : result.profiles)
                table += csvRow(withProfile(fields, profile));
        } else {
            for (const std::string& name : profileNames) table += csvRow(withUncheckedProfile(fields, name));
        }
        const bool noProfiles = result.converted ? result.profiles.empty() : profileNames.empty();
        if (noProfiles) table += csvRow(withUncheckedProfile(fields, ""));
    }
    return table;
}
