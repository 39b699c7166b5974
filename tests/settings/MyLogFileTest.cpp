#include "settings/MyLogFile.h"

#include "SettingsTestFiles.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LogFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // The expected text with each "@ " standing for one line's time stamp and computer name.
    QRegularExpression Expected(const QString& pattern) const {
        QString escaped = QRegularExpression::escape(pattern);
        escaped.replace(QRegularExpression::escape(QStringLiteral("@ ")),
                        QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d ") +
                            QRegularExpression::escape(platform::ComputerName()) + QStringLiteral(" "));
        return QRegularExpression(QStringLiteral("\\A") + escaped + QStringLiteral("\\z"));
    }

    void ExpectLog(const QString& pattern) const {
        const QString text = QString::fromLocal8Bit(ReadBytes(m_strLog));
        EXPECT_TRUE(Expected(pattern).match(text).hasMatch()) << text.toStdString();
    }

    QTemporaryDir m_dir;
    const QString m_strLog = m_dir.filePath(QStringLiteral("Corvane.log"));
    MyLogFile m_log;
};

TEST_F(LogFileTest, SwitchedOffWritesNothing) {
    EXPECT_FALSE(theLogFile.LogText(QStringLiteral("the program's own log stays off")));
    EXPECT_FALSE(m_log.Open());

    ASSERT_TRUE(m_log.SwitchOn(m_strLog, true, true));
    EXPECT_TRUE(m_log.Close()) << "closing a log that never opened its file";
    EXPECT_FALSE(m_log.LogFormat(QStringLiteral("after close\n")));
    EXPECT_FALSE(m_log.LogText(QStringLiteral("after close")));
    EXPECT_FALSE(QFileInfo::exists(m_strLog));
}

TEST_F(LogFileTest, OverwrittenHtmlLogHasHeaderLinesAndFooter) {
    WriteBytes(m_strLog, "an older run\n");
    ASSERT_TRUE(m_log.SwitchOn(m_strLog, true, true));
    EXPECT_TRUE(m_log.LogFormat(QStringLiteral("OnTimer() path = /wc/a countdown = 0 -> launched.\n")));
    EXPECT_TRUE(m_log.LogFormat(QStringLiteral("no line end, ")));
    EXPECT_TRUE(m_log.LogText(QStringLiteral("then text")));
    EXPECT_FALSE(m_log.SwitchOn(m_dir.filePath(QStringLiteral("other.log")), false, false))
        << "the file is open";
    ExpectLog(QStringLiteral("<HTML><HEAD><TITLE>LOGFILE</TITLE></HEAD><BODY>\n"
                             "@ OnTimer() path = /wc/a countdown = 0 -&gt; launched.\n"
                             "@ no line end, @ then text\n"));
    EXPECT_TRUE(m_log.Close());
    ExpectLog(QStringLiteral("<HTML><HEAD><TITLE>LOGFILE</TITLE></HEAD><BODY>\n"
                             "@ OnTimer() path = /wc/a countdown = 0 -&gt; launched.\n"
                             "@ no line end, @ then text\n"
                             "@ Logfile is terminate..\n\n\n"
                             "<BR></BODY></HTML>"));
    EXPECT_FALSE(m_log.LogText(QStringLiteral("after close")));
}

TEST_F(LogFileTest, AppendedLogHasNoHeader) {
    WriteBytes(m_strLog, "an older run\n");
    ASSERT_TRUE(m_log.SwitchOn(m_strLog, true, false));
    // svn's texts land as text in the HTML form, never as markup; the plain form keeps them as they are.
    EXPECT_TRUE(m_log.LogText(QStringLiteral("author <img src=x onerror=\"a&b\">")));
    m_log.Close();
    ExpectLog(QStringLiteral("an older run\n@ author &lt;img src=x onerror=&quot;a&amp;b&quot;&gt;\n"
                             "@ Logfile is terminate..\n\n\n<BR></BODY></HTML>"));

    ASSERT_TRUE(m_log.SwitchOn(m_strLog, false, false));
    EXPECT_TRUE(m_log.LogText(QStringLiteral("plain <b>")));
    m_log.Close();
    ExpectLog(QStringLiteral("an older run\n@ author &lt;img src=x onerror=&quot;a&amp;b&quot;&gt;\n"
                             "@ Logfile is terminate..\n\n\n<BR></BODY></HTML>"
                             "@ plain <b>\n@ Logfile is terminate..\n\n\n"));
}

TEST_F(LogFileTest, LinkWhereTheLogGoesIsNeverWrittenThrough) {
    const QString usersFile = m_dir.filePath(QStringLiteral("users-file"));
    WriteBytes(usersFile, "the user's own file\n");
    ASSERT_TRUE(QFile::link(usersFile, m_strLog));
    for (const bool bOverwrite : {true, false}) {
        ASSERT_TRUE(m_log.SwitchOn(m_strLog, true, bOverwrite));
        EXPECT_FALSE(m_log.LogText(QStringLiteral("lost")));
        m_log.Close();
    }
    EXPECT_EQ(ReadBytes(usersFile), "the user's own file\n");
}

TEST_F(LogFileTest, FileThatCannotBeOpenedIsTriedAgainAtTheNextLine) {
    const QString folder = m_dir.filePath(QStringLiteral("later"));
    const QString log = folder + QStringLiteral("/Corvane.log");
    ASSERT_TRUE(m_log.SwitchOn(log, false, true));
    EXPECT_FALSE(m_log.LogText(QStringLiteral("lost")));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(m_log.LogText(QStringLiteral("kept")));
    m_log.Close();
    EXPECT_FALSE(ReadBytes(log).contains("lost"));
    EXPECT_FALSE(ReadBytes(log).contains("<BR>")) << "plain text has no footer";
}

} // namespace
