#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velumbra {

// The text of an INI file held in memory, line by line: sections, keys and
// every other line (comments, blank lines, lines of no known form) kept as
// they were read. No file access here, so the parser can be fed anything.
class IniText {
public:
    // A settings file has a few hundred short lines: anything far beyond is
    // not one, and is refused before a byte of it is decoded.
    static constexpr qsizetype kMaxFileBytes = qsizetype(1) << 20;
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    enum class Problem { None, TooLarge, LineTooLong, NulByte, ControlCharacter };
    static QString describe(Problem problem);

    // The document of a file's bytes, or nothing when they are not INI text
    // (`problem` says why). UTF-8 when the bytes are valid UTF-8, otherwise
    // Latin-1, the encoding of files written on Windows; CR LF or LF.
    static std::optional<IniText> parse(QByteArrayView bytes, Problem* problem = nullptr);

    // The file's bytes: UTF-8, with the line end the file had (LF for a new
    // one). Nothing when the text would be refused by parse() (too large).
    std::optional<QByteArray> toBytes() const;

    // The trimmed value of a key, or null when the section or key is missing.
    // Names are compared without regard to case; the first match counts.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Section names in file order, each once.
    QStringList sectionNames() const;
    // The keys of a section (its first occurrence) in file order, each once.
    QStringList keys(const QString& section) const;

    // Replaces the key's line in place, or appends it after the last line of
    // its section that is not blank, creating the section at the end when
    // missing. Control characters become spaces, so the text stays one line.
    // False, and nothing changed, for a name the file could not give back
    // (empty, or a key holding '=' or starting like a section or comment).
    bool set(const QString& section, const QString& key, const QString& value);

    // True when the key's value already is the one set() would give it.
    bool holds(const QString& section, const QString& key, const QString& value) const;

    // Removes every section of that name with all its lines; true if one was.
    bool eraseSection(const QString& section);

private:
    struct Line {
        QString text;   // as read, or as written by set()
        QString folded; // the key's name case-folded; empty for other lines
        QString value;  // the key's trimmed value
    };
    struct Section {
        QString header; // the "[name]" line; empty for the lines before any section
        QString name;
        QString folded;
        std::vector<Line> lines;
    };

    const Section* findSection(const QString& folded) const;
    Section* findSection(const QString& folded);
    void addLine(const QString& text);

    std::vector<Section> sections_{Section{}}; // [0]: the lines before the first section
    bool crlf_ = false;
    bool bom_ = false;
};

// A value's text as an integer: "0x" or "0X" and hexadecimal digits (eight
// at most, a 32-bit pattern, so 0xFFFFFFFF is -1), otherwise a signed
// decimal. Nothing for anything else, empty or out of range.
std::optional<int> parseIniInteger(const QString& text);

} // namespace velumbra
