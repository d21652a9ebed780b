// The settings file parser on arbitrary bytes: it must never crash, and
// whatever it accepts must come back the same after a write and a read, with
// one key changed and nothing else.
#include "settings/IniText.h"

#include <cstdint>
#include <cstdlib>

namespace {

using velumbra::IniText;

void require(bool condition)
{
    if (!condition) std::abort();
}

// Every section, key and value of `a` is in `b`, and the other way round.
void requireSameContent(const IniText& a, const IniText& b)
{
    const QStringList sections = a.sectionNames();
    require(sections == b.sectionNames());
    for (const QString& section : sections) {
        const QStringList keys = a.keys(section);
        require(keys == b.keys(section));
        for (const QString& key : keys) {
            require(a.value(section, key) == b.value(section, key));
            (void)velumbra::parseIniInteger(*a.value(section, key));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const auto doc = IniText::parse(bytes);
    if (!doc) return 0;

    const auto written = doc->toBytes();
    if (!written) return 0; // Latin-1 text grown past the limits as UTF-8
    const auto reread = IniText::parse(*written);
    require(reread.has_value());
    requireSameContent(*doc, *reread);
    require(reread->toBytes() == written);

    // One write, its names and value taken from the input itself.
    const QString text = QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 48)));
    const QStringList sections = doc->sectionNames();
    const QString section = sections.isEmpty() ? text.left(8) : sections[int(size % std::size_t(sections.size()))];
    const QString key = text.mid(8, 8);
    const QString value = text.mid(16);
    IniText changed = *doc;
    if (!changed.set(section, key, value)) return 0;
    const auto readBack = changed.value(section, key);
    require(readBack.has_value());
    const auto bytesAfter = changed.toBytes();
    if (!bytesAfter) return 0;
    const auto after = IniText::parse(*bytesAfter);
    require(after.has_value());
    require(after->value(section, key) == readBack);
    // The write changed one value at most, and the file gives back the rest.
    int differing = 0;
    for (const QString& s : sections)
        for (const QString& k : doc->keys(s)) {
            require(after->value(s, k) == changed.value(s, k));
            differing += after->value(s, k) != doc->value(s, k);
        }
    require(differing <= 1);
    return 0;
}
