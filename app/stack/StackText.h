#pragma once
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace velumbra::stack {

// velumbra-stack speaks one language per run: English, as command-line
// tools do, or French when the user's locale is French.
enum class Language { English, French };

// The language of the messages: the first of LC_ALL, LC_MESSAGES and LANG
// that is set decides, as for any POSIX program; French when it starts with "fr".
Language languageOf(const QString& lcAll, const QString& lcMessages, const QString& lang);
Language languageFromEnvironment();

// Every text the command prints, by id. A new message gets an id here and a
// row with both languages in StackText.cpp.
enum class Msg {
    // command line
    InvalidValue, ExpectFileName, ExpectMode, ExpectPercent, ExpectRadius, ExpectBinning, ExpectChannels,
    ExpectCenter, ExpectTrack, ExpectFrameCount, ExpectSize, ExpectFolder, TakesNoValue, UnknownOption,
    NeedsValue, NoOutput, OutputNotBmp, FilesAndSimulate, NoFrames, NeedsDarks, MinAboveMax, TryHelp,
    GivenTwice, NoEffectWithout, EmptyFolder, Usage, Version,
    // the run
    CannotCreateFolder, NoFrameRead, NoFrameStacked, CannotCreateLog, CannotWriteLog, CannotRead, SizeDiffers,
    FrameTooLarge, CenterOutside, CannotWrite, Saturated, SaturatedBinned, ObjectLost,
    // the summary
    SummaryFrames, SummaryThresholds, ThresholdGiven, ThresholdLowPercentile, ThresholdHighPercentile,
    SummarySaturated, SummaryLost, SummaryResult, SummaryTime,
};

class StackText {
public:
    explicit StackText(Language language = Language::English) : language_(language) {}
    Language language() const { return language_; }

    // The text of `id` with %1, %2, ... replaced by `args` in order.
    QString operator()(Msg id, const QStringList& args = {}) const;
    // A number with `decimals` decimals, with the language's decimal sign.
    QString decimal(double value, int decimals) const;

    // The causes the BMP reader gives (in the program's French) in the run's
    // language; an unknown text stays as it is.
    QString readerCause(const char* frenchSource) const;

private:
    struct Entry {
        Msg id;
        const char* english;
        const char* french;
    };
    static const Entry* entries(std::size_t& count);
    struct Cause {
        const char* french;
        const char* english;
    };
    static const Cause* readerCauses(std::size_t& count);

    Language language_;
};

// Puts the BMP reader's causes into the run's language: the reader names
// them through QObject::tr with its French text as the source.
class ReaderCauseTranslator final : public QTranslator {
public:
    explicit ReaderCauseTranslator(const StackText& text) : text_(text) {}
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    const StackText& text_;
};

} // namespace velumbra::stack
