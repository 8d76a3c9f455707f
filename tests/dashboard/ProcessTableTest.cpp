#include "SpokenTree.h"

#include "dashboard/view/ProcessRow.h"
#include "dashboard/view/ProcessTable.h"
#include "platform/PlatformText.h"
#include "ui/DesktopEntries.h"
#include "ui/ProcessIconView.h"
#include "ui/ProcessIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace voltmere {
namespace {

Snapshot withProcesses(std::vector<ProcessCPU> processes, std::optional<double> other, int unreadable)
{
    Snapshot snapshot;
    snapshot.date = 1000;
    snapshot.topProcesses = std::move(processes);
    snapshot.otherProcessesCPU = other;
    snapshot.unreadableProcessCount = unreadable;
    return snapshot;
}

TEST(ProcessTableTest, RowsFollowTheSamplerOrderAndEndWithTheCombinedRow)
{
    const auto rows = ProcessTable::rows(
        withProcesses({{41, QStringLiteral("busy"), 250}, {7, QStringLiteral("calm"), 50}}, 31.5, 212));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (ProcessTable::Row{QStringLiteral("41"), QStringLiteral("busy"), 41, 250, false}));
    EXPECT_EQ(rows[1].id, QStringLiteral("7"));
    EXPECT_EQ(rows[2], (ProcessTable::Row{QStringLiteral("other"), QStringLiteral("System processes (212, combined)"),
                                          std::nullopt, 31.5, true}));
    EXPECT_TRUE(ProcessTable::rows(std::nullopt).empty());
}

TEST(ProcessTableTest, CombinedRowNeedsBothItsFigureAndAnUnreadableProcess)
{
    EXPECT_EQ(ProcessTable::rows(withProcesses({{1, QStringLiteral("a"), 5}}, 12.0, 0)).size(), 1u);
    EXPECT_EQ(ProcessTable::rows(withProcesses({{1, QStringLiteral("a"), 5}}, std::nullopt, 30)).size(), 1u);
    // The combined row stands on its own when no process could be listed.
    const auto onlyOther = ProcessTable::rows(withProcesses({}, 4.0, 1));
    ASSERT_EQ(onlyOther.size(), 1u);
    EXPECT_TRUE(onlyOther[0].isOther);
}

TEST(ProcessTableTest, ScaleIsTheBusiestRowButAtLeastOneCore)
{
    const auto rows = ProcessTable::rows(
        withProcesses({{1, QStringLiteral("a"), 250}, {2, QStringLiteral("b"), 50}}, std::nullopt, 0));
    EXPECT_DOUBLE_EQ(ProcessTable::scale(rows), 250);
    EXPECT_DOUBLE_EQ(ProcessTable::scale({}), 100);
    EXPECT_DOUBLE_EQ(ProcessTable::scale(ProcessTable::rows(withProcesses({{1, QStringLiteral("a"), 12}}, 340, 3))),
                     340);
    // The busiest bar is full, a 50 % process fills a fifth, 0 % keeps a sliver.
    EXPECT_DOUBLE_EQ(ProcessRow::fillWidth(500, 250, 250), 500);
    EXPECT_DOUBLE_EQ(ProcessRow::fillWidth(500, 50, 250), 100);
    EXPECT_DOUBLE_EQ(ProcessRow::fillWidth(500, 0, 250), ProcessRow::minimumBar);
    EXPECT_DOUBLE_EQ(ProcessRow::fillWidth(500, 900, 250), 500);
}

TEST(ProcessTableTest, FootnoteExplainsTheScaleAndTheCombinedRow)
{
    EXPECT_EQ(ProcessTable::footnote(std::nullopt, 8), QStringLiteral("Collecting the first two samples…"));
    EXPECT_EQ(ProcessTable::footnote(withProcesses({}, 3.0, 0), 8),
              QStringLiteral("Per-process CPU will appear after the second sample."));
    const QString text = ProcessTable::footnote(withProcesses({{1, QStringLiteral("a"), 250}}, 20, 212), 8);
    EXPECT_EQ(text, QStringLiteral("This computer has 8 cores, so the maximum is 800%. 212 processes couldn't be "
                                   "read one by one (/proc hides other users' processes where it is mounted with "
                                   "hidepid), so Voltmere shows their combined use, estimated as total CPU minus the "
                                   "processes listed."));
    EXPECT_TRUE(ProcessTable::footnote(withProcesses({{1, QStringLiteral("a"), 250}}, 20, 1), 8)
                    .contains(QStringLiteral(" 1 process couldn't be read one by one")));
}

// Every process readable (the usual case on Linux): there is no combined
// row, so the footnote must not explain one or count "0 processes".
TEST(ProcessTableTest, FootnoteWithoutUnreadableProcessesExplainsNoCombinedRow)
{
    const QString text = ProcessTable::footnote(withProcesses({{1, QStringLiteral("a"), 250}}, std::nullopt, 0), 4);
    EXPECT_EQ(text, QStringLiteral("This computer has 4 cores, so the maximum is 400%. Every process's CPU use can be "
                                   "read, so none is estimated."));
}

TEST(ProcessTableTest, SpokenLabelsNamePidAndCpu)
{
    EXPECT_EQ(ProcessRow::spokenLabel({QStringLiteral("41"), QStringLiteral("busy"), 41, 12.345, false}),
              QStringLiteral("busy, process 41, 12.3 percent CPU"));
    EXPECT_EQ(ProcessRow::spokenLabel({QStringLiteral("other"), QStringLiteral("System processes (3, combined)"),
                                       std::nullopt, 4, true}),
              QStringLiteral("System processes (3, combined), 4.0 percent CPU"));
}

TEST(ProcessTableTest, ViewShowsOneRankedRowPerRowAndTheEmptyState)
{
    ProcessTable table;
    table.setCores(4);
    table.resize(600, 400);
    table.show();
    EXPECT_TRUE(table.rowViews().empty());
    EXPECT_EQ(table.footnoteText(), QStringLiteral("Collecting the first two samples…"));

    table.setLatest(withProcesses({{41, QStringLiteral("busy"), 250}, {7, QStringLiteral("calm"), 50}}, 10, 2));
    auto views = table.rowViews();
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0]->rank(), 1);
    EXPECT_EQ(views[2]->rank(), 3);
    EXPECT_TRUE(views[2]->row().isOther);
    EXPECT_DOUBLE_EQ(views[1]->scale(), 250);
    EXPECT_TRUE(table.footnoteText().startsWith(QStringLiteral("This computer has 4 cores, so the maximum is 400%. 2 ")));

    // A later round with fewer processes reuses and trims the rows.
    table.setLatest(withProcesses({{9, QStringLiteral("only"), 3}}, std::nullopt, 0));
    views = table.rowViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->row().name, QStringLiteral("only"));
    EXPECT_DOUBLE_EQ(views[0]->scale(), 100);
}

TEST(ProcessTableTest, ScreenReadersHearTheScaleNoteTheWaitAndEveryRow)
{
    ProcessTable table;
    table.setCores(4);
    table.show();
    QStringList said = test::spoken(&table);
    EXPECT_TRUE(said.contains(QStringLiteral("Collecting readings…"))) << said.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(said.contains(PlatformText::say(PlatformText::Name::processScaleNote)));
    EXPECT_TRUE(said.contains(table.footnoteText()));

    table.setLatest(withProcesses({{41, QStringLiteral("busy"), 250}}, 31.5, 212));
    said = test::spoken(&table);
    EXPECT_FALSE(said.contains(QStringLiteral("Collecting readings…"))) << "the wait is over and no longer shown";
    for (const ProcessRow *row : table.rowViews()) {
        EXPECT_TRUE(said.contains(row->accessibleName())) << row->accessibleName().toStdString();
    }
}

TEST(ProcessTableTest, RowHighlightsWhileThePointerIsOverIt)
{
    ProcessTable table;
    table.resize(600, 300);
    table.setLatest(withProcesses({{41, QStringLiteral("busy"), 20}}, std::nullopt, 0));
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    ProcessRow *row = table.rowViews().front();
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QCoreApplication::sendEvent(row, &enter);
    EXPECT_TRUE(row->isHovering());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(row, &leave);
    EXPECT_FALSE(row->isHovering());
}

class ProcessIconsTest : public ::testing::Test {
protected:
    void SetUp() override { install(); }
    void TearDown() override { ProcessIcons::setLookup({}); }

    void install()
    {
        ProcessIcons::Lookup lookup;
        lookup.executablePath = [this](std::int32_t pid) -> std::optional<QString> {
            ++pathReads;
            const auto found = paths.find(pid);
            return found == paths.end() ? std::nullopt : std::optional<QString>(found->second);
        };
        lookup.applicationIcon = [this](const QString &exe) {
            return apps.count(exe) ? icon(Qt::red) : QImage();
        };
        lookup.fileIcon = [this](const QString &path) {
            fileIconPaths.push_back(path);
            return icon(Qt::blue);
        };
        ProcessIcons::setLookup(lookup);
    }

    static QImage icon(Qt::GlobalColor color)
    {
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(color);
        return image;
    }

    std::map<std::int32_t, QString> paths;
    std::set<QString> apps;
    std::vector<QString> fileIconPaths;
    int pathReads = 0;
};

TEST_F(ProcessIconsTest, BundleRuleTakesTheTextBeforeTheFirstAppFolder)
{
    EXPECT_EQ(ProcessIcons::bundlePath(QStringLiteral("/Applications/Mail.app/Contents/MacOS/Mail")),
              QStringLiteral("/Applications/Mail.app"));
    EXPECT_EQ(ProcessIcons::bundlePath(
                  QStringLiteral("/Applications/Outer.app/Contents/Frameworks/Helper.app/Contents/MacOS/Helper")),
              QStringLiteral("/Applications/Outer.app"));
    EXPECT_EQ(ProcessIcons::bundlePath(QStringLiteral("/usr/bin/python3")), std::nullopt);
    // ".app" must be a folder: a file named like one is not a bundle.
    EXPECT_EQ(ProcessIcons::bundlePath(QStringLiteral("/opt/tools/run.app")), std::nullopt);
}

TEST_F(ProcessIconsTest, DesktopEntryIconFirstThenTheBundleThenNothing)
{
    paths = {{10, QStringLiteral("/usr/bin/vim")},
             {11, QStringLiteral("/opt/Suite.app/Contents/Helpers/worker")},
             {12, QStringLiteral("/usr/lib/daemon")}};
    apps = {QStringLiteral("/usr/bin/vim")};
    EXPECT_EQ(ProcessIcons::icon(10).pixel(0, 0), QColor(Qt::red).rgba());
    EXPECT_EQ(ProcessIcons::icon(11).pixel(0, 0), QColor(Qt::blue).rgba());
    EXPECT_EQ(fileIconPaths, std::vector<QString>{QStringLiteral("/opt/Suite.app")});
    EXPECT_TRUE(ProcessIcons::icon(12).isNull());
    EXPECT_TRUE(ProcessIcons::icon(13).isNull()); // no path at all
}

TEST_F(ProcessIconsTest, HitsAndMissesAreRememberedUntilTheBoundIsPassed)
{
    paths = {{10, QStringLiteral("/usr/bin/vim")}};
    apps = {QStringLiteral("/usr/bin/vim")};
    ProcessIcons::icon(10);
    ProcessIcons::icon(10);
    ProcessIcons::icon(99);
    ProcessIcons::icon(99);
    EXPECT_EQ(pathReads, 2);
    // A pid that becomes an application later keeps its miss.
    paths[99] = QStringLiteral("/usr/bin/vim");
    EXPECT_TRUE(ProcessIcons::icon(99).isNull());

    for (std::int32_t pid = 1000; pid < 1000 + ProcessIcons::bound - 1; ++pid) {
        ProcessIcons::icon(pid);
    }
    EXPECT_EQ(ProcessIcons::cachedCount() + ProcessIcons::missCount(), ProcessIcons::bound + 1);
    // The next new pid finds more than 400 entries: both tables are emptied first.
    ProcessIcons::icon(5000);
    EXPECT_EQ(ProcessIcons::cachedCount() + ProcessIcons::missCount(), 1);
    EXPECT_FALSE(ProcessIcons::icon(99).isNull());
}

TEST_F(ProcessIconsTest, IconViewShowsTheGearWithoutAnIcon)
{
    paths = {{10, QStringLiteral("/usr/bin/vim")}};
    apps = {QStringLiteral("/usr/bin/vim")};
    ProcessIconView view(20);
    EXPECT_TRUE(view.showsPlaceholder());
    view.setPid(10);
    EXPECT_FALSE(view.showsPlaceholder());
    view.setPid(77);
    EXPECT_TRUE(view.showsPlaceholder());
}

TEST(DesktopEntriesTest, ParsesTheMainGroupOnly)
{
    const auto entry = DesktopEntries::parse(u"[Desktop Entry]\nName=Editor\nExec=env LANG=C /usr/bin/gvim -f %F\n"
                                             u"TryExec=gvim\nIcon=gvim\n[Desktop Action new]\nExec=other\nIcon=x\n");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->icon, QStringLiteral("gvim"));
    EXPECT_EQ(entry->programs, QStringList{QStringLiteral("gvim")});
    EXPECT_EQ(DesktopEntries::programOf(u"\"/opt/My App/bin/run\" --x"), QStringLiteral("run"));
    EXPECT_FALSE(DesktopEntries::parse(u"[Desktop Entry]\nExec=a\nIcon=b\nHidden=true\n").has_value());
    EXPECT_FALSE(DesktopEntries::parse(u"[Desktop Entry]\nExec=a\n").has_value());
}

TEST(DesktopEntriesTest, EarlierDataFoldersWinAndSubfoldersAreRead)
{
    QTemporaryDir home;
    QTemporaryDir system;
    const auto write = [](const QString &path, const QByteArray &text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write(home.filePath(QStringLiteral("applications/mine.desktop")), "[Desktop Entry]\nExec=tool\nIcon=mine\n");
    write(system.filePath(QStringLiteral("applications/tool.desktop")), "[Desktop Entry]\nExec=tool\nIcon=theirs\n");
    write(system.filePath(QStringLiteral("applications/kde/deep.desktop")),
          "[Desktop Entry]\nExec=/usr/bin/deep --flag\nIcon=deep-icon\n");
    const DesktopEntries entries({home.path(), system.path()});
    EXPECT_EQ(entries.iconFor(QStringLiteral("/usr/local/bin/tool")), QStringLiteral("mine"));
    EXPECT_EQ(entries.iconFor(QStringLiteral("/usr/bin/deep")), QStringLiteral("deep-icon"));
    EXPECT_EQ(entries.iconFor(QStringLiteral("/usr/bin/none")), std::nullopt);
}

} // namespace
} // namespace voltmere
