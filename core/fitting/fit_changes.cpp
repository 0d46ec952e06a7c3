#include "fitting/fit_changes.h"

void FitChanges::add(const char* pattern, std::initializer_list<MessageField> fields) {
    std::vector<MessageField> all{name};
    all.insert(all.end(), fields);
    changeLines.push_back(messageText(pattern, all));
}
