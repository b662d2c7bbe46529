// One instance per user: the hand-over protocol in this process, and the
// built program started twice.
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include "gui_single_instance.h"
#include "gui_test_util.h"
#include "test_support.h"

using namespace kvguitest;

namespace {

QByteArray Message(const QByteArray& body, quint32 length) {
  uchar head[4];
  qToBigEndian<quint32>(length, head);
  return QByteArray(reinterpret_cast<const char*>(head), 4) + body;
}

// Sends raw bytes; the answer byte, or 0 when the connection closed unanswered.
char SendRaw(const QString& socket_path, const QByteArray& bytes) {
  QLocalSocket s;
  s.connectToServer(socket_path);
  if (!s.waitForConnected(2000)) return 0;
  s.write(bytes);
  s.waitForBytesWritten(2000);
  for (int i = 0; i < 40 && s.bytesAvailable() < 1 && s.state() == QLocalSocket::ConnectedState; ++i) {
    QCoreApplication::processEvents();
    s.waitForReadyRead(50);
  }
  char c = 0;
  if (s.bytesAvailable() > 0) s.read(&c, 1);
  return c;
}

TEST(SingleInstance, FirstTakesTheLockSecondDoesNot) {
  App();
  kvtest::TempDir dir;
  kvgui::SingleInstance first(QString::fromStdString(dir.str()));
  ASSERT_TRUE(first.Acquire());
  EXPECT_TRUE(first.Listening());
  kvgui::SingleInstance second(QString::fromStdString(dir.str()));
  EXPECT_FALSE(second.Acquire());
}

TEST(SingleInstance, ReceiverBoundsAndChecksWhatArrives) {
  App();
  kvtest::TempDir dir;
  kvgui::SingleInstance first(QString::fromStdString(dir.str()));
  ASSERT_TRUE(first.Acquire());
  QSignalSpy spy(&first, &kvgui::SingleInstance::fileReceived);
  // Runs the receiver while the sender blocks: the sender lives in a thread
  // of the event loop through processEvents in SendRaw.
  EXPECT_EQ(SendRaw(first.SocketPath(), Message("", 0xFFFFFFFFu)), 0);
  EXPECT_EQ(SendRaw(first.SocketPath(), Message("relative/a.raw", 14)), 0);
  EXPECT_EQ(SendRaw(first.SocketPath(), Message(QByteArray("/a\0b", 4), 4)), 0);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(SendRaw(first.SocketPath(), Message("/models/a.raw", 13)), 'K');
  QTRY_COMPARE(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toString(), "/models/a.raw");
}

class TwoPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime_.str()));
    env_.insert("XDG_CONFIG_HOME", QString::fromStdString(config_.str()));
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.remove("LC_ALL");
    env_.remove("LOCPATH");
    program_ = QString::fromStdString((kvtest::bin_dir() / "korvane").string());
  }
  void TearDown() override {
    if (first_.state() != QProcess::NotRunning) {
      first_.kill();
      first_.waitForFinished(5000);
    }
  }
  void Start(QProcess& p, const QStringList& args) {
    p.setProcessEnvironment(env_);
    p.setWorkingDirectory(QString::fromStdString(kvtest::source_dir().string()));
    p.start(program_, args);
    ASSERT_TRUE(p.waitForStarted(5000));
  }
  // The first recent file the running instance stored.
  QString StoredRecent() {
    std::string text = kvtest::read_file(config_.str() + "/KorvaneSoft1/korvane.ini");
    QString all = QString::fromStdString(text);
    int at = all.indexOf("file1=");
    if (at < 0) return {};
    return all.mid(at + 6).section('\n', 0, 0).trimmed();
  }
  QString LockFile() const { return QString::fromStdString(runtime_.str()) + "/korvane.lock"; }

  kvtest::TempDir runtime_, config_;
  QProcessEnvironment env_;
  QString program_;
  QProcess first_;
};

TEST_F(TwoPrograms, SecondStartWithARelativePathHandsItOver) {
  Start(first_, {});
  // Handed over in the time the first is still starting: it holds the lock
  // but may not have loaded its plug-ins yet.
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(LockFile()), 10000);
  QProcess second;
  Start(second, {"samples/cube.raw"});
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  QString expected = QString::fromStdString((kvtest::source_dir() / "samples" / "cube.raw").string());
  QTRY_COMPARE_WITH_TIMEOUT(StoredRecent(), expected, 10000);
  EXPECT_EQ(first_.state(), QProcess::Running);

  // Without a file it only raises the first; it still ends at once.
  QProcess third;
  Start(third, {});
  ASSERT_TRUE(third.waitForFinished(10000));
  EXPECT_EQ(third.exitCode(), 0);
}

TEST_F(TwoPrograms, ALockLeftByADeadInstanceIsTakenOver) {
  Start(first_, {});
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(LockFile()), 10000);
  first_.kill();
  first_.waitForFinished(5000);
  ASSERT_TRUE(QFileInfo::exists(LockFile()));
  QProcess next;
  Start(next, {"samples/cube.raw"});
  // It is the first instance now: it stays and imports its own file.
  QString expected = QString::fromStdString((kvtest::source_dir() / "samples" / "cube.raw").string());
  QTRY_COMPARE_WITH_TIMEOUT(StoredRecent(), expected, 10000);
  EXPECT_EQ(next.state(), QProcess::Running);
  next.kill();
  next.waitForFinished(5000);
}

}  // namespace
