#include "base/message_text.h"

std::string messageText(const char* pattern, const std::vector<MessageField>& fields) {
    std::string text;
    auto next = fields.begin();
    for (const char* p = pattern; *p != 0; ++p) {
        const bool conversion = p[0] == '%' && (p[1] == 's' || p[1] == 'd');
        if (conversion && next != fields.end()) {
            text += next->value();
            ++next;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}
