#include "page_stand_in.h"

#include "batch_table.h"

namespace {
std::string escapedText(const std::string& text) {
    std::string escaped;
    for (const char c : text)
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return escaped;
}
}  // namespace

std::string batchPage(const std::vector<BatchResult>& results) {
    std::string page = "<!DOCTYPE html>\n<html><body><pre>\n";
    for (const BatchResult& result : results) page += escapedText(tuneLine(result)) + "\n";
    return page + "</pre></body></html>\n";
}
