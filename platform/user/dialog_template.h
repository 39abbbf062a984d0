// Dialog templates: the layout a dialog is built from, written as plain text in
// res/dialogs/<name>.dlg and found by the dialog's numeric id.
//
// The text format, one statement a line ('#' starts a comment line):
//   dialog <id>
//   style <flags>            e.g. WS_POPUP | WS_BORDER | WS_SYSMENU | DS_SETFONT, or 0x90880048
//   exstyle <flags>          optional, e.g. WS_EX_APPWINDOW
//   size <width> <height>    dialog units
//   caption "<text>"         optional
//   font <points> "<face>"
//   control <class> <id> <x> <y> <width> <height> <flags> "<text>"
// <class> is Static, Button or ComboBox; <id> a number (-1 for none); <flags> names or numbers
// joined by '|', each of which may follow NOT to take it away. A control is a visible child
// (WS_CHILD | WS_VISIBLE) unless NOT WS_VISIBLE hides it. Texts are UTF-8 with \" and \\ escapes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/user/user_types.h"

namespace platform::user {

struct DialogControlTemplate {
    std::string className;
    int id = -1;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    DWORD style = 0;
    std::string text;
};

struct DialogTemplate {
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    int cx = 0, cy = 0;  // dialog units
    std::string caption;
    int pointSize = 9;
    std::string faceName = "MS Shell Dlg";
    std::vector<DialogControlTemplate> controls;

    // Dialog units to pixels for this template's font (96 dots an inch).
    int PixelsX(int units) const;
    int PixelsY(int units) const;
};

// false (with a message naming the line) for text that is not a template.
bool ParseDialogTemplate(std::string_view text, DialogTemplate* out, std::string* error);

// Makes a template known under its id (tests, and the resources at start-up).
void RegisterDialogTemplate(const DialogTemplate& dialogTemplate);
bool RegisterDialogTemplateText(std::string_view text, std::string* error = nullptr);
// Where templates that were not registered are looked up: a function giving a template's text by
// id (the resource table's RT_DIALOG entries); false when there is none.
using DialogTemplateSource = bool (*)(UINT id, std::string* text);
void SetDialogTemplateSource(DialogTemplateSource source);
// The template of an id; false when there is none or its text does not parse.
bool FindDialogTemplate(UINT id, DialogTemplate* out);

}  // namespace platform::user
