#pragma once
#include "gui_parts.h"

// The five control kinds. Each takes an automatic id at construction.
// Radio buttons and check boxes leave their check mark to the application.

class PushButton : public GUIParts {
public:
    explicit PushButton(HWND parent);
};

class RadioButton : public GUIParts {
public:
    explicit RadioButton(HWND parent);
    void setCheck(bool flag);
};

class CheckBox : public GUIParts {
public:
    explicit CheckBox(HWND parent);
    void setCheck(bool flag);
    bool isChecked();
};

class SimpleEdit : public GUIParts {
public:
    // Multi-line unless singleLine() is called before creation.
    explicit SimpleEdit(HWND parent, bool border = false, bool verticalScroll = false);
    void singleLine() { removeStyle(ES_MULTILINE); }
};

class Label : public GUIParts {
public:
    explicit Label(HWND parent, bool border = false);
};
