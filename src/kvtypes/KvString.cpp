#include <KvString.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

KvString::KvString(const char* text) : text_(text ? text : ""), null_(text == nullptr) {}
KvString::KvString(const char* text, size_t length)
    : text_(text ? std::string(text, length) : std::string()), null_(text == nullptr) {}
KvString::KvString(const std::string& text) : text_(text), null_(false) {}
KvString::KvString(std::string&& text) : text_(std::move(text)), null_(false) {}
KvString::KvString(const QString& text) : KvString(fromQString(text)) {}

KvString KvString::number(long long value) { return KvString(std::to_string(value)); }
KvString KvString::number(unsigned long long value) { return KvString(std::to_string(value)); }
KvString KvString::number(double value, int precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    return KvString(buf);
}

void KvString::setNull() {
    text_.clear();
    null_ = true;
}

const KvString& KvString::null() {
    static const KvString n;
    return n;
}

bool KvString::operator<(const KvString& o) const {
    if (null_ != o.null_) return null_;
    return text_ < o.text_;
}

KvString KvString::operator+(const KvString& o) const {
    KvString r(*this);
    r += o;
    return r;
}

KvString& KvString::operator+=(const KvString& o) {
    text_ += o.text_;
    null_ = null_ && o.null_;
    return *this;
}

KvString& KvString::operator+=(char c) {
    text_ += c;
    null_ = false;
    return *this;
}

KvString KvString::subString(size_t start, size_t count) const {
    if (start >= text_.size()) return KvString("");
    return KvString(text_.substr(start, count));
}

size_t KvString::find(const KvString& needle, size_t from) const { return text_.find(needle.text_, from); }

bool KvString::startsWith(const KvString& prefix) const {
    return text_.compare(0, prefix.text_.size(), prefix.text_) == 0;
}

static std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::vector<KvString> KvString::tokenize(const KvString& separators, bool skipEmpty, bool trim) const {
    std::vector<KvString> out;
    if (null_) return out;
    size_t start = 0;
    for (;;) {
        size_t pos = text_.find_first_of(separators.text_, start);
        std::string tok = text_.substr(start, pos == std::string::npos ? std::string::npos : pos - start);
        if (trim) tok = trimmed(tok);
        if (!(skipEmpty && tok.empty())) out.emplace_back(std::move(tok));
        if (pos == std::string::npos) break;
        start = pos + 1;
    }
    return out;
}

bool KvString::partition(const KvString& separator, KvString& before, KvString& after) const {
    size_t pos = separator.isEmpty() ? std::string::npos : text_.find(separator.text_);
    if (pos == std::string::npos) {
        before = *this;
        after.setNull();
        return false;
    }
    before = KvString(text_.substr(0, pos));
    after = KvString(text_.substr(pos + separator.text_.size()));
    return true;
}

bool KvString::getUint64(unsigned long long& value) const {
    if (text_.empty() || text_.size() > 20) return false;
    unsigned long long v = 0;
    for (char c : text_) {
        if (c < '0' || c > '9') return false;
        unsigned d = static_cast<unsigned>(c - '0');
        if (v > (~0ULL - d) / 10) return false;
        v = v * 10 + d;
    }
    value = v;
    return true;
}

bool KvString::getUint(unsigned& value) const {
    unsigned long long v;
    if (!getUint64(v) || v > 0xFFFFFFFFULL) return false;
    value = static_cast<unsigned>(v);
    return true;
}

KvString KvString::escape(const KvString& chars, char escapeChar) const {
    if (null_) return *this;
    std::string out;
    out.reserve(text_.size());
    for (char c : text_) {
        if (c == escapeChar || chars.text_.find(c) != std::string::npos) out += escapeChar;
        out += c;
    }
    return KvString(std::move(out));
}

KvString KvString::unescape(char escapeChar) const {
    if (null_) return *this;
    std::string out;
    out.reserve(text_.size());
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == escapeChar && i + 1 < text_.size()) ++i;
        out += text_[i];
    }
    return KvString(std::move(out));
}

std::vector<KvString> KvString::splitEscaped(char separator, char escapeChar) const {
    std::vector<KvString> out;
    if (null_) return out;
    std::string cur;
    for (size_t i = 0; i < text_.size(); ++i) {
        char c = text_[i];
        if (c == escapeChar && i + 1 < text_.size()) {
            cur += text_[++i];
        } else if (c == separator) {
            out.emplace_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.emplace_back(std::move(cur));
    return out;
}

QString KvString::toQString() const {
    if (null_) return QString();
    return QString::fromLocal8Bit(text_.data(), static_cast<int>(text_.size()));
}

KvString KvString::fromQString(const QString& text) {
    if (text.isNull()) return KvString();
    QByteArray bytes = text.toLocal8Bit();
    return KvString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

uint qHash(const KvString& s, uint seed) { return qHashBits(s.getString(), s.length(), seed); }

std::ostream& operator<<(std::ostream& os, const KvString& s) { return os << s.str(); }
