#pragma once
#include <QString>
#include <QStringView>

#include <span>

namespace velumbra {

// One text the language file can replace: the window it belongs to (empty
// for a named text the code asks for when it composes a message), the key
// as written in the file, and the built-in French text used when the chosen
// language lacks the key or when there is no language file at all.
struct LanguageRead {
    const char* window;
    const char* key;
    const char* builtIn; // UTF-8
};

// Every read of a language, in the order a language is applied: the named
// words, then window by window, the main window's hints, the operations'
// instructions and the port driver's messages. A key may come twice with
// two built-in texts (one language text then serves both messages).
std::span<const LanguageRead> languageReads();

// The built-in text of a key (its first read); the key itself when the
// table has no such key, so a mistyped key shows up on screen.
QString builtInText(QStringView key);

// The texts that code composes as it goes (step instructions, direction
// words, the names of the focus sounds): asked by key at the moment a
// message is composed, so a change of language applies from then on. This
// one gives the built-in French texts; the language module gives those of
// the chosen section.
class NamedTexts {
public:
    virtual ~NamedTexts() = default;
    virtual QString text(QStringView key) const { return builtInText(key); }
    // The built-in texts, for code run without a language (tests, tools).
    static const NamedTexts& builtIn();
};

} // namespace velumbra
