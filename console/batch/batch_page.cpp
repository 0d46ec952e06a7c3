#include "batch_page.h"

#include <algorithm>

#include "batch_picture.h"
#include "html_text.h"

namespace {
// Beyond these a tune's findings are in the batch's text report: the page
// stays small at hundreds of tunes.
constexpr size_t listedFindings = 5;

const char* const pageStyle =
    "body{font:14px/1.4 sans-serif;margin:1em;color:#222}"
    "table{border-collapse:collapse}th,td{border:1px solid #ccc;padding:2px 6px;vertical-align:top}"
    "th{background:#eee;cursor:pointer;position:sticky;top:0;text-align:left}"
    "th[data-d=\"1\"]::after{content:\" \\25B2\"}th[data-d=\"-1\"]::after{content:\" \\25BC\"}"
    "td.n{text-align:right}.fit{background:#e2f3df}.miss{background:#fbe1dd}"
    "tr.failed td{background:#f2f2f2;color:#666}small{display:block;color:#666;font-size:85%}"
    ".cards{display:flex;flex-wrap:wrap;gap:8px}"
    ".card{border:1px solid #ccc;padding:4px;width:262px}.card[open]{width:100%}"
    "summary{cursor:pointer;list-style:none}summary::-webkit-details-marker{display:none}"
    "summary b,summary i{display:block;overflow:hidden;text-overflow:ellipsis;white-space:nowrap}"
    "summary i{color:#666;font-size:85%}"
    "svg.pic{display:block;width:260px;height:auto}.card[open] svg.pic{width:100%;max-width:1100px}"
    ".card:not([open]) svg text{display:none}"
    "svg text{font:7px sans-serif;text-anchor:middle;fill:#444}svg text.e{text-anchor:end}"
    "svg text.s{text-anchor:start}svg rect{fill:#f7f7f7}"
    ".vo{fill:#bcd4ee;stroke:#4a7fb5;stroke-width:.6}.no{fill:none;stroke:#222;stroke-width:.8}"
    ".ax path{fill:none;stroke:#888;stroke-width:.6}"
    ".lim path{fill:none;stroke:currentColor;stroke-dasharray:5 3}"
    ".lim text{fill:currentColor;paint-order:stroke;stroke:#fff;stroke-width:2px}"
    ".mk{fill:none;stroke:currentColor;stroke-width:1.5}"
    ".lg{list-style:none;padding:0}.sw{display:inline-block;width:1em;height:.7em;margin-right:.4em}"
    ".lg .vo .sw{background:#bcd4ee}.lg .no .sw{background:#222;height:2px}.lg .lp "
    ".sw{background:currentColor}"
    ".lg ol{color:#222;margin:0}"
    ".c0{color:#d62728}.c1{color:#ff7f0e}.c2{color:#2ca02c}.c3{color:#9467bd}"
    ".c4{color:#8c564b}.c5{color:#e377c2}.c6{color:#17becf}.c7{color:#bcbd22}";

// A click on a column's head sorts the tunes by it, again the other way;
// failed tunes stay last. Opening a tune's link opens its picture.
const char* const pageScript =
    "(function(){var t=document.getElementById('tunes'),h0=t.tHead.rows[0];"
    "function key(r,i){var c=r.cells[i];return c?(c.hasAttribute('data-k')?c.getAttribute('data-k'):"
    "c.textContent):''}"
    "h0.addEventListener('click',function(e){var h=e.target.closest('th');if(!h)return;"
    "var i=h.cellIndex,n=h.dataset.t=='n',d=h.dataset.d=h.dataset.d=='1'?'-1':'1';"
    "[].forEach.call(h0.cells,function(c){if(c!=h)delete c.dataset.d});"
    "var b=t.tBodies[0],r=[].slice.call(b.rows);"
    "r.sort(function(x,y){var f=x.classList.contains('failed')-y.classList.contains('failed');if(f)return f;"
    "var a=key(x,i),c=key(y,i);if(a===''||c==='')return(a==='')-(c==='');"
    "return d*(n?a-c:a.localeCompare(c))});"
    "r.forEach(function(x){b.appendChild(x)})});"
    "function shown(){var e=document.getElementById(location.hash.slice(1));"
    "if(e&&e.tagName=='DETAILS')e.open=true}"
    "addEventListener('hashchange',shown);shown()})();";

// The tune's columns before the profiles', and how each sorts.
const char* const tuneHeads =
    "<th data-t=\"s\">Tune</th><th data-t=\"n\">Bytes</th><th data-t=\"n\">Format</th>"
    "<th data-t=\"n\">Tracks</th><th data-t=\"n\">Seconds</th><th data-t=\"n\">Voices</th>"
    "<th data-t=\"n\">Notes</th>";
constexpr int tuneColumns = 7;

std::string tuneId(size_t index) {
    return "t" + std::to_string(index + 1);
}

// Every profile any tune was checked against, in the order first met.
std::vector<std::string> profileColumnsOf(const std::vector<BatchResult>& results) {
    std::vector<std::string> names;
    for (const BatchResult& result : results)
        for (const BatchProfileResult& profile : result.profiles)
            if (std::find(names.begin(), names.end(), profile.name) == names.end())
                names.push_back(profile.name);
    return names;
}

const BatchProfileResult* profileNamed(const BatchResult& result, const std::string& name) {
    for (const BatchProfileResult& profile : result.profiles)
        if (profile.name == name) return &profile;
    return nullptr;
}

std::string outcomeWords(const BatchProfileResult& profile) {
    if (profile.fits) return "fits";
    return profile.findings > 0 ? counted(profile.findings, "finding") : "does not fit";
}

std::string numberCell(int64_t value) {
    return "<td class=\"n\">" + std::to_string(value) + "</td>";
}

// Sorted by findings: a fit first, a tune not checked against the profile last.
std::string profileCell(const BatchProfileResult* profile) {
    if (!profile) return "<td data-k=\"\">-</td>";
    if (profile->fits) return "<td class=\"fit\" data-k=\"0\">fits</td>";
    const std::string place =
        profile->firstPlace.empty() ? "" : "<small>" + htmlEscaped(profile->firstPlace) + "</small>";
    return "<td class=\"miss\" data-k=\"" + std::to_string(std::max(profile->findings, 0) + 1) + "\">" +
           outcomeWords(*profile) + place + "</td>";
}

std::string convertedRow(const BatchResult& result, size_t index, const std::vector<std::string>& columns) {
    std::string row = "<tr><td><a href=\"#" + tuneId(index) + "\">" + htmlEscaped(result.file) + "</a></td>" +
                      numberCell(result.bytes) + numberCell(result.format) + numberCell(result.tracks) +
                      "<td class=\"n\">" + decimalTenths(result.lengthSeconds) + "</td>" +
                      numberCell(result.voices) + numberCell(result.notes);
    for (const std::string& name : columns) row += profileCell(profileNamed(result, name));
    return row + "</tr>\n";
}

std::string failedRow(const BatchResult& result, const std::vector<std::string>& columns) {
    const size_t span = static_cast<size_t>(tuneColumns - 1) + columns.size();
    return "<tr class=\"failed\"><td>" + htmlEscaped(result.file) + "</td><td colspan=\"" +
           std::to_string(span) + "\">" + htmlEscaped(result.message) + "</td></tr>\n";
}

size_t fitsOf(const std::vector<BatchResult>& results, const std::string& name) {
    return static_cast<size_t>(
        std::count_if(results.begin(), results.end(), [&name](const BatchResult& result) {
            const BatchProfileResult* profile = profileNamed(result, name);
            return result.converted && profile && profile->fits;
        }));
}

size_t convertedOf(const std::vector<BatchResult>& results) {
    return static_cast<size_t>(std::count_if(results.begin(), results.end(),
                                             [](const BatchResult& result) { return result.converted; }));
}

std::string headRow(const std::vector<BatchResult>& results, const std::vector<std::string>& columns) {
    const std::string converted = std::to_string(convertedOf(results));
    std::string row = std::string("<tr>") + tuneHeads;
    for (const std::string& name : columns)
        row += "<th data-t=\"n\">" + htmlEscaped(name) + "<small>" + std::to_string(fitsOf(results, name)) +
               " of " + converted + " fit</small></th>";
    return row + "</tr>";
}

std::string summaryTable(const std::vector<BatchResult>& results, const std::vector<std::string>& columns) {
    std::string table = "<table id=\"tunes\"><thead>" + headRow(results, columns) + "</thead><tbody>\n";
    for (size_t i = 0; i < results.size(); ++i)
        table += results[i].converted ? convertedRow(results[i], i, columns) : failedRow(results[i], columns);
    return table + "</tbody></table>\n";
}

std::string factsOf(const BatchResult& result) {
    return "<p>" + std::to_string(result.bytes) + " bytes, format " + std::to_string(result.format) + ", " +
           std::to_string(result.tracks) + " tracks, " + decimalTenths(result.lengthSeconds) + " seconds, " +
           std::to_string(result.barSeconds.size()) + " bars; at most " + std::to_string(result.voices) +
           " voices at once, with " + std::to_string(result.notes) + " notes sounding.</p>";
}

std::string findingList(const BatchProfileResult& profile) {
    if (profile.findingLines.empty()) return "";
    std::string list = "<ol>";
    const size_t shown = std::min(profile.findingLines.size(), listedFindings);
    for (size_t i = 0; i < shown; ++i) list += "<li>" + htmlEscaped(profile.findingLines[i]) + "</li>";
    if (profile.findingLines.size() > shown)
        list += "<li>and " + std::to_string(profile.findingLines.size() - shown) + " more</li>";
    return list + "</ol>";
}

std::string limitWords(int32_t voiceLimit) {
    return voiceLimit > 0 ? std::to_string(voiceLimit) + " voices" : "no voice limit";
}

std::string legendOf(const BatchResult& result, const std::vector<std::string>& columns) {
    std::string legend =
        "<ul class=\"lg\"><li class=\"vo\"><span class=\"sw\"></span>voices at once</li>"
        "<li class=\"no\"><span class=\"sw\"></span>notes sounding</li>";
    for (const BatchProfileResult& profile : result.profiles) {
        legend += "<li class=\"lp " + profileColourClass(profile.name, columns) +
                  "\"><span class=\"sw\"></span><b>" + htmlEscaped(profile.name) + "</b> (" +
                  limitWords(profile.voiceLimit) + "): " + outcomeWords(profile) + findingList(profile) +
                  "</li>";
    }
    return legend + "</ul>";
}

std::string tuneCard(const BatchResult& result, size_t index, const std::vector<std::string>& columns) {
    return "<details class=\"card\" id=\"" + tuneId(index) + "\"><summary><b>" + htmlEscaped(result.file) +
           "</b><i>" + std::to_string(result.voices) + " voices, " + std::to_string(result.notes) +
           " notes</i>" + voicePicture(result, columns) + "</summary>" + factsOf(result) +
           legendOf(result, columns) + "</details>\n";
}

std::string tuneCards(const std::vector<BatchResult>& results, const std::vector<std::string>& columns) {
    std::string cards = "<div class=\"cards\">\n";
    for (size_t i = 0; i < results.size(); ++i)
        if (results[i].converted) cards += tuneCard(results[i], i, columns);
    return cards + "</div>\n";
}

std::string introOf(const std::vector<BatchResult>& results) {
    const size_t converted = convertedOf(results);
    return "<p>" + counted(static_cast<int64_t>(results.size()), "tune") + ": " + std::to_string(converted) +
           " converted, " + std::to_string(results.size() - converted) +
           " failed. A click on a column's head sorts the tunes by it; a click on a picture opens it "
           "larger.</p>\n";
}
}  // namespace

std::string batchPage(const std::vector<BatchResult>& results) {
    const std::vector<std::string> columns = profileColumnsOf(results);
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Quavel batch: " +
           counted(static_cast<int64_t>(results.size()), "tune") + "</title><style>" + pageStyle +
           "</style></head><body>\n<h1>Quavel batch</h1>\n" + introOf(results) +
           summaryTable(results, columns) + "<h2>Voices and notes over time</h2>\n" +
           tuneCards(results, columns) + "<script>" + pageScript + "</script></body></html>\n";
}
