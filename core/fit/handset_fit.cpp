#include "fit/handset_fit.h"

#include <memory>
#include <new>

#include "base/message_text.h"
#include "fit/profile_rules.h"

namespace {
constexpr const char* Fits = "-> Handset check [%s]: fits";
constexpr const char* Findings = "-> Handset check [%s]: %s";
constexpr CountWords FindingWords{"finding", "findings"};
}  // namespace

void FindingLines::add(const char* pattern, std::initializer_list<MessageField> fields) {
    std::vector<MessageField> all{fit.name};
    all.insert(all.end(), fields);
    fit.findings.push_back(messageText(pattern, all));
}

std::vector<std::string> HandsetFit::lines() const {
    std::vector<std::string> all = findings;
    if (findings.empty())
        all.push_back(messageText(Fits, {name}));
    else
        all.push_back(
            messageText(Findings, {name, countText(static_cast<int64_t>(findings.size()), FindingWords)}));
    return all;
}

HandsetFit checkHandsetFit(const FitFacts& facts, const HandsetProfile& profile) {
    HandsetFit fit;
    fit.name = profile.name;
    FindingLines lines(fit);
    for (const ProfileRule& rule : profileRules()) rule.check(facts, profile, lines);
    return fit;
}

Result checkHandsetFits(const CheckedFile& file, const std::vector<HandsetProfile>& profiles,
                        std::vector<HandsetFit>& fits) {
    fits.clear();
    if (profiles.empty()) return Result::success();
    try {
        // The facts hold a tally per channel and key: too large for a thread's stack.
        std::vector<int32_t> handsetVoices;
        for (const HandsetProfile& profile : profiles)
            if (profile.voices) handsetVoices.push_back(*profile.voices);
        const auto facts = std::make_unique<FitFacts>(file.bytes.data(), file.bytes.size(), file.source,
                                                      file.sourceSize, handsetVoices, file.knownVoices);
        facts->formatZeroMerges = file.formatZeroMerges;
        for (const HandsetProfile& profile : profiles) fits.push_back(checkHandsetFit(*facts, profile));
        return Result::success();
    } catch (const std::bad_alloc&) {
        fits.clear();
        return Result::failure(OutOfMemoryMessage);
    }
}

Result checkHandsetFits(const std::vector<uint8_t>& bytes, const std::vector<HandsetProfile>& profiles,
                        std::vector<HandsetFit>& fits) {
    return checkHandsetFits(CheckedFile{bytes, bytes.data(), bytes.size(), nullptr}, profiles, fits);
}
