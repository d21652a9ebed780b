#include "settings/IniText.h"

#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace velumbra {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// The byte-level checks, done before anything is decoded or allocated.
IniText::Problem screen(QByteArrayView bytes)
{
    if (bytes.size() > IniText::kMaxFileBytes) return IniText::Problem::TooLarge;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20) continue;
        if (c == '\n') {
            if (i - lineStart > IniText::kMaxLineBytes) return IniText::Problem::LineTooLong;
            lineStart = i + 1;
        } else if (c == 0) {
            return IniText::Problem::NulByte;
        } else if (c != '\t' && c != '\r') {
            return IniText::Problem::ControlCharacter;
        }
    }
    if (bytes.size() - lineStart > IniText::kMaxLineBytes) return IniText::Problem::LineTooLong;
    return IniText::Problem::None;
}

QString decode(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes.data(), bytes.size());
    return text;
}

// A name or value as one line of text: line breaks and other control
// characters typed into a profile name must not start new lines in the file.
QString oneLine(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 && c != QLatin1Char('\t')) c = QLatin1Char(' ');
    return out;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// The form a section or key name is matched in; written names take it too.
QString nameForm(const QString& name) { return oneLine(name).trimmed(); }
QString folded(const QString& name) { return nameForm(name).toCaseFolded(); }

bool isComment(const QString& trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

} // namespace

QString IniText::describe(Problem problem)
{
    switch (problem) {
    case Problem::None: return {};
    case Problem::TooLarge: return QStringLiteral("fichier de plus de 1 Mio");
    case Problem::LineTooLong: return QStringLiteral("ligne de plus de 64 Kio");
    case Problem::NulByte: return QStringLiteral("octet nul");
    case Problem::ControlCharacter: return QStringLiteral("caractère de contrôle");
    }
    return {};
}

std::optional<IniText> IniText::parse(QByteArrayView bytes, Problem* problem)
{
    const Problem found = screen(bytes);
    if (problem) *problem = found;
    if (found != Problem::None) return std::nullopt;

    IniText doc;
    if (bytes.startsWith(QByteArrayView(kBom, 3))) {
        doc.bom_ = true;
        bytes = bytes.sliced(3);
    }
    const qsizetype firstEnd = bytes.indexOf('\n');
    doc.crlf_ = firstEnd > 0 && bytes[firstEnd - 1] == '\r';

    const QString text = decode(bytes);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        qsizetype stop = end;
        while (stop > start && text[stop - 1] == QLatin1Char('\r')) --stop;
        doc.addLine(text.sliced(start, stop - start));
        start = end + 1;
    }
    return doc;
}

void IniText::addLine(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        // The name runs to the last ']', so a profile name may hold one.
        const qsizetype close = trimmed.lastIndexOf(QLatin1Char(']'));
        const QString name = nameForm(trimmed.sliced(1, (close > 0 ? close : trimmed.size()) - 1));
        sections_.push_back(Section{text, name, name.toCaseFolded(), {}});
        return;
    }
    Line line{text, {}, {}};
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    if (eq > 0 && !isComment(trimmed)) {
        line.folded = folded(trimmed.first(eq));
        line.value = trimmed.sliced(eq + 1).trimmed();
    }
    sections_.back().lines.push_back(std::move(line));
}

std::optional<QByteArray> IniText::toBytes() const
{
    const QLatin1StringView eol(crlf_ ? "\r\n" : "\n");
    QString text;
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        const Section& section = sections_[s];
        if (s > 0) text += section.header + eol;
        for (const Line& line : section.lines) text += line.text + eol;
    }
    QByteArray bytes = bom_ ? QByteArray(kBom, 3) + text.toUtf8() : text.toUtf8();
    // Latin-1 text grows when it becomes UTF-8: what would not be read back
    // is not written.
    if (screen(bytes) != Problem::None) return std::nullopt;
    return bytes;
}

const IniText::Section* IniText::findSection(const QString& folded) const
{
    const auto it = std::find_if(sections_.begin() + 1, sections_.end(),
                                 [&](const Section& s) { return s.folded == folded; });
    return it == sections_.end() ? nullptr : &*it;
}

IniText::Section* IniText::findSection(const QString& folded)
{
    return const_cast<Section*>(std::as_const(*this).findSection(folded));
}

std::optional<QString> IniText::value(const QString& section, const QString& key) const
{
    const Section* s = findSection(folded(section));
    if (!s) return std::nullopt;
    const QString keyFolded = folded(key);
    for (const Line& line : s->lines)
        if (!line.folded.isEmpty() && line.folded == keyFolded) return line.value;
    return std::nullopt;
}

QStringList IniText::keys(const QString& section) const
{
    QStringList names;
    QSet<QString> seen;
    const Section* s = findSection(folded(section));
    if (!s) return names;
    for (const Line& line : s->lines) {
        if (line.folded.isEmpty() || seen.contains(line.folded)) continue;
        seen.insert(line.folded);
        names << line.text.trimmed().section(QLatin1Char('='), 0, 0).trimmed();
    }
    return names;
}

QStringList IniText::sectionNames() const
{
    QStringList names;
    QSet<QString> seen;
    for (std::size_t s = 1; s < sections_.size(); ++s) {
        if (sections_[s].name.isEmpty() || seen.contains(sections_[s].folded)) continue;
        seen.insert(sections_[s].folded);
        names << sections_[s].name;
    }
    return names;
}

bool IniText::set(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = nameForm(section);
    const QString keyName = nameForm(key);
    if (sectionName.isEmpty() || keyName.isEmpty() || keyName.contains(QLatin1Char('=')) ||
        keyName.startsWith(QLatin1Char('[')) || isComment(keyName))
        return false;

    Line line{keyName + QLatin1Char('=') + oneLine(value), keyName.toCaseFolded(), {}};
    line.value = line.text.sliced(keyName.size() + 1).trimmed();

    Section* s = findSection(sectionName.toCaseFolded());
    if (!s) {
        sections_.push_back(Section{QLatin1Char('[') + sectionName + QLatin1Char(']'), sectionName,
                                    sectionName.toCaseFolded(), {}});
        s = &sections_.back();
    }
    for (Line& existing : s->lines) {
        if (existing.folded == line.folded) {
            existing = std::move(line);
            return true;
        }
    }
    // After the section's last key, before the blank lines that set it apart
    // from the next one.
    auto at = s->lines.end();
    while (at != s->lines.begin() && std::prev(at)->text.trimmed().isEmpty()) --at;
    s->lines.insert(at, std::move(line));
    return true;
}

bool IniText::holds(const QString& section, const QString& key, const QString& value) const
{
    const auto held = this->value(section, key);
    return held && *held == oneLine(value).trimmed();
}

bool IniText::eraseSection(const QString& section)
{
    const QString name = folded(section);
    if (name.isEmpty()) return false;
    const auto removed = std::remove_if(sections_.begin() + 1, sections_.end(),
                                        [&](const Section& s) { return s.folded == name; });
    const bool any = removed != sections_.end();
    sections_.erase(removed, sections_.end());
    return any;
}

std::optional<int> parseIniInteger(const QString& text)
{
    if (text.size() > 2 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        quint64 value = 0;
        for (qsizetype i = 2; i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0) return std::nullopt;
            value = value * 16 + quint64(digit);
            if (value > 0xFFFFFFFFu) return std::nullopt;
        }
        return int(quint32(value));
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

} // namespace velumbra
