#include "platform/kernel/CString.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

const char* orEmpty(LPCSTR s) { return s != nullptr ? s : ""; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

void appendV(std::string& out, LPCSTR format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, orEmpty(format), copy);
    va_end(copy);
    if (n <= 0) return;
    std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(n));
    std::vsnprintf(out.data() + old, static_cast<std::size_t>(n) + 1, orEmpty(format), args);
}

// Clamps [first, first + count) to a string of length size.
std::pair<std::size_t, std::size_t> clampRange(int first, int count, std::size_t size)
{
    std::size_t f = first < 0 ? 0 : std::min(static_cast<std::size_t>(first), size);
    std::size_t c = count < 0 ? 0 : std::min(static_cast<std::size_t>(count), size - f);
    return {f, c};
}

}  // namespace

CString::CString(LPCSTR text) : m_str(orEmpty(text)) {}

CString::CString(LPCSTR text, int length)
{
    if (text != nullptr && length > 0) m_str.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char ch, int repeat) : m_str(repeat > 0 ? static_cast<std::size_t>(repeat) : 0, ch) {}

CString& CString::operator=(LPCSTR text)
{
    m_str = orEmpty(text);  // also right when text points into this string
    return *this;
}

CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& text)
{
    m_str += text.m_str;
    return *this;
}

CString& CString::operator+=(LPCSTR text)
{
    m_str += orEmpty(text);
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

char CString::GetAt(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < m_str.size() ? m_str[static_cast<std::size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch)
{
    if (index >= 0 && static_cast<std::size_t>(index) < m_str.size()) m_str[static_cast<std::size_t>(index)] = ch;
}

LPSTR CString::GetBuffer(int minLength)
{
    if (minLength > 0 && static_cast<std::size_t>(minLength) > m_str.size()) {
        m_str.resize(static_cast<std::size_t>(minLength));
    }
    return m_str.data();
}

LPSTR CString::GetBufferSetLength(int length)
{
    m_str.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return m_str.data();
}

void CString::ReleaseBuffer(int newLength)
{
    std::size_t n = newLength < 0 ? std::strlen(m_str.c_str()) : static_cast<std::size_t>(newLength);
    m_str.resize(std::min(n, m_str.size()));
}

void CString::Format(LPCSTR format, ...)
{
    std::string out;
    va_list args;
    va_start(args, format);
    appendV(out, format, args);
    va_end(args);
    m_str = std::move(out);  // the arguments may point into this string
}

void CString::AppendFormat(LPCSTR format, ...)
{
    std::string out = m_str;
    va_list args;
    va_start(args, format);
    appendV(out, format, args);
    va_end(args);
    m_str = std::move(out);
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const
{
    std::size_t c = count < 0 ? 0 : std::min(static_cast<std::size_t>(count), m_str.size());
    return CString(m_str.substr(m_str.size() - c));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const
{
    auto [f, c] = clampRange(first, count, m_str.size());
    return CString(m_str.substr(f, c));
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || static_cast<std::size_t>(start) >= m_str.size()) return -1;
    std::size_t at = m_str.find(ch, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR sub, int start) const
{
    if (start < 0 || static_cast<std::size_t>(start) > m_str.size()) return -1;
    std::size_t at = m_str.find(orEmpty(sub), static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    std::size_t at = m_str.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(char oldCh, char newCh)
{
    int n = 0;
    for (char& c : m_str) {
        if (c == oldCh) {
            c = newCh;
            ++n;
        }
    }
    return n;
}

int CString::Replace(LPCSTR oldText, LPCSTR newText)
{
    const std::string from = orEmpty(oldText);
    const std::string to = orEmpty(newText);
    if (from.empty()) return 0;
    std::string out;
    int n = 0;
    std::size_t pos = 0;
    for (std::size_t at; (at = m_str.find(from, pos)) != std::string::npos; pos = at + from.size()) {
        out.append(m_str, pos, at - pos);
        out += to;
        ++n;
    }
    out.append(m_str, pos, std::string::npos);
    m_str = std::move(out);
    return n;
}

int CString::Delete(int index, int count)
{
    auto [f, c] = clampRange(index, count, m_str.size());
    m_str.erase(f, c);
    return GetLength();
}

int CString::Insert(int index, LPCSTR text)
{
    auto [f, c] = clampRange(index, 0, m_str.size());
    m_str.insert(f, std::string(orEmpty(text)));
    return GetLength();
}

int CString::Insert(int index, char ch) { return Insert(index, std::string(1, ch).c_str()); }

CString& CString::MakeLower()
{
    for (char& c : m_str) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return *this;
}

CString& CString::MakeUpper()
{
    for (char& c : m_str) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft()
{
    auto it = std::find_if_not(m_str.begin(), m_str.end(), isSpace);
    m_str.erase(m_str.begin(), it);
    return *this;
}

CString& CString::TrimRight()
{
    auto it = std::find_if_not(m_str.rbegin(), m_str.rend(), isSpace);
    m_str.erase(it.base(), m_str.end());
    return *this;
}

int CString::Compare(LPCSTR other) const { return std::strcmp(m_str.c_str(), orEmpty(other)); }

int CString::CompareNoCase(LPCSTR other) const { return strcasecmp(m_str.c_str(), orEmpty(other)); }

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, LPCSTR b) { return CString(a.str() + orEmpty(b)); }
CString operator+(LPCSTR a, const CString& b) { return CString(orEmpty(a) + b.str()); }
CString operator+(const CString& a, char b) { return CString(a.str() + b); }
CString operator+(char a, const CString& b) { return CString(a + b.str()); }

bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
bool operator==(const CString& a, LPCSTR b) { return a.str() == orEmpty(b); }
bool operator==(LPCSTR a, const CString& b) { return b == a; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }
bool operator!=(LPCSTR a, const CString& b) { return !(b == a); }
bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }
