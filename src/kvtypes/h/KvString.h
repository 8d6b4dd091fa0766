#pragma once

#include <KvTypesExport.h>

#include <QHash>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// 8-bit text. A null string (default) is distinct from an empty one: both read
// as "" but isNull() tells them apart, and a null name means "no name".
class KV_TYPES_EXPORT KvString {
public:
    KvString() = default;
    KvString(const char* text);
    KvString(const char* text, size_t length);
    KvString(const std::string& text);
    KvString(std::string&& text);
    explicit KvString(const QString& text);

    static KvString number(long long value);
    static KvString number(unsigned long long value);
    static KvString number(int value) { return number(static_cast<long long>(value)); }
    static KvString number(unsigned value) { return number(static_cast<unsigned long long>(value)); }
    static KvString number(double value, int precision = 17);

    const char* getString() const { return text_.c_str(); }
    const std::string& str() const { return text_; }
    size_t length() const { return text_.size(); }
    bool isEmpty() const { return text_.empty(); }
    bool isNull() const { return null_; }
    void setNull();
    static const KvString& null();

    char operator[](size_t i) const { return text_[i]; }

    bool operator==(const KvString& o) const { return null_ == o.null_ && text_ == o.text_; }
    bool operator!=(const KvString& o) const { return !(*this == o); }
    // Strict total order: null before everything, then byte-wise.
    bool operator<(const KvString& o) const;
    bool operator>(const KvString& o) const { return o < *this; }

    KvString operator+(const KvString& o) const;
    KvString& operator+=(const KvString& o);
    KvString& operator+=(char c);

    // Up to `count` bytes from `start`; npos takes the rest.
    KvString subString(size_t start, size_t count = std::string::npos) const;
    // Position of `needle` from `from`, or npos.
    size_t find(const KvString& needle, size_t from = 0) const;
    bool startsWith(const KvString& prefix) const;

    // Splits at any of `separators`. `skipEmpty` drops empty tokens, `trim`
    // strips white space around each token before that test.
    std::vector<KvString> tokenize(const KvString& separators, bool skipEmpty = false, bool trim = false) const;
    // Splits at the first occurrence of `separator`: false (and `before` the
    // whole text, `after` null) when there is none.
    bool partition(const KvString& separator, KvString& before, KvString& after) const;
    // True when the whole text is a decimal number that fits 32 bits.
    bool getUint(unsigned& value) const;
    bool getUint64(unsigned long long& value) const;
    // Puts `escapeChar` before every character in `chars` and before itself.
    KvString escape(const KvString& chars, char escapeChar = '\\') const;
    KvString unescape(char escapeChar = '\\') const;
    // Splits at unescaped `separator`, then unescapes each part.
    std::vector<KvString> splitEscaped(char separator, char escapeChar = '\\') const;

    QString toQString() const;
    QString toLocal8BitQString() const { return toQString(); }
    static KvString fromQString(const QString& text);

private:
    std::string text_;
    bool null_ = true;
};

KV_TYPES_EXPORT uint qHash(const KvString& s, uint seed = 0);
KV_TYPES_EXPORT std::ostream& operator<<(std::ostream& os, const KvString& s);

namespace std {
template <>
struct hash<KvString> {
    size_t operator()(const KvString& s) const noexcept { return std::hash<std::string>()(s.str()); }
};
}  // namespace std
