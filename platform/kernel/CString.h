// The class library's string, holding UTF-8 text. Lengths, indexes and counts are in bytes, as
// for a multibyte string; Left, Right and Mid do not look at character boundaries.
// Pass a CString to a printf-style function as (LPCSTR)s or s.GetString().
#pragma once

#include <string>

#include "platform/kernel/win_types.h"

class CString {
public:
    CString() = default;
    CString(LPCSTR text);  // NULL: empty
    CString(LPCSTR text, int length);
    CString(char ch, int repeat = 1);
    CString(const std::string& text) : m_str(text) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCSTR text);
    CString& operator=(char ch);

    CString& operator+=(const CString& text);
    CString& operator+=(LPCSTR text);
    CString& operator+=(char ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    char GetAt(int index) const;  // 0 outside the string
    void SetAt(int index, char ch);  // ignored outside the string
    char operator[](int index) const { return GetAt(index); }

    // A writable buffer of at least minLength bytes plus the terminator; the current text is kept.
    // After writing, ReleaseBuffer(-1) takes the length up to the first NUL, ReleaseBuffer(n) n bytes.
    LPSTR GetBuffer(int minLength = 0);
    LPSTR GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    void Format(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(LPCSTR format, ...) __attribute__((format(printf, 2, 3)));

    // Counts are clamped to the string; a negative count gives an empty result.
    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    // The byte index of the first match at or after start, -1 when there is none.
    int Find(char ch, int start = 0) const;
    int Find(LPCSTR sub, int start = 0) const;
    int ReverseFind(char ch) const;

    // The number of replacements made. An empty old text replaces nothing.
    int Replace(char oldCh, char newCh);
    int Replace(LPCSTR oldText, LPCSTR newText);
    // Removes count bytes from index; returns the new length.
    int Delete(int index, int count = 1);
    // Inserts before index (clamped); returns the new length.
    int Insert(int index, LPCSTR text);
    int Insert(int index, char ch);

    // ASCII letters only; other bytes (the parts of UTF-8 sequences) stay as they are.
    CString& MakeLower();
    CString& MakeUpper();
    // Removes leading and trailing white space (space, tab, CR, LF, VT, FF).
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    // <0, 0 or >0 by byte order; CompareNoCase folds ASCII letters.
    int Compare(LPCSTR other) const;
    int CompareNoCase(LPCSTR other) const;

private:
    std::string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCSTR b);
bool operator==(LPCSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCSTR b);
bool operator!=(LPCSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
