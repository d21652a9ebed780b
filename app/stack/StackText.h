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
    GivenTwice, NoEffectWithout, EmptyFolder, Usage, Version, ExpectMotion, OneSelection, MotionNeedsReference,
    ExpectFormat, OutputNotFits, ExpectIndiCamera, ExpectCorner, IndiAndFiles, IndiNeedsCount, ExpectRegister,
    RegisterAndTrack, RegisterAndMasters, BestNeedsFrames,
    // the run
    CannotCreateFolder, NoFrameRead, NoFrameStacked, CannotCreateLog, CannotWriteLog, CannotRead, SizeDiffers,
    FrameTooLarge, CenterOutside, CannotWrite, Saturated, SaturatedBinned, ObjectLost,
    CannotReadDark, CannotReadFlat, DarkSizeDiffers, FlatSizeDiffers, FlatMeanZero, ChannelRed, ChannelGreen,
    ChannelBlue, CannotSaveFrame, CannotReadReference, ReferenceSizeDiffers, SerFramesMissing,
    CannotRecordSer, IndiUnavailable, IndiFrameMissing,
    // the files of a run: who is what, and which file would be lost
    BothRoles, SameFileAs, LogNamedLikeBmp, LeftOutRecord, LeftOutEarlierResult, RoleResult, RoleRecord, RoleLog,
    RoleLightFrame, RoleDarkFrame, RoleFlatFrame, RoleSavedFrame, RoleReferenceFrame, RoleSerRecording,
    // the summary
    SummaryFrames, SummaryThresholds, ThresholdGiven, ThresholdLowPercentile, ThresholdHighPercentile,
    SummarySaturated, SummaryLost, SummaryResult, SummaryTime, SummaryRegistered, SummaryCommonArea, SummaryBest, SummaryRegisteredPlanet,
    End // not a message: one past the last id
};

class StackText {
public:
    explicit StackText(Language language = Language::English) : language_(language) {}
    Language language() const { return language_; }

    // The text of `id` with %1, %2, ... replaced by `args` in order.
    QString operator()(Msg id, const QStringList& args = {}) const;
    // A number with `decimals` decimals, with the language's decimal sign.
    QString decimal(double value, int decimals) const;

    // A cause given by a lower layer in the run's language: the BMP reader
    // names its causes in the program's French, the file writers in English.
    // An unknown text stays as it is.
    QString cause(const char* source) const;

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
    static const Cause* causes(std::size_t& count);

    Language language_;
};

// Puts the causes of the BMP reader and of the file writers into the run's
// language: they name them through Qt's tr() with a fixed source text.
class CauseTranslator final : public QTranslator {
public:
    explicit CauseTranslator(const StackText& text) : text_(text) {}
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    const StackText& text_;
};

} // namespace velumbra::stack
