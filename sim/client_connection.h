#pragma once

#include <QObject>
#include <QString>

class QLocalSocket;
struct SimCommand;
struct SimContext;

// One accepted connection. Its first read is the whole request: a one-shot command answered in
// one write, a connect request answered once or twice, or a terminal request that turns the
// connection into a terminal bridge. It deletes itself when the tool hangs up.
class ClientConnection : public QObject {
  Q_OBJECT
 public:
  ClientConnection(QLocalSocket* socket, SimContext& context, int number, QObject* parent);

 private:
  void onFirstRead();
  void answerOnce(const QByteArray& answer);
  void answerHandshake(const SimCommand& command);
  void startTerminal(const QString& requestJson);
  void write(const QByteArray& bytes);
  void noteChange(bool changed);

  QLocalSocket* socket_;
  SimContext& context_;
  QString tag_;
  bool gotRequest_ = false;
};
