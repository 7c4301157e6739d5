// Any byte stream, delivered in any split, through the receive buffer and the frame decoder, and
// every decoded payload through the JSON reader: nothing may crash, and what is taken must be
// exactly what was framed.
#include <QJsonObject>
#include <cstddef>
#include <cstdint>

#include "rezizezevud_cmd/terminal/terminal_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the size of the pieces the stream arrives in.
  const std::size_t piece = 1 + data[0] % 64;
  FrameReceiveBuffer buffer;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;
  for (std::size_t at = 0; at < length; at += piece) {
    const std::size_t n = std::min(piece, length - at);
    buffer.append(QByteArray(bytes + at, static_cast<int>(n)));
    QByteArray frameBytes;
    while (buffer.takeRecord(frameBytes)) {
      TerminalFrame frame;
      if (!decodeFrame(frameBytes, frame)) continue;
      if (static_cast<std::uint32_t>(frame.payload.size()) > kMaxFramePayload) __builtin_trap();
      QJsonObject object;
      if (parseJsonObject(frame.payload, object)) (void)object.value("code").toInt(-1);
      QByteArray again;
      if (!encodeFrame(frame, again) || again != frameBytes) __builtin_trap();
    }
  }
  return 0;
}
