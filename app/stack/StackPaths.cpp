#include "app/stack/StackPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <sys/xattr.h>
#include <vector>

namespace velumbra::stack {

namespace {

// The mark a result of this command carries in the file's extended attributes.
constexpr char kResultMark[] = "user.velumbra.stack-result";

// The files --save-frames will write: frame-00001.bmp up to the number of
// light frames, in the folder, where a link there leads elsewhere.
class SavedFrames {
public:
    SavedFrames(const QString& folder, int count) : count_(folder.isEmpty() ? 0 : count)
    {
        if (count_ == 0) return;
        folder_ = fileIdentity(folder);
        const QDir dir(folder);
        if (!dir.exists()) return;
        const auto entries = dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QFileInfo& entry : entries)
            if (entry.isSymLink() && isFrameName(entry.fileName()))
                linkTargets_.insert(fileIdentity(entry.filePath()));
    }

    bool writesOver(const QString& identity) const
    {
        if (count_ == 0) return false;
        const QFileInfo info(identity);
        return (info.path() == folder_ && isFrameName(info.fileName())) || linkTargets_.contains(identity);
    }

private:
    bool isFrameName(const QString& name) const
    {
        static const QRegularExpression pattern(QStringLiteral("^frame-(\\d+)\\.bmp$"));
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch()) return false;
        bool ok = false;
        const long long n = m.captured(1).toLongLong(&ok);
        return ok && n >= 1 && n <= count_ && QFileInfo(savedFramePath(QString(), int(n))).fileName() == name;
    }

    int count_;
    QString folder_;
    QSet<QString> linkTargets_;
};

// A file of the run and its role, as the messages name it ("the result",
// "a dark frame"): the role's text carries its own article, so that the
// messages read right in either language.
struct RunFile {
    Msg what;
    QString path;
    QString identity;
};

QString clash(const StackText& text, const QString& outputPath, Msg outputWhat, const QString& inputPath, Msg inputWhat)
{
    if (outputPath == inputPath) return text(Msg::BothRoles, {outputPath, text(outputWhat), text(inputWhat)});
    return text(Msg::SameFileAs, {outputPath, text(outputWhat), inputPath, text(inputWhat)});
}

} // namespace

QString recordPathOf(const QString& output)
{
    const QFileInfo info(output);
    const QString base = info.suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0 ||
                                 namesAFits(output)
                             ? info.completeBaseName()
                             : info.fileName();
    return QDir(info.path()).filePath(base + QStringLiteral(".par"));
}

QString savedFramePath(const QString& folder, int number)
{
    return QDir(folder).filePath(QStringLiteral("frame-%1.bmp").arg(number, 5, 10, QLatin1Char('0')));
}

QString fileIdentity(const QString& path)
{
    QFileInfo info(path);
    // A dangling link: the file would be created where it points.
    constexpr int kMaxLinks = 40;
    for (int hop = 0; hop < kMaxLinks && info.isSymLink() && !info.exists(); ++hop)
        info = QFileInfo(info.symLinkTarget());
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : folder + QLatin1Char('/') + info.fileName();
}

PathCheck checkStackPaths(StackOptions& options, const StackText& text)
{
    PathCheck check;
    const QString result = fileIdentity(options.output);
    const QString recordPath = recordPathOf(options.output);
    const QString record = fileIdentity(recordPath);

    if (!options.logFile.isEmpty() && QFileInfo(options.logFile).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) {
        check.usageError = text(Msg::LogNamedLikeBmp, {options.logFile});
        return check;
    }

    QStringList kept;
    for (const QString& frame : options.frames) {
        const QString identity = fileIdentity(frame);
        if (identity == record) {
            check.leftOut << text(Msg::LeftOutRecord, {frame});
        } else if (identity == result && isStackResult(frame)) {
            check.leftOut << text(Msg::LeftOutEarlierResult, {frame});
        } else {
            kept << frame;
        }
    }
    options.frames = kept;

    std::vector<RunFile> outputs = {{Msg::RoleResult, options.output, result}};
    if (options.writePar) outputs.push_back({Msg::RoleRecord, recordPath, record});
    if (!options.logFile.isEmpty()) outputs.push_back({Msg::RoleLog, options.logFile, fileIdentity(options.logFile)});
    if (!options.serFile.isEmpty())
        outputs.push_back({Msg::RoleSerRecording, options.serFile, fileIdentity(options.serFile)});

    std::vector<RunFile> inputs;
    for (const QString& f : options.frames) inputs.push_back({Msg::RoleLightFrame, f, fileIdentity(f)});
    for (const QString& f : options.darks) inputs.push_back({Msg::RoleDarkFrame, f, fileIdentity(f)});
    for (const QString& f : options.flats) inputs.push_back({Msg::RoleFlatFrame, f, fileIdentity(f)});
    if (!options.referenceFile.isEmpty())
        inputs.push_back({Msg::RoleReferenceFrame, options.referenceFile, fileIdentity(options.referenceFile)});

    const int lights = options.simulate > 0 ? options.simulate : int(options.frames.size());
    const SavedFrames saved(options.saveFramesDir, lights);
    const Msg savedWhat = Msg::RoleSavedFrame;

    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (const RunFile& in : inputs)
            if (outputs[i].identity == in.identity)
                check.usageError = clash(text, outputs[i].path, outputs[i].what, in.path, in.what);
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (outputs[i].identity == outputs[j].identity)
                check.usageError = clash(text, outputs[i].path, outputs[i].what, outputs[j].path, outputs[j].what);
        if (saved.writesOver(outputs[i].identity))
            check.usageError = clash(text, outputs[i].path, outputs[i].what, outputs[i].path, savedWhat);
        if (!check.usageError.isEmpty()) return check;
    }
    for (const RunFile& in : inputs) {
        if (saved.writesOver(in.identity)) {
            check.usageError = clash(text, in.path, in.what, in.path, savedWhat);
            return check;
        }
    }
    return check;
}

void markAsStackResult(const QString& path)
{
    if (!QFileInfo(path).isFile()) return;
    static constexpr char kYes = '1';
    ::setxattr(QFile::encodeName(path).constData(), kResultMark, &kYes, 1, 0);
}

bool isStackResult(const QString& path)
{
    return ::getxattr(QFile::encodeName(path).constData(), kResultMark, nullptr, 0) >= 0;
}

} // namespace velumbra::stack
