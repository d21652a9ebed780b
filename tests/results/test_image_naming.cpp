#include "results/ImageNaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velumbra;

TEST(ImageNaming, BaseNamesPadOnlyWhenFixedLengthAndNeverCutLongNumbers)
{
    const QString prefix = QStringLiteral("/img/jup");
    EXPECT_EQ(BuildImageBaseName(prefix, 7, true, 4), QStringLiteral("/img/jup0007"));
    EXPECT_EQ(BuildImageBaseName(prefix, 12345, true, 4), QStringLiteral("/img/jup12345"));
    EXPECT_EQ(BuildImageBaseName(prefix, 7, false, 4), QStringLiteral("/img/jup7"));
    EXPECT_EQ(BuildImageBaseName(prefix, 65535, true, 4), QStringLiteral("/img/jup65535"));
    EXPECT_EQ(BuildImageBaseName(prefix, 1, true, 5), QStringLiteral("/img/jup00001"));
    EXPECT_EQ(BuildImageBaseName(prefix, 65535, false, 5), QStringLiteral("/img/jup65535"));
    EXPECT_EQ(BuildImageBaseName(prefix, 42, true, 1), QStringLiteral("/img/jup42"));
    EXPECT_EQ(BuildImageBaseName(QString(), 3, true, 2), QStringLiteral("03"));
}

TEST(ImageNaming, FolderAndFileNameParts)
{
    EXPECT_EQ(folderPart(QStringLiteral("/data/sky/jup")), QStringLiteral("/data/sky"));
    EXPECT_EQ(fileNamePart(QStringLiteral("/data/sky/jup")), QStringLiteral("jup"));
    EXPECT_EQ(folderPart(QStringLiteral("jup")), QString());
    EXPECT_EQ(fileNamePart(QStringLiteral("jup")), QStringLiteral("jup"));
    EXPECT_EQ(fileNamePart(QStringLiteral("/data/sky/")), QString());
    EXPECT_EQ(moveToFolder(QStringLiteral("/new"), QStringLiteral("/old/place/sat")), QStringLiteral("/new/sat"));
    EXPECT_EQ(moveToFolder(QStringLiteral("/new/"), QStringLiteral("sat")), QStringLiteral("/new/sat"));
}

TEST(ImageNaming, OnlyAFinalBmpExtensionIsCutWhateverTheCase)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/x/Jup.BMP", "/x/Jup"},
        {"/x/jup.bmp", "/x/jup"},
        {"/x/a.bmp.bmp", "/x/a.bmp"},
        {"/x/m42.bmp-set/jup.Bmp", "/x/m42.bmp-set/jup"},
        {"/x/m42.bmp-set/jup", "/x/m42.bmp-set/jup"},
        {"/x.Bmp/jup", "/x.Bmp/jup"},
        {"/x/jup.bmpx", "/x/jup.bmpx"},
        {"/x/jup.png", "/x/jup.png"},
        {".bmp", ""},
        {"", ""},
    };
    for (const auto& [typed, kept] : cases)
        EXPECT_EQ(cutBmpExtension(QString::fromUtf8(typed)), QString::fromUtf8(kept)) << typed;
}

TEST(ImageNaming, TypedFolderIsCreatedWithItsParents)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.path() + QStringLiteral("/a/b/jup");
    EXPECT_TRUE(createFolderOf(name));
    EXPECT_TRUE(QFileInfo(dir.path() + QStringLiteral("/a/b")).isDir());
    EXPECT_FALSE(QFileInfo::exists(name));

    // No folder part: nothing is made in the current directory.
    const QStringList before = QDir::current().entryList();
    EXPECT_TRUE(createFolderOf(QStringLiteral("jupiter_no_folder")));
    EXPECT_EQ(QDir::current().entryList(), before);

    // A folder below a regular file cannot exist.
    QFile file(dir.path() + QStringLiteral("/plain"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(createFolderOf(dir.path() + QStringLiteral("/plain/sub/jup")));
}

TEST(ImageNaming, BmpFileSizeCountsHeadersAndRowPadding)
{
    EXPECT_EQ(bmpFileSize(320, 240), 54 + 960 * 240);
    EXPECT_EQ(bmpFileSize(321, 240), 54 + 964 * 240);
    EXPECT_EQ(bmpFileSize(1, 1), 54 + 4);
    EXPECT_EQ(bmpFileSize(0, 10), 54);
}
