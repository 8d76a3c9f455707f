#include "platform/linux/LinuxFileReveal.h"

#include "EventLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

// Puts an xdg-open that exits with `code` first on the PATH.
class LinuxFileRevealTest : public ::testing::Test {
protected:
    void SetUp() override { savedPath = qgetenv("PATH"); }
    void TearDown() override { qputenv("PATH", savedPath); }

    void fakeXdgOpen(int code)
    {
        QFile script(bin.filePath(QStringLiteral("xdg-open")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$1\" > \"%1\"\nexit %2\n")
                         .arg(bin.filePath(QStringLiteral("asked")))
                         .arg(code)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toUtf8() + ":" + savedPath);
    }

    std::optional<std::optional<QString>> openFolder()
    {
        std::optional<std::optional<QString>> answer;
        LinuxFileReveal::openWithDesktop(QUrl::fromLocalFile(QStringLiteral("/var/tmp")),
            [&answer](std::optional<QString> failure) { answer = std::move(failure); });
        test::waitFor([&answer] { return answer.has_value(); });
        return answer;
    }

    QTemporaryDir bin;
    QByteArray savedPath;
};

// xdg-open starts fine and then finds nothing to open with: that must count
// as a failure, not as the success its start would suggest.
TEST_F(LinuxFileRevealTest, AnXdgOpenThatFindsNoProgramIsAFailure)
{
    fakeXdgOpen(3);
    const auto answer = openFolder();
    ASSERT_TRUE(answer);
    ASSERT_TRUE(*answer);
    EXPECT_EQ(**answer, QStringLiteral("xdg-open found no program for folders"));
}

TEST_F(LinuxFileRevealTest, AnXdgOpenThatOpensTheFolderIsASuccess)
{
    fakeXdgOpen(0);
    const auto answer = openFolder();
    ASSERT_TRUE(answer);
    EXPECT_FALSE(*answer);
    QFile asked(bin.filePath(QStringLiteral("asked")));
    ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
    EXPECT_EQ(asked.readAll().trimmed(), QByteArray("/var/tmp"));
}

} // namespace
} // namespace voltmere
