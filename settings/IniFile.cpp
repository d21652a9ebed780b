#include "settings/IniFile.h"

#include "core/Clock.h"
#include "core/Messages.h"
#include "core/SafeFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velumbra {
namespace {

// The profile functions read into a buffer of 1024 characters.
constexpr qsizetype kMaxValueChars = 1023;
// ... and list the section names in one of 8192 bytes: each name and its
// terminating NUL, then one more NUL.
constexpr qsizetype kSectionListBytes = 8192;

QString limited(QString text)
{
    if (text.size() <= kMaxValueChars) return text;
    text.truncate(kMaxValueChars);
    if (text.back().isHighSurrogate()) text.chop(1);
    return text;
}

// Reads at most limit + 1 bytes of a regular file: the size is known to be
// within the limit before the buffer is made.
enum class ReadResult { Ok, Missing, NotAFile, TooLarge, Failed };
ReadResult readSmallFile(const QString& path, qsizetype limit, QByteArray& out)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    if (!S_ISREG(info.st_mode)) return ReadResult::NotAFile;
    if (info.st_size > limit) return ReadResult::TooLarge;
    // Non-blocking: a pipe put there in the meantime must not hang the start.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ReadResult::Failed;
    ReadResult result = ReadResult::Ok;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) result = ReadResult::NotAFile;
    out.resize(result == ReadResult::Ok ? qsizetype(info.st_size) + 1 : 0);
    qsizetype got = 0;
    while (result == ReadResult::Ok && got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, std::size_t(out.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = ReadResult::Failed;
        if (n <= 0) break;
        got += n;
    }
    ::close(fd);
    if (result != ReadResult::Ok) return result;
    if (got > limit) return ReadResult::TooLarge; // it grew while read
    out.truncate(got);
    return ReadResult::Ok;
}

} // namespace

IniWriteError::IniWriteError(const QString& path)
    : std::runtime_error(QStringLiteral("Ne peut écrire dans %1").arg(path).toStdString())
{
}

IniFile::IniFile(QString path, Mode mode, const Clock& clock, MessageSink& messages)
    : path_(std::move(path)), mode_(mode), writable_(mode != Mode::ReadOnly)
{
    load(clock, messages);
}

void IniFile::load(const Clock& clock, MessageSink& messages)
{
    QString linkError;
    const QString file = linkTarget(path_, linkError);
    QByteArray bytes;
    switch (file.isEmpty() ? ReadResult::Failed : readSmallFile(file, IniText::kMaxFileBytes, bytes)) {
    case ReadResult::Missing:
        return;
    case ReadResult::TooLarge:
        unreadable(file, IniText::Problem::TooLarge, clock, messages);
        return;
    case ReadResult::NotAFile:
    case ReadResult::Failed:
        // Settings that cannot be read must not be replaced by the defaults.
        writable_ = false;
        if (mode_ == Mode::ReadOnly) {
            messages.showMessage(false, QStringLiteral("Ne peut lire %1 : il n'est pas lu").arg(path_));
            return;
        }
        messages.showMessage(false, QStringLiteral("Ne peut lire %1 : réglages par défaut, le fichier ne sera pas "
                                                   "remplacé").arg(path_));
        return;
    case ReadResult::Ok:
        break;
    }
    IniText::Problem problem = IniText::Problem::None;
    if (auto text = IniText::parse(bytes, &problem))
        text_ = std::move(*text);
    else
        unreadable(file, problem, clock, messages);
}

void IniFile::unreadable(const QString& file, IniText::Problem problem, const Clock& clock, MessageSink& messages)
{
    if (mode_ != Mode::ReadOnly) {
        setAside(file, problem, clock, messages);
        return;
    }
    messages.showMessage(false, QStringLiteral("Fichier %1 illisible (%2) : il n'est pas lu").arg(path_, IniText::describe(problem)));
}

void IniFile::setAside(const QString& file, IniText::Problem problem, const Clock& clock, MessageSink& messages)
{
    const QString stem = file + QStringLiteral(".illisible-") + clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100; ++n) {
        const QString aside = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        if (renameWithoutReplacing(file, aside)) {
            messages.showMessage(false, QStringLiteral("Fichier de réglages %1 illisible (%2) : mis de côté sous %3, "
                                                       "réglages par défaut")
                                            .arg(path_, IniText::describe(problem), aside));
            return;
        }
        if (errno != EEXIST) break;
    }
    writable_ = false;
    messages.showMessage(false, QStringLiteral("Fichier de réglages %1 illisible (%2) : réglages par défaut, le fichier "
                                               "ne sera pas remplacé")
                                    .arg(path_, IniText::describe(problem)));
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return limited(text_.value(section, key).value_or(defaultValue));
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    const auto text = text_.value(section, key);
    if (!text) return defaultValue;
    return parseIniInteger(limited(*text)).value_or(defaultValue);
}

QStringList IniFile::ReadSections() const
{
    QStringList listed;
    qsizetype used = 1; // the list's final NUL
    for (const QString& name : text_.sectionNames()) {
        used += name.toUtf8().size() + 1;
        if (used > kSectionListBytes) break;
        listed << name;
    }
    return listed;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (!writable_) throw IniWriteError(path_);
    if (text_.holds(section, key, value)) return;
    // Outside a session the change must not outlive a failed write.
    const IniText before = mode_ == Mode::WriteThrough ? text_ : IniText{};
    if (!text_.set(section, key, value)) throw IniWriteError(path_);
    try {
        changed();
    } catch (...) {
        text_ = before;
        throw;
    }
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::EraseSection(const QString& section)
{
    if (!writable_) throw IniWriteError(path_);
    const IniText before = mode_ == Mode::WriteThrough ? text_ : IniText{};
    if (!text_.eraseSection(section)) return;
    try {
        changed();
    } catch (...) {
        text_ = before;
        throw;
    }
}

void IniFile::changed()
{
    if (mode_ == Mode::WriteThrough)
        save();
    else
        dirty_ = true;
}

void IniFile::close()
{
    if (!dirty_) return;
    save();
    dirty_ = false;
}

void IniFile::save()
{
    const auto bytes = text_.toBytes();
    QString error;
    if (!bytes || !replaceFile(path_, bytes->constData(), bytes->size(), error, WriteMode::Synced))
        throw IniWriteError(path_);
}

} // namespace velumbra
