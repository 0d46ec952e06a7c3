#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/message_text.h"
#include "base/result.h"
#include "fit/fit_facts.h"
#include "fit/handset_profile.h"

// How a converted file fits one profile: a line per finding, in the order
// the check lists them.
struct HandsetFit {
    std::string name;  // the profile's, as -P gave it
    std::vector<std::string> findings;

    bool fits() const { return findings.empty(); }
    // The findings, then "fits" or the number of findings.
    std::vector<std::string> lines() const;
};

// Collects the finding lines of one profile.
class FindingLines {
public:
    explicit FindingLines(HandsetFit& fitOfProfile) : fit(fitOfProfile) {}

    // The profile's name is the pattern's first field.
    void add(const char* pattern, std::initializer_list<MessageField> fields);

private:
    HandsetFit& fit;
};

HandsetFit checkHandsetFit(const FitFacts& facts, const HandsetProfile& profile);

// A converted file as the check reads it: its bytes, the source it was
// converted from (the bars and beats of its findings), and whether -0 would
// merge its tracks, which only the steps above the check can say.
struct CheckedFile {
    const std::vector<uint8_t>& bytes;
    const uint8_t* source;
    size_t sourceSize;
    std::function<bool()> formatZeroMerges;
    // The peaks of voices another play of these bytes found (FitFacts), if any.
    const std::map<int32_t, VoiceCount>* knownVoices = nullptr;
};

// The file against each profile in turn, measured once; the failure is a
// want of memory for the measure.
Result checkHandsetFits(const CheckedFile& file, const std::vector<HandsetProfile>& profiles,
                        std::vector<HandsetFit>& fits);
// A file played as it is: its own source, and -0 never asked.
Result checkHandsetFits(const std::vector<uint8_t>& bytes, const std::vector<HandsetProfile>& profiles,
                        std::vector<HandsetFit>& fits);
