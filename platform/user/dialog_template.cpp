#include "platform/user/dialog_template.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/user/window.h"

namespace platform::user {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<UINT, DialogTemplate> templates;
    DialogTemplateSource source = nullptr;
};

Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

const std::map<std::string, DWORD>& flagNames()
{
    static const std::map<std::string, DWORD> names = {
        {"WS_OVERLAPPED", WS_OVERLAPPED}, {"WS_POPUP", WS_POPUP}, {"WS_CHILD", WS_CHILD}, {"WS_VISIBLE", WS_VISIBLE},
        {"WS_DISABLED", WS_DISABLED}, {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS}, {"WS_CLIPCHILDREN", WS_CLIPCHILDREN},
        {"WS_CAPTION", WS_CAPTION}, {"WS_BORDER", WS_BORDER}, {"WS_DLGFRAME", WS_DLGFRAME}, {"WS_SYSMENU", WS_SYSMENU},
        {"WS_THICKFRAME", WS_THICKFRAME}, {"WS_GROUP", WS_GROUP}, {"WS_TABSTOP", WS_TABSTOP},
        {"WS_EX_APPWINDOW", WS_EX_APPWINDOW}, {"DS_SETFONT", DS_SETFONT}, {"DS_MODALFRAME", DS_MODALFRAME},
        {"DS_FIXEDSYS", DS_FIXEDSYS}, {"DS_CENTER", DS_CENTER}, {"SS_LEFT", SS_LEFT}, {"SS_CENTER", SS_CENTER},
        {"SS_RIGHT", SS_RIGHT}, {"SS_ICON", SS_ICON}, {"SS_OWNERDRAW", SS_OWNERDRAW}, {"SS_NOTIFY", SS_NOTIFY},
        {"BS_PUSHBUTTON", BS_PUSHBUTTON}, {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_CHECKBOX", BS_CHECKBOX},
        {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX}, {"BS_OWNERDRAW", BS_OWNERDRAW}, {"CBS_DROPDOWN", CBS_DROPDOWN},
        {"CBS_DROPDOWNLIST", CBS_DROPDOWNLIST}, {"CBS_OWNERDRAWFIXED", CBS_OWNERDRAWFIXED},
        {"CBS_OWNERDRAWVARIABLE", CBS_OWNERDRAWVARIABLE}, {"CBS_HASSTRINGS", CBS_HASSTRINGS},
    };
    return names;
}

// Reads whitespace-separated tokens and quoted texts from one line.
class Line {
public:
    explicit Line(std::string_view text) : m_text(text) {}

    bool word(std::string* out)
    {
        skip();
        if (m_pos >= m_text.size() || m_text[m_pos] == '"') return false;
        std::size_t start = m_pos;
        while (m_pos < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
        *out = std::string(m_text.substr(start, m_pos - start));
        return true;
    }

    bool number(int* out)
    {
        std::string w;
        if (!word(&w)) return false;
        return parseNumber(w, out);
    }

    // Flags up to a quoted text or the end of the line: those named, and those named after NOT
    // (which take a flag away from what the statement has by default; `removed`, when given, gets
    // those).
    bool flags(DWORD* out, DWORD* removed = nullptr)
    {
        skip();
        std::size_t end = m_text.find('"', m_pos);
        std::string_view part = m_text.substr(m_pos, end == std::string_view::npos ? std::string_view::npos : end - m_pos);
        m_pos = end == std::string_view::npos ? m_text.size() : end;
        DWORD value = 0, taken = 0;
        std::size_t i = 0;
        bool any = false;
        while (i <= part.size()) {
            std::size_t bar = part.find('|', i);
            std::string name = trimmed(part.substr(i, bar == std::string_view::npos ? std::string_view::npos : bar - i));
            const bool negated = name.rfind("NOT ", 0) == 0 || name.rfind("NOT\t", 0) == 0;
            if (negated) name = trimmed(std::string_view(name).substr(4));
            DWORD flag = 0;
            if (!parseFlag(name, &flag)) return false;
            (negated ? taken : value) |= flag;
            any = true;
            if (bar == std::string_view::npos) break;
            i = bar + 1;
        }
        *out = value & ~taken;
        if (removed) *removed = taken;
        return any;
    }

    bool quoted(std::string* out)
    {
        skip();
        if (m_pos >= m_text.size() || m_text[m_pos] != '"') return false;
        ++m_pos;
        out->clear();
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"') return true;
            if (c == '\\' && m_pos < m_text.size()) c = m_text[m_pos++];
            out->push_back(c);
        }
        return false;  // no closing quote
    }

    bool atEnd()
    {
        skip();
        return m_pos >= m_text.size();
    }

private:
    static std::string trimmed(std::string_view text)
    {
        std::string name(text);
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        return name;
    }
    static bool parseFlag(const std::string& name, DWORD* out)
    {
        if (name.empty()) return false;
        auto it = flagNames().find(name);
        int numeric = 0;
        if (it != flagNames().end()) *out = it->second;
        else if (parseNumber(name, &numeric)) *out = static_cast<DWORD>(numeric);
        else return false;
        return true;
    }
    void skip()
    {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    }
    static bool parseNumber(const std::string& w, int* out)
    {
        if (w.empty()) return false;
        char* end = nullptr;
        long long v = std::strtoll(w.c_str(), &end, 0);
        if (end == nullptr || *end != '\0' || v < -2147483648LL || v > 0xFFFFFFFFLL) return false;
        *out = static_cast<int>(static_cast<std::uint32_t>(v));
        return true;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

int baseUnitX(int points) { return (points * 7 + 4) / 9; }
int baseUnitY(int points) { return (points * 15 + 4) / 9; }

}  // namespace

int DialogTemplate::PixelsX(int units) const { return units * baseUnitX(pointSize) / 4; }
int DialogTemplate::PixelsY(int units) const { return units * baseUnitY(pointSize) / 8; }

bool ParseDialogTemplate(std::string_view text, DialogTemplate* out, std::string* error)
{
    DialogTemplate t;
    bool haveId = false, haveSize = false;
    int lineNumber = 0;
    auto fail = [&](const char* what) {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view raw = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line(raw);
        std::string keyword;
        if (!line.word(&keyword) || keyword[0] == '#') continue;
        if (keyword == "dialog") {
            int id;
            if (!line.number(&id) || id <= 0 || id > 0xFFFF) return fail("dialog needs an id from 1 to 65535");
            t.id = static_cast<UINT>(id);
            haveId = true;
        } else if (keyword == "style") {
            if (!line.flags(&t.style)) return fail("bad style");
        } else if (keyword == "exstyle") {
            if (!line.flags(&t.exStyle)) return fail("bad exstyle");
        } else if (keyword == "size") {
            if (!line.number(&t.cx) || !line.number(&t.cy) || t.cx < 0 || t.cy < 0) return fail("size needs two sizes");
            haveSize = true;
        } else if (keyword == "caption") {
            if (!line.quoted(&t.caption)) return fail("caption needs a quoted text");
        } else if (keyword == "font") {
            if (!line.number(&t.pointSize) || t.pointSize <= 0 || t.pointSize > 72 || !line.quoted(&t.faceName)) return fail("font needs points and a quoted face");
        } else if (keyword == "control") {
            DialogControlTemplate c;
            if (!line.word(&c.className)) return fail("control needs a class");
            if (!line.number(&c.id) || !line.number(&c.x) || !line.number(&c.y) || !line.number(&c.cx) || !line.number(&c.cy))
                return fail("control needs an id and a rectangle");
            if (c.cx < 0 || c.cy < 0) return fail("control size is negative");
            DWORD removed = 0;
            if (!line.flags(&c.style, &removed)) return fail("bad control style");
            if (!line.quoted(&c.text)) return fail("control needs a quoted text");
            // A control is a visible child unless its style takes visibility away.
            c.style = ((c.style | WS_VISIBLE) & ~removed) | WS_CHILD;
            t.controls.push_back(std::move(c));
        } else {
            return fail("unknown statement");
        }
        if (!line.atEnd()) return fail("unexpected text at the end of the line");
    }
    if (!haveId) return fail("no dialog id");
    if (!haveSize) return fail("no size");
    *out = std::move(t);
    return true;
}

void RegisterDialogTemplate(const DialogTemplate& dialogTemplate)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.templates[dialogTemplate.id] = dialogTemplate;
}

bool RegisterDialogTemplateText(std::string_view text, std::string* error)
{
    DialogTemplate t;
    if (!ParseDialogTemplate(text, &t, error)) return false;
    RegisterDialogTemplate(t);
    return true;
}

void SetDialogTemplateSource(DialogTemplateSource source)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.source = source;
}

bool FindDialogTemplate(UINT id, DialogTemplate* out)
{
    DialogTemplateSource source;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.templates.find(id);
        if (it != r.templates.end()) {
            *out = it->second;
            return true;
        }
        source = r.source;
    }
    std::string text;
    if (source == nullptr || !source(id, &text)) return false;
    DialogTemplate t;
    if (!ParseDialogTemplate(text, &t, nullptr) || t.id != id) return false;
    RegisterDialogTemplate(t);
    *out = std::move(t);
    return true;
}

}  // namespace platform::user
