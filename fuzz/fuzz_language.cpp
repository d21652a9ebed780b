// The language file on arbitrary bytes: never a crash, never a write to
// the file, and every section it lists reads back with values no longer
// than a value may be.
#include "core/Clock.h"
#include "core/Messages.h"
#include "settings/Language.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition) std::abort();
}

struct Quiet final : velumbra::MessageSink {
    void showMessage(bool, const QString&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Language.ini"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(bytes);
    }
    velumbra::ManualClock clock;
    Quiet messages;
    const velumbra::LanguageFile file(path, clock, messages);
    velumbra::LanguageTexts texts;
    for (const QString& language : file.languages()) {
        for (const QString& value : file.section(language)) require(value.size() <= 1023);
        texts.choose(file, language);
        require(!texts.text(u"MNU_Fichier.Caption").isNull());
    }
    texts.choose(file, QString());
    require(texts.text(u"Nord") == QStringLiteral("Nord"));
    // The file is read, never written nor moved.
    QFile back(path);
    require(back.open(QIODevice::ReadOnly) && back.readAll() == bytes);
    return 0;
}
