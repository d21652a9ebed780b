// velumbra-stack: stacks BMP frames from the command line with the engine of
// the Velumbra windows, with no display.
#include "app/stack/BatchStack.h"
#include "app/stack/StackOptions.h"
#include "app/stack/StackText.h"
#include "core/Version.h"

#include <QGuiApplication>
#include <cstdio>
#include <unistd.h>

using namespace velumbra;
using namespace velumbra::stack;

namespace {

// Reports go to stderr, one line each.
class StderrMessages final : public MessageSink {
public:
    void showMessage(bool, const QString& text) override
    {
        if (barShown) std::fputc('\n', stderr);
        barShown = false;
        std::fprintf(stderr, "velumbra-stack: %s\n", text.toLocal8Bit().constData());
    }
    bool barShown = false;
};

// A bar redrawn in place, only when stderr is a terminal.
class TerminalBar final : public StackProgress {
public:
    explicit TerminalBar(StderrMessages& messages) : messages_(messages) {}
    ~TerminalBar() override
    {
        if (messages_.barShown) std::fputc('\n', stderr);
    }
    void frameDone(int done, int total) override
    {
        constexpr int kWidth = 40;
        const int filled = total > 0 ? done * kWidth / total : kWidth;
        if (filled == lastFilled_ && done != total && messages_.barShown) return;
        lastFilled_ = filled;
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\r[%s] %d/%d", bar, done, total);
        std::fflush(stderr);
        messages_.barShown = true;
    }

private:
    StderrMessages& messages_;
    int lastFilled_ = -1;
};

// The offscreen platform warns about a missing runtime folder, which a
// command run from a script or a service does not need.
void quietRuntimeWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths:"))) return;
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    // No display is needed: fonts and painters work offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietRuntimeWarnings);
    QGuiApplication app(argc, argv);

    // One language for the whole run, the causes of the reader and the writers included.
    const StackText text(languageFromEnvironment());
    CauseTranslator causes(text);
    QCoreApplication::installTranslator(&causes);

    const ParsedCommandLine parsed = parseStackCommandLine(app.arguments().mid(1), text);
    StderrMessages messages;
    if (parsed.outcome == ParsedCommandLine::Outcome::Help) {
        std::fputs(stackUsage(text).toLocal8Bit().constData(), stdout);
        return kExitStacked;
    }
    if (parsed.outcome == ParsedCommandLine::Outcome::Version) {
        std::printf("%s\n", text(Msg::Version, {programVersion()}).toLocal8Bit().constData());
        return kExitStacked;
    }
    for (const QString& warning : parsed.warnings) messages.showMessage(false, warning);
    if (parsed.outcome == ParsedCommandLine::Outcome::Error) {
        std::fprintf(stderr, "velumbra-stack: %s\n%s\n", parsed.error.toLocal8Bit().constData(),
                     text(Msg::TryHelp).toLocal8Bit().constData());
        return kExitUsage;
    }

    StackOutcome outcome;
    {
        TerminalBar bar(messages);
        const bool showBar = !parsed.options.quiet && isatty(STDERR_FILENO);
        outcome = runStack(parsed.options, messages, showBar ? &bar : nullptr, text);
    }
    // The summary of a run that wrote its result, on the standard output.
    if (!parsed.options.quiet && outcome.resultWidth > 0) {
        for (const QString& line : summaryLines(outcome.report, text))
            std::printf("%s\n", line.toLocal8Bit().constData());
    }
    return outcome.exitStatus;
}
