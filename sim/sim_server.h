#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
struct SimContext;

// The local-socket server under the main application's name, in the temporary directory where
// the tool looks for it. Only one may listen there: a second instance is refused, while a socket
// file left behind by a dead one is replaced.
class SimServer : public QObject {
  Q_OBJECT
 public:
  explicit SimServer(SimContext& context, QObject* parent = nullptr);
  ~SimServer() override;

  bool listen(QString& error);
  // Stops listening and removes the socket file.
  void close();
  QString socketPath() const;

 private:
  void acceptPending();

  SimContext& context_;
  QLocalServer* server_;
  int connections_ = 0;
};
