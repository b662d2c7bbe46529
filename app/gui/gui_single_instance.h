// One running window program per user. The first instance takes a lock file
// and listens on a local socket in the user's runtime folder before anything
// else (plug-ins, settings, the first file); a later instance finds the lock
// taken, hands its file over as an absolute path and ends.
//
// The message: a 4-byte big-endian length, then that many bytes of UTF-8
// path (length 0: only raise the window); the answer is one byte 'K'.
#pragma once
#include <QLockFile>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <memory>

namespace kvgui {

// Longest path a hand-over may carry.
constexpr quint32 kMaxHandOverBytes = 64 * 1024;

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // Folder of the lock and the socket: the runtime folder unless given.
  explicit SingleInstance(const QString& folder = QString());
  ~SingleInstance() override;

  // True when this is the first instance; it then listens (a stale socket of
  // a dead instance is removed first).
  bool Acquire();
  bool Listening() const { return server_ && server_->isListening(); }

  // For a later instance: hands path over (made absolute here; empty only
  // raises), retrying the connection for up to wait_ms while the first is
  // still starting. True when the first instance acknowledged it.
  bool HandOver(const QString& path, int wait_ms = 5000);

  QString SocketPath() const { return folder_ + "/korvane.socket"; }

 signals:
  // An absolute path, or empty for "raise the window".
  void fileReceived(const QString& path);

 private:
  void Accept();
  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace kvgui
