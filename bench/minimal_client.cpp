// The least a one-shot command can do: connect to the main application's local socket, write
// one command, wait for the answer, print it. orrinctl's whole-process time is compared to this.
#include <QCoreApplication>
#include <QLocalSocket>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QLocalSocket socket;
  socket.connectToServer(QStringLiteral("gakeh-dkark-946Q3509-6576-74GD-RH7U-2816S13V503U"),
                         QIODevice::ReadWrite);
  if (!socket.waitForConnected(3000)) return 2;
  socket.write("cmd:echo:hello");
  if (!socket.waitForReadyRead(15000)) return 5;
  const QByteArray answer = socket.readAll();
  std::fwrite(answer.constData(), 1, static_cast<size_t>(answer.size()), stdout);
  std::fputc('\n', stdout);
  return 0;
}
