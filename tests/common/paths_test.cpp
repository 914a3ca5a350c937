#include "common/paths.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct Tree
{
    const char *name;
    // Folders created below a fresh temporary folder; "share/pelmora=file" makes a file instead.
    QStringList folders;
    // The executable's folder, relative to the temporary folder.
    QString executableFolder;
    bool installed;
};

void PrintTo(const Tree &tree, std::ostream *out)
{
    *out << tree.name;
}

class ProgramFolder : public testing::TestWithParam<Tree>
{
protected:
    TempFolder root;
};

TEST_P(ProgramFolder, IsTheDocumentsFolderOnlyForAnInstalledTree)
{
    const Tree &tree = GetParam();
    for (const QString &folder : tree.folders) {
        if (folder.endsWith(QLatin1String("=file")))
            writeAll(root.file(folder.chopped(5)), "marker");
        else
            ASSERT_TRUE(QDir().mkpath(root.file(folder)));
    }
    const QString executable = root.file(tree.executableFolder);
    const QString documents = root.file(QStringLiteral("home/Documents"));

    EXPECT_EQ(Paths::isInstalled(executable), tree.installed);
    EXPECT_EQ(Paths::programFolder(executable, documents),
              tree.installed ? documents + QStringLiteral("/Pelmora") : executable);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, ProgramFolder,
    testing::Values(Tree{"Installed",
                         {QStringLiteral("usr/bin"), QStringLiteral("usr/share/pelmora")},
                         QStringLiteral("usr/bin"),
                         true},
                    Tree{"InstalledGivenWithATrailingSlash",
                         {QStringLiteral("usr/bin"), QStringLiteral("usr/share/pelmora")},
                         QStringLiteral("usr/bin/"),
                         true},
                    Tree{"BuildFolder", {QStringLiteral("build/ci/bin")}, QStringLiteral("build/ci/bin"), false},
                    // /usr/local has a share/ of other programs' files.
                    Tree{"PrefixWithoutOurShareFolder",
                         {QStringLiteral("usr/local/bin"), QStringLiteral("usr/local/share/applications")},
                         QStringLiteral("usr/local/bin"),
                         false},
                    Tree{"OurShareFolderIsAFile",
                         {QStringLiteral("usr/bin"), QStringLiteral("usr/share/pelmora=file")},
                         QStringLiteral("usr/bin"),
                         false},
                    Tree{"NotInABinFolder",
                         {QStringLiteral("opt/tools"), QStringLiteral("opt/share/pelmora")},
                         QStringLiteral("opt/tools"),
                         false}),
    [](const testing::TestParamInfo<Tree> &param) { return std::string(param.param.name); });

} // namespace
