// The floors of the source tree: a folder includes only its own floor and
// those below it, and logic never includes window code. The order is read
// from docs/architecture.md, so the document and the code cannot drift apart.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct SourceFile {
    QString path; // relative to the source root, with '/' separators
    QString text;
};

// The floor names in the line "Floors, lowest first: `core`, `widgets`, ...".
QStringList floorsOf(const QString& architecture)
{
    for (const QString& line : architecture.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("Floors, lowest first:"))) continue;
        QStringList floors;
        static const QRegularExpression name(QStringLiteral("`([a-z]+)/?`"));
        for (auto it = name.globalMatch(line); it.hasNext();) floors << it.next().captured(1);
        return floors;
    }
    return {};
}

bool isWindowCode(const QString& path)
{
    return path.startsWith(QLatin1String("widgets/")) || path.contains(QLatin1String("/ui/")) ||
           path == QLatin1String("app/main.cpp");
}

// One line per broken rule: the file, the include and why.
QStringList layerViolations(const QStringList& floors, const QList<SourceFile>& files)
{
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*([\"<])([^\">]+)[\">]"),
                                            QRegularExpression::MultilineOption);
    QStringList problems;
    for (const SourceFile& file : files) {
        const QString folder = file.path.section(QLatin1Char('/'), 0, 0);
        const int own = floors.indexOf(folder);
        if (own < 0) {
            problems << file.path + QLatin1String(": folder '") + folder + QLatin1String("' is not a floor");
            continue;
        }
        for (auto it = include.globalMatch(file.text); it.hasNext();) {
            const auto m = it.next();
            const QString target = m.captured(2);
            if (m.captured(1) == QLatin1String("<")) {
                if (!isWindowCode(file.path) && target.startsWith(QLatin1String("QtWidgets")))
                    problems << file.path + QLatin1String(": logic includes <") + target + QLatin1Char('>');
                continue;
            }
            const int floor = floors.indexOf(target.section(QLatin1Char('/'), 0, 0));
            if (floor < 0) continue; // a file of the same folder or a generated one
            if (floor > own)
                problems << file.path + QLatin1String(": includes \"") + target +
                                QLatin1String("\" from a floor above its own");
            else if (!isWindowCode(file.path) && isWindowCode(target))
                problems << file.path + QLatin1String(": logic includes window code \"") + target +
                                QLatin1Char('"');
        }
    }
    return problems;
}

QString readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

const QStringList kFloors = {QStringLiteral("core"), QStringLiteral("widgets"), QStringLiteral("acquisition"),
                             QStringLiteral("processing"), QStringLiteral("app")};

TEST(LayerRules, IncludesGoDownOrSideways)
{
    const QList<SourceFile> files = {
        {QStringLiteral("processing/A.cpp"), QStringLiteral("#include \"core/Clock.h\"\n#include \"processing/B.h\"")},
        {QStringLiteral("acquisition/ui/P.cpp"), QStringLiteral("#include \"widgets/TNumInp.h\"\n#include <QWidget>")},
        {QStringLiteral("app/main.cpp"), QStringLiteral("#include <QtWidgets/QApplication>")},
    };
    EXPECT_TRUE(layerViolations(kFloors, files).isEmpty()) << layerViolations(kFloors, files).join('\n').toStdString();
}

TEST(LayerRules, EachBrokenRuleIsReported)
{
    struct Case {
        const char* path;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"acquisition/control/V.cpp", "#include \"processing/ImageCore.h\"", "from a floor above"},
        {"core/X.h", "  #  include \"widgets/TNumInp.h\"", "from a floor above"},
        {"processing/Y.cpp", "#include \"processing/ui/Panel.h\"", "logic includes window code"},
        {"acquisition/Z.cpp", "#include \"widgets/ImageView.h\"", "logic includes window code"},
        {"processing/W.cpp", "#include <QtWidgets/QLabel>", "logic includes <QtWidgets"},
        {"telescope/T.cpp", "#include \"core/Clock.h\"", "is not a floor"},
    };
    for (const Case& c : cases) {
        const QStringList problems =
            layerViolations(kFloors, {{QString::fromLatin1(c.path), QString::fromLatin1(c.text)}});
        ASSERT_EQ(problems.size(), 1) << c.path;
        EXPECT_TRUE(problems.front().contains(QLatin1String(c.expected))) << problems.front().toStdString();
    }
}

TEST(LayerRules, TheDocumentNamesTheFloorsInOrder)
{
    const QStringList floors = floorsOf(readAll(QStringLiteral(VELUMBRA_SOURCE_DIR "/docs/architecture.md")));
    ASSERT_GE(floors.size(), 5) << "docs/architecture.md lacks the line \"Floors, lowest first: ...\"";
    EXPECT_EQ(floors.front(), QStringLiteral("core"));
    EXPECT_EQ(floors.back(), QStringLiteral("app"));
    EXPECT_LT(floors.indexOf(QStringLiteral("widgets")), floors.indexOf(QStringLiteral("acquisition")));
    EXPECT_LT(floors.indexOf(QStringLiteral("acquisition")), floors.indexOf(QStringLiteral("processing")));
}

TEST(LayerRules, TheSourceTreeKeepsItsFloors)
{
    const QString root = QStringLiteral(VELUMBRA_SOURCE_DIR);
    const QStringList floors = floorsOf(readAll(root + QLatin1String("/docs/architecture.md")));
    ASSERT_FALSE(floors.isEmpty());

    QList<SourceFile> files;
    const QStringList skipped = {QStringLiteral("tests"), QStringLiteral("bench"), QStringLiteral("docs"),
                                 QStringLiteral("cmake"), QStringLiteral("scripts"), QStringLiteral("fuzz")};
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(root).relativeFilePath(it.next());
        const QString top = path.section(QLatin1Char('/'), 0, 0);
        if (!path.contains(QLatin1Char('/')) || skipped.contains(top) || top.startsWith(QLatin1String("build")) ||
            top.startsWith(QLatin1Char('.')))
            continue;
        files.append({path, readAll(it.filePath())});
    }
    ASSERT_GT(files.size(), 50) << "source tree not found under " << root.toStdString();
    const QStringList problems = layerViolations(floors, files);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

} // namespace
