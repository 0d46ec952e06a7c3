// The batch's page: what a reader of hundreds of tunes sees, and that no
// file's name or number can break the page.
#include "batch_page.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "html_text.h"
#include "sample_batch.h"

namespace {
size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

std::string between(const std::string& text, const std::string& from, const std::string& to) {
    const size_t start = text.find(from);
    if (start == std::string::npos) return "";
    const size_t end = text.find(to, start + from.size());
    return text.substr(start, end == std::string::npos ? std::string::npos : end + to.size() - start);
}

std::string tableBody(const std::string& page) {
    return between(page, "<tbody>", "</tbody>");
}

// The d of the first path whose class begins with pathClass.
std::string pathOfClass(const std::string& page, const std::string& pathClass) {
    const size_t path = page.find("<path class=\"" + pathClass);
    if (path == std::string::npos) return "";
    const size_t start = page.find("d=\"", path) + 3;
    return page.substr(start, page.find('"', start) - start);
}

// The highest point a voices area reaches: its first height, then each
// relative step up or down.
int highestY(const std::string& area) {
    const size_t first = area.find('V');
    if (first == std::string::npos) return -1;
    int y = std::stoi(area.substr(first + 1));
    int highest = y;
    for (size_t step = area.find('v'); step != std::string::npos; step = area.find('v', step + 1)) {
        y += std::stoi(area.substr(step + 1));
        highest = std::min(highest, y);
    }
    return highest;
}

BatchProfileResult profile(const std::string& name, int32_t limit, std::vector<double> findingSeconds) {
    BatchProfileResult result;
    result.name = name;
    result.voiceLimit = limit;
    result.findings = static_cast<int32_t>(findingSeconds.size());
    result.fits = findingSeconds.empty();
    result.findingLines.assign(findingSeconds.size(), "a finding");
    result.findingSeconds = std::move(findingSeconds);
    if (!result.fits) result.firstPlace = "0:01.000 (bar 1 beat 3, track 2 tick 960)";
    return result;
}

const std::string replacement = "\xEF\xBF\xBD";
}  // namespace

TEST(HtmlText, MarkupCharactersBecomeReferences) {
    EXPECT_EQ(htmlEscaped("<script>a&b</script>"), "&lt;script&gt;a&amp;b&lt;/script&gt;");
    EXPECT_EQ(htmlEscaped("say \"it's\""), "say &quot;it&#39;s&quot;");
    EXPECT_EQ(htmlEscaped("Stück für Handy.mid"), "Stück für Handy.mid");
}

TEST(HtmlText, BytesThatAreNotUtf8BecomeOneReplacementEach) {
    EXPECT_EQ(htmlEscaped("a\xFF"
                          "b"),
              "a" + replacement + "b");
    EXPECT_EQ(htmlEscaped("\xC0\xAF"), replacement + replacement) << "an overlong slash";
    EXPECT_EQ(htmlEscaped("\xED\xA0\x80"), replacement + replacement + replacement) << "a surrogate";
    EXPECT_EQ(htmlEscaped("end\xE2\x82"), "end" + replacement + replacement) << "cut short";
    EXPECT_EQ(htmlEscaped(std::string("a\0b\x1B", 4)), "a" + replacement + "b" + replacement);
    EXPECT_EQ(htmlEscaped("\xF0\x9F\x8E\xB5"), "\xF0\x9F\x8E\xB5");
}

TEST(HtmlText, NumbersReadTheSameEverywhere) {
    EXPECT_EQ(decimalTenths(1.25), "1.3");
    EXPECT_EQ(decimalTenths(-0.04), "0.0");
    EXPECT_EQ(decimalTenths(-2.5), "-2.5");
    EXPECT_EQ(decimalTenths(std::nan("")), "0.0");
    EXPECT_EQ(decimalTenths(std::numeric_limits<double>::infinity()), "0.0");
    EXPECT_EQ(minutesSeconds(65), "1:05");
    EXPECT_EQ(minutesSeconds(3600), "60:00");
    EXPECT_EQ(counted(1, "tune"), "1 tune");
    EXPECT_EQ(counted(0, "finding"), "0 findings");
}

TEST(BatchPage, HasARowPerTuneAndAPicturePerConvertedTune) {
    std::vector<BatchResult> results = sampleBatch(5, 100);
    results.insert(results.begin() + 2, failedTune("bad.mid", "not a MIDI file"));
    const std::string page = batchPage(results);
    EXPECT_EQ(countOf(tableBody(page), "<tr"), 6u);
    EXPECT_EQ(countOf(page, "<svg"), 5u);
    EXPECT_EQ(countOf(page, "<details"), 5u);
    EXPECT_NE(page.find("<a href=\"#t6\">tune5.mid</a>"), std::string::npos) << "the ids count every row";
    EXPECT_NE(page.find("id=\"t6\""), std::string::npos);
}

TEST(BatchPage, AFailedTuneHasItsMessageAndNoPicture) {
    const std::string page = batchPage({failedTune("bad.mid", "not a MIDI file: no MThd chunk")});
    EXPECT_NE(tableBody(page).find("<tr class=\"failed\"><td>bad.mid</td><td colspan=\"6\">not a MIDI file: "
                                   "no MThd chunk</td></tr>"),
              std::string::npos);
    EXPECT_EQ(countOf(page, "<svg"), 0u);
    EXPECT_NE(page.find("1 tune: 0 converted, 1 failed."), std::string::npos);
}

TEST(BatchPage, TextFromFilesAddsNoMarkup) {
    BatchResult tune = sampleTune(1, 50);
    tune.file = "<script>alert(1)</script>.mid";
    tune.profiles.front().name = "\"><img src=x onerror=alert(2)>";
    tune.profiles.front().findingLines.front() = "<b>bold</b> & more";
    tune.profiles.front().firstPlace = "</td><script>";
    const std::string page = batchPage({tune, failedTune("<i>.mid", "cannot open <i>.mid")});
    EXPECT_EQ(countOf(page, "<script"), 1u) << "only the page's own script";
    EXPECT_EQ(countOf(page, "<img"), 0u);
    EXPECT_EQ(countOf(page, "<b>bold"), 0u);
    EXPECT_EQ(countOf(page, "<i>.mid"), 0u);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;.mid"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;bold&lt;/b&gt; &amp; more"), std::string::npos);
    EXPECT_NE(page.find("cannot open &lt;i&gt;.mid"), std::string::npos);
}

TEST(BatchPage, ProfilesAreColumnsAndEachCellSaysFitsOrTheFindings) {
    BatchResult first = sampleTune(1, 10);
    first.profiles = {profile("Alpha", 16, {}), profile("Beta", 24, {1.0, 2.0, 3.0})};
    BatchResult second = sampleTune(2, 10);
    second.profiles = {profile("Gamma", 0, {1.0})};
    const std::string page = batchPage({first, second});
    const std::string head = between(page, "<thead>", "</thead>");
    EXPECT_LT(head.find(">Alpha<"), head.find(">Beta<"));
    EXPECT_LT(head.find(">Beta<"), head.find(">Gamma<"));
    EXPECT_NE(head.find("Alpha<small>1 of 2 fit</small>"), std::string::npos);
    const std::string body = tableBody(page);
    EXPECT_NE(body.find("<td class=\"fit\" data-k=\"0\">fits</td>"), std::string::npos);
    EXPECT_NE(body.find("<td class=\"miss\" data-k=\"4\">3 findings<small>0:01.000 (bar 1 beat 3, track 2 "
                        "tick 960)</small></td>"),
              std::string::npos);
    EXPECT_NE(body.find("data-k=\"2\">1 finding<small>"), std::string::npos);
    EXPECT_EQ(countOf(body, "<td data-k=\"\">-</td>"), 3u)
        << "a tune not checked against a profile sorts last";
}

TEST(BatchPage, FindingsAreMarkedWherePlacedAndNearOnesShareAMark) {
    BatchResult tune = sampleTune(1, 100);
    tune.lengthSeconds = 100;
    tune.profiles = {profile("Alpha", 16, {10.0, 10.001, 50.0, -1.0, std::nan("")})};
    const std::string marks = pathOfClass(batchPage({tune}), "mk");
    EXPECT_EQ(marks, "M70,2v4m160,-4v4") << "at 10 s and 50 s of 100 s, 400 units wide from 30";
}

TEST(BatchPage, ProfilesOfOneLimitShareALine) {
    BatchResult tune = sampleTune(1, 10);
    tune.profiles = {profile("Alpha", 16, {}), profile("Beta", 16, {}), profile("Gamma", 0, {})};
    const std::string page = batchPage({tune});
    EXPECT_EQ(countOf(page, "<g class=\"lim"), 1u);
    EXPECT_NE(page.find("Alpha, Beta: 16</text>"), std::string::npos);
    EXPECT_NE(page.find("<b>Gamma</b> (no voice limit): fits"), std::string::npos);
}

TEST(BatchPage, TimeRunsInSecondsAndBars) {
    BatchResult tune = sampleTune(1, 10);
    tune.lengthSeconds = 300;
    tune.barSeconds.clear();
    for (int bar = 0; bar < 150; ++bar) tune.barSeconds.push_back(2.0 * bar);
    const std::string page = batchPage({tune});
    for (const char* label : {">0:00<", ">1:00<", ">5:00<", ">1<", ">17<", ">145<"})
        EXPECT_NE(page.find(label), std::string::npos) << label;
    EXPECT_EQ(page.find(">0:30<"), std::string::npos) << "a minute apart for five minutes";
    EXPECT_EQ(page.find(">9<"), std::string::npos) << "every sixteenth bar numbered of 150";
}

TEST(BatchPage, ALongTimelineKeepsItsPeakInAFewColumns) {
    BatchResult tune = sampleTune(1, 0);
    tune.lengthSeconds = 1000;
    for (int i = 0; i < 20000; ++i) tune.timeline.push_back({i / 20.0, 10 + i % 3, 5});
    tune.timeline[12345].voices = 90;
    tune.voices = 90;
    tune.profiles.clear();
    const std::string page = batchPage({tune});
    const std::string voices = pathOfClass(page, "vo");
    EXPECT_LT(countOf(voices, "h"), 401u);
    EXPECT_NE(page.find(">100</text>"), std::string::npos) << "the top is the peak and a tenth";
    EXPECT_EQ(highestY(voices), 4 + 100 - 90) << "the peak reaches 90 of 100";
}

TEST(BatchPage, NumbersThatAreNoTimesStillMakeAPicture) {
    BatchResult tune = sampleTune(1, 0);
    tune.lengthSeconds = std::numeric_limits<double>::infinity();
    tune.timeline = {{5.0, 4, 2}, {std::nan(""), 9, 9}, {1.0, -3, INT32_MAX}, {-2.0, 7, 7}};
    tune.barSeconds = {0.0, std::nan(""), 2.0};
    tune.voices = INT32_MIN;
    tune.profiles = {profile("Alpha", INT32_MAX, {std::numeric_limits<double>::infinity()})};
    const std::string page = batchPage({tune});
    const std::string picture = between(page, "<svg", "</svg>");
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(picture.find("nan"), std::string::npos);
    EXPECT_EQ(picture.find("inf"), std::string::npos);
    EXPECT_EQ(picture.find("-2147"), std::string::npos);
    EXPECT_EQ(pathOfClass(page, "vo").rfind("M110,", 0), 0u)
        << "in time order, at 1 s of the 5 the points span";
}

TEST(BatchPage, TheSameResultsGiveTheSameBytes) {
    const std::vector<BatchResult> results = sampleBatch(3, 200);
    std::vector<BatchResult> copy = results;
    EXPECT_EQ(batchPage(results), batchPage(copy));
}

TEST(BatchPage, FiveHundredTunesOfFullTimelinesStayUnderFiveMegabytes) {
    const std::string page = batchPage(sampleBatch(500, 600));
    EXPECT_EQ(countOf(page, "<svg"), 500u);
    EXPECT_LT(page.size(), 5000000u);
    RecordProperty("bytes", static_cast<int>(page.size()));
}
